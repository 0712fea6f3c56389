#include "sim/server/catalogue.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace sim {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::map<std::string, std::string> readPrices(const fs::path& folder) {
    std::map<std::string, std::string> prices;
    std::ifstream in(folder / ".prices");
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t space = line.rfind(' ');
        if (space != std::string::npos) prices[line.substr(0, space)] = line.substr(space + 1);
    }
    return prices;
}

}  // namespace

bool Catalogue::load(const std::string& root) {
    std::error_code error;
    if (!fs::is_directory(root, error)) return false;
    root_ = root;
    entries_.clear();
    scan("0", "");
    return true;
}

void Catalogue::scan(const std::string& folderId, const std::string& relative) {
    const fs::path folder = relative.empty() ? fs::path(root_) : fs::path(root_) / relative;
    std::vector<fs::directory_entry> items;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error))
        if (item.path().filename().string().rfind('.', 0) != 0) items.push_back(item);
    // Folders first, then files, each by name: a stable numbering from run to run.
    std::sort(items.begin(), items.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
        const bool aFolder = a.is_directory(), bFolder = b.is_directory();
        if (aFolder != bFolder) return aFolder;
        return a.path().filename() < b.path().filename();
    });
    const auto prices = readPrices(folder);
    std::vector<std::pair<std::string, std::string>> subFolders;
    for (const auto& item : items) {
        CatalogueEntry entry;
        entry.id = std::to_string(entries_.size() + 1);
        entry.parentId = folderId;
        entry.name = item.path().filename().string();
        entry.relativePath = relative.empty() ? entry.name : relative + "/" + entry.name;
        entry.folder = item.is_directory();
        if (!entry.folder) {
            entry.size = item.file_size(error);
            if (const auto price = prices.find(entry.name); price != prices.end())
                entry.price = price->second;
        } else {
            subFolders.emplace_back(entry.id, entry.relativePath);
        }
        entries_.push_back(std::move(entry));
    }
    for (const auto& [id, path] : subFolders) scan(id, path);
}

std::vector<const CatalogueEntry*> Catalogue::children(const std::string& folderId) const {
    const std::string id = folderId.empty() ? "0" : folderId;
    std::vector<const CatalogueEntry*> found;
    for (const CatalogueEntry& entry : entries_)
        if (entry.parentId == id) found.push_back(&entry);
    return found;
}

const CatalogueEntry* Catalogue::find(const std::string& id) const {
    for (const CatalogueEntry& entry : entries_)
        if (entry.id == id) return &entry;
    return nullptr;
}

std::string Catalogue::folderPath(const std::string& folderId) const {
    const CatalogueEntry* folder = find(folderId);
    return folder != nullptr && folder->folder ? folder->relativePath : std::string();
}

std::vector<const CatalogueEntry*> Catalogue::search(const std::string& folderId,
                                                     const std::string& pattern) const {
    const std::string prefix = folderPath(folderId);
    const std::string wanted = lower(pattern);
    std::vector<const CatalogueEntry*> found;
    for (const CatalogueEntry& entry : entries_) {
        if (entry.folder) continue;
        if (!prefix.empty() && entry.relativePath.rfind(prefix + "/", 0) != 0) continue;
        if (lower(entry.name).find(wanted) != std::string::npos) found.push_back(&entry);
    }
    return found;
}

std::string Catalogue::fullPath(const CatalogueEntry& entry) const {
    return (fs::path(root_) / entry.relativePath).string();
}

}  // namespace sim
