// Named starting points for the simulated box, as the CLI's --simulate=PRESET and the demo choose them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/box/sim_backend.h"

namespace sim {

struct Preset {
    const char* name;
    const char* description;
    // Seeds the memory of box `index` on the bus (made with config()) or changes the bus's settings.
    void (*prepare)(SimBackend& bus, std::size_t index);
    BoxConfig (*config)() = nullptr;  // the box's layout; null: defaultBoxConfig()
};

const std::vector<Preset>& presets();

// A bus with one box per preset of a comma-separated list ("good,ak03,good"; "" and "default" are "good"),
// box i at SimBackend::pathOf(i); null when a name is no preset (its name then in *unknown). `layout`, when
// given, changes each preset's layout before the box is made (the demo splits off the information area).
std::shared_ptr<SimBackend> makePresetBox(const std::string& names, BoxConfig (*layout)(BoxConfig) = nullptr,
                                          std::string* unknown = nullptr);

// Adds one more box of the preset to the bus (at the next position); false when no preset has that name.
[[nodiscard]] bool addPresetBox(SimBackend& bus, const std::string& name,
                                BoxConfig (*layout)(BoxConfig) = nullptr);

// The serial a preset's box carries at a position on the bus: the preset's own at position 0, and
// position * 1000000 more further on, so that several boxes of one preset stay apart.
[[nodiscard]] std::uint32_t serialAt(std::uint32_t presetSerial, std::size_t index);

}  // namespace sim
