#include "ui/cp1252.h"

#include <QList>

#include "app/cp1252.h"

namespace ui {

QString fromCp1252(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        // Every code point of the table lies in the basic plane: one UTF-16 unit each.
        text.append(QChar(static_cast<char16_t>(app::cp1252CodePoint(static_cast<unsigned char>(c)))));
    }
    return text;
}

std::string toCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t codePoint : text.toUcs4()) bytes.push_back(app::cp1252Byte(codePoint));
    return bytes;
}

}  // namespace ui
