#include "cli/backend_choice.h"

#include <cstdio>
#include <filesystem>

#include "hid/backend.h"
#include "hid/hidapi_backend.h"
#include "sim/box/presets.h"

namespace cli {

BackendChoice::BackendChoice(const GlobalOptions& options) {
    if (!options.simulate) {
        hid::setBackend(std::make_shared<hid::HidapiBackend>());
        return;
    }
    box_ = sim::makePresetBox(options.simulatePreset);
    if (!box_) {
        error_ = "unknown simulation preset '" + options.simulatePreset + "'; presets:";
        for (const sim::Preset& preset : sim::presets()) error_ += std::string(" ") + preset.name;
        return;
    }
    if (!options.simState.empty()) {
        std::error_code ignored;
        if (std::filesystem::exists(options.simState, ignored) && !box_->loadMemory(options.simState)) {
            error_ = "cannot load the simulated box's memory from " + options.simState;
            box_.reset();
            return;
        }
        statePath_ = options.simState;
    }
    if (!options.simTrace.empty() && !box_->setTraceFile(options.simTrace)) {
        error_ = "cannot open the frame trace " + options.simTrace;
        box_.reset();
        return;
    }
    hid::setBackend(box_);
}

BackendChoice::~BackendChoice() {
    if (box_ && !statePath_.empty() && !box_->saveMemory(statePath_))
        std::fprintf(stderr, "arvex-cli: cannot save the simulated box's memory to %s\n", statePath_.c_str());
}

}  // namespace cli
