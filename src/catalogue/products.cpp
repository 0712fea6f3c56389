#include "catalogue/products.h"

#include "catalogue/banner.h"

namespace catalogue {
namespace {

const std::string kStandardBody = "- Proceed with the operations\r\n";

std::string instructionText(const std::string& productLine, const std::string& referenceLine,
                            const std::string& body) {
    return "Product : " + productLine + "\r\nReference : " + referenceLine + "\r\n\r\nINSTRUCTIONS\r\n\r\n" +
           body;
}

Product product(const std::string& name, const std::string& reference, const std::string& manualBody,
                const std::string& detectedBody) {
    return {name, reference, instructionText(name, reference, manualBody),
            instructionText(name, reference, detectedBody)};
}

Product standardProduct(const std::string& name, const std::string& reference) {
    return product(name, reference, kStandardBody, kStandardBody);
}

std::array<Product, productCount> buildProductTable() {
    const std::string notSupported =
        "- This product can't be upgraded via internet (not supported)\r\n"
        "- Please contact with our staff for give you manual instructions\r\n";
    const std::string pressConnect =
        "- Press Connect and wait for see info readed\r\n"
        "- Proceed with the operations\r\n";
    // The damaged-box entry names neither its own name nor its reference in its texts.
    const std::string damagedText = instructionText("Damaged Arvex", "DAMAGED", kStandardBody);
    return {{
        standardProduct("Arvex BT Compatibilizer", "AB01"),
        product("Arvex Kiro", "AK01", notSupported, notSupported),
        product("Arvex Kiro+", "AK02", pressConnect, kStandardBody),
        standardProduct("Arvex Kiro Advanced", "AK03"),
        standardProduct("Arvex Kiro Prototype", "AK90"),
        standardProduct("Arvex Lume1", "AL01"),
        standardProduct("Arvex Lume2", "AL02"),
        standardProduct("Arvex Sento MMI", "AS01"),
        standardProduct("Arvex Sento MMI PRO", "AS02"),
        standardProduct("Arvex Sento RNS510", "AS10"),
        {"Damaged box", "_FIX", damagedText, damagedText},
    }};
}

bool inTable(int index) {
    return index >= 0 && index < productCount;
}

}  // namespace

const std::array<Product, productCount> productTable = buildProductTable();

std::optional<int> findProductByReference(const std::string& reference) {
    for (int i = 0; i < productCount; ++i) {
        if (productTable[i].reference == reference) return i;
    }
    return std::nullopt;
}

std::string productListItem(int index) {
    if (!inTable(index)) return {};
    return "[" + productTable[index].reference + "] " + productTable[index].name;
}

const std::string& productSelectionText(int index, bool operatorFlag) {
    if (!inTable(index)) return welcomeBanner;
    return operatorFlag ? productTable[index].manualInfo : productTable[index].detectedInfo;
}

}  // namespace catalogue
