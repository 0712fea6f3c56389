// Windows-1252 bytes <-> Qt strings, at the controls. Latin-1 plus the 0x80-0x9F table; the five bytes that
// the code page leaves undefined map to the control characters of the same value, so every byte
// round-trips. Characters the code page cannot hold become '?'.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

QString fromCp1252(std::string_view bytes);
std::string toCp1252(const QString& text);

}  // namespace ui
