// Windows-1252, the code page of every text: Latin-1 plus the table of the bytes 0x80-0x9F. The five bytes
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same
// value, so every byte has a code point and round-trips.
#pragma once

namespace app {

char32_t cp1252CodePoint(unsigned char byte);
// False for the five bytes the code page leaves undefined.
bool cp1252Defined(unsigned char byte);
// The byte that stands for the code point; '?' when the code page cannot hold it.
char cp1252Byte(char32_t codePoint);

}  // namespace app
