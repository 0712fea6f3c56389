#include "ui/typing_limit.h"

#include <QLineEdit>
#include <QValidator>

namespace ui {
namespace {

// QLineEdit validates what is typed or pasted, never what setText() puts in.
class LengthLimit final : public QValidator {
public:
    LengthLimit(int maxLength, QObject* parent) : QValidator(parent), maxLength_(maxLength) {}
    State validate(QString& input, int&) const override {
        return input.size() > maxLength_ ? Invalid : Acceptable;
    }
    int maxLength() const { return maxLength_; }

private:
    int maxLength_;
};

}  // namespace

void limitTyping(QLineEdit* edit, int maxLength) {
    edit->setValidator(new LengthLimit(maxLength, edit));
}

int typingLimit(const QLineEdit* edit) {
    const auto* limit = dynamic_cast<const LengthLimit*>(edit->validator());
    return limit != nullptr ? limit->maxLength() : -1;
}

}  // namespace ui
