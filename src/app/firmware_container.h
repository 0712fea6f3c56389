// The firmware container the server delivers for a ".hex" entry: up to two Intel HEX images between marker
// lines, plus the words that ask for a reset and an erase of the user data after programming.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// Results of splitting a container (and of programContainer).
enum class ContainerResult : std::int32_t {
    split = 0,
    tooShort = 2,
    badKind = 16,      // first character is not "1"
    noMarkers = 32,    // neither marker line present
    markerOrder = 34,  // marker line B does not lie after marker line A
    noMemory = 48,
};

// Which images a split container held (containerKind): bit 0 image A (target 0), bit 1 image B (target 1).
enum ContainerKind : std::int32_t { kNoImage = 0, kImageA = 1, kImageB = 2, kBothImages = 3 };

struct SplitContainer {
    ContainerResult result = ContainerResult::split;
    bool resetRequested = false;
    bool eraseUserDataRequested = false;
    std::optional<std::string> imageA;  // text after marker line A up to marker line B (or the end)
    std::optional<std::string> imageB;  // text after marker line B to the end
    [[nodiscard]] std::int32_t kind() const { return (imageA ? kImageA : 0) | (imageB ? kImageB : 0); }
};

// Splits the text; the request words are read before the markers are looked for, so they are set for
// noMarkers and markerOrder too (programContainer passes them to the bootloader in that order).
[[nodiscard]] SplitContainer splitContainer(std::string_view text);

// Whether a catalogue file is a firmware container: its name ends in ".hex", in any case.
[[nodiscard]] bool isContainerName(std::string_view name);

}  // namespace app
