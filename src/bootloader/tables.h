// What one session knows of its box besides its status fields: the memory map with its image buffers,
// the identity scratch and the diagnostic hook. Each BootLoader owns one; the worker writes them while an
// operation runs, other threads touch them only between operations.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "bootloader/memory_map.h"

namespace bootloader {

struct IdentityScratch {
    std::array<char, 5> reference{};  // 4 characters and a NUL
    std::uint64_t serial = 0;
    std::array<char, 33> reseller{};        // 32 characters and a NUL
    std::array<char, 9> firmwareVersion{};  // 8 characters and a NUL
    std::uint32_t hardwareVersion = 0;
};

using DiagnosticHook = std::function<void(int level, const std::string& text)>;

struct SessionTables {
    MemoryMap map;
    std::array<IdentityScratch, 2> scratch;
    DiagnosticHook diagnosticHook;  // the application installs none
};

// Frees the image buffers of the map.
void releaseImages(MemoryMap& map);

// Regions whose image would exceed this many bytes are refused: the box's sizes are not trusted.
inline constexpr std::uint64_t kMaxImageBytes = 64ull * 1024 * 1024;

}  // namespace bootloader
