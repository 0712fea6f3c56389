#include "sim/server/catalogue_answers.h"

#include <vector>

#include "server/documents.h"

namespace sim {

using server::escapeAttribute;

std::string fileStatusBlock(std::uint64_t size) {
    return "1\r\n" + std::to_string(size) + "||\r\n";
}

Answer statusAnswer(const std::string& id, const std::string& key, const std::string& status) {
    return Answer{"<zekCom><resp id=\"" + escapeAttribute(id) + "\" serverkey=\"" + escapeAttribute(key) +
                      "\">" + status + "</resp></zekCom>",
                  true};
}

Answer listAnswer(const Catalogue& catalogue, const std::string& id, const std::string& folderId,
                  const std::string* pattern) {
    const std::string folder = folderId.empty() ? "0" : folderId;
    const std::string location = catalogue.folderPath(folder);
    std::string text = "<zekCom><resp id=\"" + escapeAttribute(id) + "\" cred=\"100\"><loc p=\"" +
                       escapeAttribute(location) + "\"/>";
    auto fileElement = [&](const std::string& fileId, const std::string& name, const std::string& size,
                           const std::string& type, const std::string& price, const std::string& path) {
        text += "<file fileid=\"" + escapeAttribute(fileId) + "\" name=\"" + escapeAttribute(name) +
                "\" size=\"" + size + "\" type=\"" + type + "\" price=\"" + escapeAttribute(price) +
                "\" path=\"" + escapeAttribute(path) + "\"/>";
    };
    const CatalogueEntry* current = catalogue.find(folder);
    if (current != nullptr && current->folder)  // the way back up
        fileElement(current->parentId, "..", "0", "L1", "0", "/" + catalogue.folderPath(current->parentId));
    const std::vector<const CatalogueEntry*> entries =
        pattern != nullptr ? catalogue.search(folder, *pattern) : catalogue.children(folder);
    for (const CatalogueEntry* entry : entries) {
        const std::string parentPath = "/" + catalogue.folderPath(entry->parentId);
        fileElement(entry->id, entry->name, entry->folder ? "0" : std::to_string(entry->size),
                    entry->folder ? "00" : "10", entry->price, parentPath);
    }
    text += "</resp></zekCom>";
    return Answer{text, true};
}

Answer fileAnswer(const Catalogue& catalogue, const std::string& fileId) {
    const CatalogueEntry* entry = catalogue.find(fileId);
    if (entry == nullptr || entry->folder) return Answer{"0\r\nFile not found||\r\n"};
    // The status block announces the whole file, also when the short-body fault cuts it.
    return Answer{fileStatusBlock(entry->size), false, entry};
}

}  // namespace sim
