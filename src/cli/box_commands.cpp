// arvex-cli devices and info: which boxes are plugged in, and what the box's bootloader says about itself.
#include <array>
#include <cstdio>
#include <cstdlib>

#include "app/console_view.h"
#include "bootloader/session.h"
#include "bootloader/tables.h"
#include "cli/backend_choice.h"
#include "cli/box_pick.h"
#include "cli/box_wait.h"
#include "cli/commands.h"
#include "hid/backend.h"
#include "hid/discovery.h"

namespace cli {

namespace {

const char* regionKind(std::uint8_t type) {
    switch (type) {
        case 1:
            return "program";
        case 3:
            return "configuration";
        default:
            return "other";
    }
}

ExitCode listDevices(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    if (!arguments.empty()) return usageError("devices", "unexpected argument '" + arguments[0] + "'");
    BackendChoice choice(options);
    if (!choice.ok()) {
        std::fprintf(stderr, "arvex-cli: %s\n", choice.error().c_str());
        return ExitCode::usage;
    }
    const std::vector<BoxListing> boxes = listBoxes(choice.backend(), true);
    for (const BoxListing& box : boxes) {
        std::printf("%s  %s  serial %s%s%s\n", box.path.c_str(), box.hardwareId.c_str(),
                    box.serial ? app::cp1252ToUtf8(*box.serial).c_str() : "?",
                    box.openProblem.empty() ? "" : "  ", box.openProblem.c_str());
        JsonLine event = Events::event("found", box.path);
        event.text("hardwareId", box.hardwareId).flag("openable", box.openProblem.empty());
        if (box.serial) event.text("serial", *box.serial);
        if (!box.openProblem.empty()) event.text("problem", box.openProblem);
        options.events->emit(event);
    }
    if (boxes.empty()) {
        std::fprintf(stderr, "arvex-cli: no Arvex box found (USB %s)\n", hid::deviceMatchPattern);
        return ExitCode::noBox;
    }
    for (const BoxListing& box : boxes)
        if (!box.openProblem.empty()) std::fprintf(stderr, "arvex-cli: %s\n", box.openProblem.c_str());
    return ExitCode::done;
}

void printLayout(const bootloader::MemoryMap& map, int target) {
    std::printf("target %d\n", target);
    std::printf("  packet data size:  %u bytes\n", static_cast<unsigned>(map.packetDataSize));
    std::printf("  family:            %u\n", static_cast<unsigned>(map.family));
    std::printf("  bytes per address: %u\n", static_cast<unsigned>(map.bytesPerAddress));
    std::printf("  regions:           %u\n", static_cast<unsigned>(map.regionCount));
    for (std::size_t r = 0; r < map.regionCount; ++r) {
        const bootloader::Region& region = map.regions[r];
        std::printf("    %zu: type %u %-14s start 0x%08X  size 0x%08X units\n", r + 1,
                    static_cast<unsigned>(region.type), regionKind(region.type), region.start, region.size);
    }
}

ExitCode showInfo(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    int target = 0;
    if (arguments.size() == 2 && arguments[0] == "--target" && (arguments[1] == "0" || arguments[1] == "1")) {
        target = std::atoi(arguments[1].c_str());
    } else if (!arguments.empty()) {
        return usageError("info", arguments[0] == "--target" ? "--target takes 0 or 1"
                                                             : "unexpected argument '" + arguments[0] + "'");
    }
    BackendChoice choice(options);
    if (!choice.ok()) {
        std::fprintf(stderr, "arvex-cli: %s\n", choice.error().c_str());
        return ExitCode::usage;
    }
    const BoxPick pick = pickBox(options, choice.backend());
    if (pick.code != ExitCode::done) return pick.code;
    bootloader::BootLoader session(choice.backend(), {}, pick.path);
    if (session.selectTarget(target) != bootloader::AccessResult::ok) {
        std::fprintf(stderr, "arvex-cli: target %d does not exist: use 0 or 1\n", target);
        return ExitCode::usage;
    }
    if (!waitForBox(session, options.waitSeconds)) {
        const base::Status cause = session.lastFailure();
        std::fprintf(stderr, "arvex-cli: no Arvex box found (USB %s) within %d s%s%s\n",
                     hid::deviceMatchPattern, options.waitSeconds, session.discoveryResult == 1 ? ": " : "",
                     session.discoveryResult == 1 ? cause.cause().c_str() : "");
        return ExitCode::noBox;
    }
    // The session open keeps no trace of a failed query other than an empty layout.
    const bootloader::MemoryMap& map = session.memoryMap();
    if (map.packetDataSize == 0 && map.regionCount == 0) {
        std::fprintf(stderr, "arvex-cli: the box at %s did not answer the query\n",
                     session.devicePath().c_str());
        return ExitCode::failed;
    }
    options.events->found(session.devicePath());
    std::printf("box: %s\n", session.devicePath().c_str());
    printLayout(map, target);
    return ExitCode::done;
}

const std::array kCommands = {
    Command{"devices", "devices", "list the Arvex boxes plugged in", "", listDevices},
    Command{"info", "info [--target 0|1]", "connect and show the box's memory layout",
            "  --target 0|1      the processor to ask (default 0)\n", showInfo},
};

}  // namespace

std::span<const Command> boxCommands() {
    return kCommands;
}

}  // namespace cli
