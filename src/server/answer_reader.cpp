#include "server/answer_reader.h"

#include <tinyxml2.h>

#include <cstring>
#include <vector>

namespace server {

namespace {

constexpr const char* kOpen = "<zekCom";
constexpr const char* kClose = "</zekCom";
// Debug output is short; these bounds keep a hostile answer from costing more than a few hundred parses.
constexpr std::size_t kMaxStarts = 16;
constexpr std::size_t kMaxEnds = 32;

bool endsName(const std::string& text, std::size_t at) {
    if (at >= text.size()) return false;
    const char c = text[at];
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Positions where a "<zekCom" tag (not "<zekComX") begins.
std::vector<std::size_t> openings(const std::string& text) {
    std::vector<std::size_t> found;
    for (std::size_t at = text.find(kOpen); at != std::string::npos && found.size() < kMaxStarts;
         at = text.find(kOpen, at + 1))
        if (endsName(text, at + std::strlen(kOpen))) found.push_back(at);
    return found;
}

// One past the '>' of the tag that begins at start, skipping quoted attribute values; npos if none.
std::size_t tagEnd(const std::string& text, std::size_t start) {
    char quote = 0;
    for (std::size_t at = start; at < text.size(); ++at) {
        const char c = text[at];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return at + 1;
        }
    }
    return std::string::npos;
}

// Ends of the element that may begin at start: the tag itself when it closes itself, and every
// "</zekCom>" after it (the first that parses is the matching one; nesting and comments fail earlier ends).
std::vector<std::size_t> candidateEnds(const std::string& text, std::size_t start) {
    std::vector<std::size_t> ends;
    const std::size_t openEnd = tagEnd(text, start);
    if (openEnd == std::string::npos) return ends;
    if (openEnd >= 2 && text[openEnd - 2] == '/') ends.push_back(openEnd);
    for (std::size_t at = text.find(kClose, openEnd); at != std::string::npos && ends.size() < kMaxEnds;
         at = text.find(kClose, at + 1)) {
        if (!endsName(text, at + std::strlen(kClose))) continue;
        const std::size_t end = text.find('>', at);
        if (end == std::string::npos) break;
        ends.push_back(end + 1);
    }
    return ends;
}

const tinyxml2::XMLElement* parse(const char* data, std::size_t size, tinyxml2::XMLDocument& document) {
    if (document.Parse(data, size) != tinyxml2::XML_SUCCESS) return nullptr;
    return document.FirstChildElement("zekCom");
}

}  // namespace

const tinyxml2::XMLElement* readFirstZekCom(const std::string& text, tinyxml2::XMLDocument& document) {
    // A clean document (declaration and byte-order mark included) is read as it stands.
    if (const tinyxml2::XMLElement* root = parse(text.data(), text.size(), document)) return root;
    for (const std::size_t start : openings(text)) {
        for (const std::size_t end : candidateEnds(text, start)) {
            if (const tinyxml2::XMLElement* root = parse(text.data() + start, end - start, document))
                return root;
        }
    }
    document.Clear();
    return nullptr;
}

}  // namespace server
