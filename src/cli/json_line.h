// arvex-cli --json: one flat JSON object, built field by field and written as one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

class JsonLine {
public:
    // Texts are UTF-8; a byte sequence that is not valid UTF-8 is taken as Windows-1252 (the box's and the
    // server's texts) and converted, so the line is always valid JSON.
    JsonLine& text(std::string_view key, std::string_view value);
    JsonLine& number(std::string_view key, std::int64_t value);
    JsonLine& flag(std::string_view key, bool value);
    std::string str() const { return body_ + "}"; }

private:
    void key(std::string_view name);
    std::string body_ = "{";
};

// The JSON string literal of a text, quotes included.
std::string jsonQuoted(std::string_view text);

}  // namespace cli
