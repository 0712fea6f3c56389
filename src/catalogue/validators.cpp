#include "catalogue/validators.h"

#include <cstring>

namespace catalogue {
namespace {

bool allowedByte(unsigned char byte) {
    if (byte >= 'a' && byte <= 'z') return true;
    if (byte >= 'A' && byte <= 'Z') return true;
    if (byte >= '0' && byte <= '9') return true;
    if (byte == 0x00 || byte == 0xF1 || byte == 0xD1) return true;
    return std::strchr(" !#$&(),-.:;@_", byte) != nullptr;
}

}  // namespace

bool checkText(const std::string& text, std::uint32_t minimum, std::uint32_t maximum) {
    const std::size_t length = text.size();
    if (length < minimum || length > maximum) return false;
    for (char c : text) {
        if (!allowedByte(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool checkEmail(const std::string& text) {
    const std::size_t length = text.size();
    if (length <= 4) return false;
    if (!checkText(text, 1, 64)) return false;
    const std::size_t at = text.find('@');
    if (at == std::string::npos) return false;
    const std::size_t position = at + 1;  // 1-based
    return position > 1 && position + 2 < length;
}

}  // namespace catalogue
