#include "app/firmware_container.h"

#include <algorithm>
#include <new>

namespace app {
namespace {

struct MarkerLine {
    std::size_t position = std::string_view::npos;
    std::size_t length = 0;
    bool found() const { return position != std::string_view::npos; }
};

// The first marker followed by LF counts; only when there is none, the first one followed by CR LF.
MarkerLine findMarkerLine(std::string_view text, std::string_view marker) {
    const std::string withLf = std::string(marker) + "\n";
    const std::string withCrLf = std::string(marker) + "\r\n";
    if (auto at = text.find(withLf); at != std::string_view::npos) return {at, withLf.size()};
    if (auto at = text.find(withCrLf); at != std::string_view::npos) return {at, withCrLf.size()};
    return {};
}

}  // namespace

SplitContainer splitContainer(std::string_view text) {
    SplitContainer split;
    if (text.size() < 7) {
        split.result = ContainerResult::tooShort;
        return split;
    }
    if (text[0] != '1') {
        split.result = ContainerResult::badKind;
        return split;
    }
    split.resetRequested = text.find("RESET") != std::string_view::npos;
    split.eraseUserDataRequested = text.find("ERASE_USER_DATA") != std::string_view::npos;

    const MarkerLine a = findMarkerLine(text, ":0000000aff");
    const MarkerLine b = findMarkerLine(text, ":0000000bff");
    if (!a.found() && !b.found()) {
        split.result = ContainerResult::noMarkers;
        return split;
    }
    const std::size_t start = a.found() ? a.position : 9;
    const std::size_t end = b.found() ? b.position : text.size();
    if (start >= end) {
        split.result = ContainerResult::markerOrder;
        return split;
    }
    try {
        if (a.found()) {
            const std::size_t from = std::min(a.position + a.length, end);
            split.imageA = std::string(text.substr(from, end - from));
        }
        if (b.found()) split.imageB = std::string(text.substr(b.position + b.length));
    } catch (const std::bad_alloc&) {
        split.imageA.reset();
        split.imageB.reset();
        split.result = ContainerResult::noMemory;
    }
    return split;
}

bool isContainerName(std::string_view name) {
    if (name.size() < 4) return false;
    std::string tail(name.substr(name.size() - 4));
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".hex";
}

}  // namespace app
