// Finds the answer document inside what the server sent: the first complete top-level zekCom element,
// wherever debug output, a declaration, a byte-order mark or trailing text sit around it.
#pragma once

#include <string>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace server {

// Parses into document and returns its zekCom element, or nullptr when the text holds no complete one.
const tinyxml2::XMLElement* readFirstZekCom(const std::string& text, tinyxml2::XMLDocument& document);

}  // namespace server
