// The stand-in server's catalogue: a folder tree on disk, every folder and file numbered in a stable order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct CatalogueEntry {
    std::string id;  // "1", "2", ...; the top folder is "0"
    std::string parentId;
    std::string name;
    std::string relativePath;  // below the top folder, '/'-separated
    bool folder = false;
    std::uint64_t size = 0;
    std::string price = "0";
};

class Catalogue {
public:
    // Reads the tree below root. Hidden names (starting with '.') are left out; a ".prices" file in a
    // folder gives prices as "NAME PRICE" lines.
    bool load(const std::string& root);

    const std::string& root() const { return root_; }
    std::vector<const CatalogueEntry*> children(const std::string& folderId) const;
    const CatalogueEntry* find(const std::string& id) const;
    std::string folderPath(const std::string& folderId) const;  // "" for the top folder
    // Files whose name contains pattern (any letter case), anywhere below the folder.
    std::vector<const CatalogueEntry*> search(const std::string& folderId, const std::string& pattern) const;
    std::string fullPath(const CatalogueEntry& entry) const;

private:
    void scan(const std::string& folderId, const std::string& relative);

    std::string root_;
    std::vector<CatalogueEntry> entries_;
};

}  // namespace sim
