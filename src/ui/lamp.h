// The busy lamp of the main window: a rounded rectangle in one colour.
#pragma once

#include <QColor>
#include <QWidget>

namespace ui {

class Lamp : public QWidget {
public:
    explicit Lamp(QWidget* parent) : QWidget(parent) {}
    void setColour(QColor colour);
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor colour_ = Qt::white;
};

}  // namespace ui
