// The fixed catalogue of the eleven supported products and the texts shown for them.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace catalogue {

struct Product {
    std::string name;          // shown in the product list
    std::string reference;     // compared with the reference the box reports
    std::string manualInfo;    // shown when the operator picks the entry
    std::string detectedInfo;  // shown when the program picks the entry after identifying the box
};

inline constexpr int productCount = 11;

// Entry 10 stands for a box whose identity failed its check; its reference "_FIX" is never reported by a box.
inline constexpr int damagedProductIndex = 10;

extern const std::array<Product, productCount> productTable;

// First entry whose reference equals `reference` byte for byte; none when nothing matches.
[[nodiscard]] std::optional<int> findProductByReference(const std::string& reference);

// The product list line of an entry: "[" + reference + "] " + name. Empty for an index outside the table.
std::string productListItem(int index);

// What selecting `index` puts into the log: the entry's manualInfo when the operator picked it, its
// detectedInfo when the program did, and the welcome banner for -1 or any index outside the table.
const std::string& productSelectionText(int index, bool operatorFlag);

}  // namespace catalogue
