#include "cli/backend_choice.h"

#include <cstdio>
#include <filesystem>

#include "hid/backend.h"
#include "hid/tracing_backend.h"
#include "sim/box/presets.h"

namespace cli {

BackendChoice::BackendChoice(const GlobalOptions& options) : saveFailed_(options.stateSaveFailed) {
    std::shared_ptr<hid::Backend> chosen;
    if (!options.simulate) {
        chosen = hid::makePlatformBackend();
    } else {
        std::string unknown;
        box_ = sim::makePresetBox(options.simulatePreset, nullptr, &unknown);
        if (!box_) {
            error_ = "unknown simulation preset '" + unknown + "'; presets:";
            for (const sim::Preset& preset : sim::presets()) error_ += std::string(" ") + preset.name;
            return;
        }
        if (options.simPaced) box_->setPaced(true);
        if (!options.simState.empty()) {
            std::error_code ignored;
            std::string cause;
            if (std::filesystem::exists(options.simState, ignored) &&
                !box_->loadMemory(options.simState, &cause)) {
                error_ = "cannot load the simulated box's memory from " + options.simState + ": " + cause +
                         "; delete the file to start with a fresh box";
                box_.reset();
                return;
            }
            statePath_ = options.simState;
        }
        chosen = box_;
    }
    if (!options.simTrace.empty()) {
        auto tracing = hid::TracingBackend::open(chosen, options.simTrace);
        if (!tracing) {
            error_ = "cannot open the frame trace " + options.simTrace;
            box_.reset();
            return;
        }
        chosen = tracing;
    }
    backend_ = std::move(chosen);
    // An interrupted run keeps what the box holds at that moment; the save replaces the file whole.
    if (!statePath_.empty())
        saveOnInterrupt_ = std::make_unique<CleanupRegistration>([this] { saveState(); });
}

void BackendChoice::saveState() const {
    std::string cause;
    if (box_->saveMemory(statePath_, &cause)) return;
    if (saveFailed_) *saveFailed_ = true;
    std::fprintf(stderr, "arvex-cli: cannot save the simulated box's memory to %s: %s\n", statePath_.c_str(),
                 cause.c_str());
}

BackendChoice::~BackendChoice() {
    saveOnInterrupt_.reset();
    if (box_ && !statePath_.empty()) saveState();
}

}  // namespace cli
