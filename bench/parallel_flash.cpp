// N paced simulated boxes on one bus, programmed at once by the runner behind `arvex-cli flash FILE --all`
// (each box on its own BootLoader and worker). Prints the wall time as a ratio to one box's time in the same
// run (each box has its own link, so the host should not be the bottleneck; target <= 1.15 for N = 4) and the
// process's CPU time per box, which must not grow with N.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/flash_job.h"
#include "cli/fleet.h"
#include "sim/box/hex_writer.h"
#include "sim/box/presets.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string writeImage() {
    std::vector<std::uint8_t> bytes(64 * 1024);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 1);
    const std::string file = (std::filesystem::temp_directory_path() / "arvex-parallel-flash.hex").string();
    std::ofstream(file) << sim::toIntelHex({{0x1D000000, bytes}});
    return file;
}

struct Round {
    bool ok = false;
    double wallSeconds = 0, cpuSecondsPerBox = 0;
};

Round flashAll(std::size_t boxes, const std::string& image) {
    std::string names = "good";
    for (std::size_t i = 1; i < boxes; ++i) names += ",good";
    const auto bus = sim::makePresetBox(names);
    bus->setPaced(true);  // with the realistic erase time
    std::FILE* quiet = std::fopen("/dev/null", "w");
    cli::FleetBoard board(quiet, cli::FleetBoard::Style::plain);
    const cli::FlashRequest request{image, 0, 5};
    const double cpuBefore = cpuSeconds();
    const auto began = Clock::now();
    const int code = cli::runOnAll(
        cli::presentBoxes(*bus),
        [&](const std::string& path, cli::BoxReporter& reporter) {
            return cli::flashBox(bus, path, request, reporter);
        },
        board);
    Round round;
    round.wallSeconds = std::chrono::duration<double>(Clock::now() - began).count();
    round.cpuSecondsPerBox = (cpuSeconds() - cpuBefore) / static_cast<double>(boxes);
    round.ok = code == 0 && board.rowCount() == boxes;
    std::fclose(quiet);
    return round;
}

}  // namespace

int main() {
    const std::string image = writeImage();
    double single = 0;
    bool allOk = true;
    double ratioAt4 = 0;
    std::printf("%-6s %10s %8s %14s\n", "boxes", "wall", "ratio", "cpu per box");
    for (const std::size_t boxes : {1u, 2u, 4u, 8u}) {
        const Round round = flashAll(boxes, image);
        if (boxes == 1) single = round.wallSeconds;
        const double ratio = round.wallSeconds / single;
        if (boxes == 4) ratioAt4 = ratio;
        allOk = allOk && round.ok;
        std::printf("%-6zu %8.2f s %8.3f %11.1f ms%s\n", boxes, round.wallSeconds, ratio,
                    round.cpuSecondsPerBox * 1000, round.ok ? "" : "  FAILED");
    }
    std::filesystem::remove(image);
    std::printf("ratio for 4 boxes: %.3f (target <= 1.15)\n", ratioAt4);
    return allOk ? 0 : 1;
}
