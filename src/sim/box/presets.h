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
    void (*prepare)(SimBackend& box);  // seeds memory or changes settings of a box made with config()
    BoxConfig (*config)() = nullptr;   // the box's layout; null: defaultBoxConfig()
};

const std::vector<Preset>& presets();

// A box for the named preset ("" and "default" are "good"); null when no preset has that name. `layout`, when
// given, changes the preset's layout before the box is made (the demo splits off the information area).
std::shared_ptr<SimBackend> makePresetBox(const std::string& name, BoxConfig (*layout)(BoxConfig) = nullptr);

}  // namespace sim
