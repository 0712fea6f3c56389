// Process-wide tables of the session: the memory map with its image buffers, the identity scratch and
// the diagnostic hook. They exist once per process, like the session itself.
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

SessionTables& tables();
inline MemoryMap& memoryMap() {
    return tables().map;
}

// Writes through the diagnostic hook when one is installed.
void diagnostic(int level, const std::string& text);

// For tests: the tables and the device binding as at process start.
void resetProcessState();

// Binds the platform's device services once per process (see hid::bindFacilities) and resets the tables.
std::uint8_t bindSystemLibraries();

// Releases the image buffers and forgets the device path.
void disconnect();
void releaseImages();

// Regions whose image would exceed this many bytes are refused: the box's sizes are not trusted.
inline constexpr std::uint64_t kMaxImageBytes = 64ull * 1024 * 1024;

}  // namespace bootloader
