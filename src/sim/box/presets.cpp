#include "sim/box/presets.h"

namespace sim {

namespace {

void prepareDefault(SimBackend&) {}

}  // namespace

const std::vector<Preset>& presets() {
    static const std::vector<Preset> table = {
        {"default", "one box, default layout, erased memory", prepareDefault},
    };
    return table;
}

std::shared_ptr<SimBackend> makePresetBox(const std::string& name) {
    const std::string wanted = name.empty() ? "default" : name;
    for (const Preset& preset : presets()) {
        if (wanted != preset.name) continue;
        auto box = std::make_shared<SimBackend>();
        preset.prepare(*box);
        return box;
    }
    return nullptr;
}

}  // namespace sim
