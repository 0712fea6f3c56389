#include "ui/demo_road.h"

#include "sim/box/presets.h"
#include "sim/box/sim_backend.h"
#include "sim/server/support_server.h"

namespace ui {

std::string demoUsage() {
    return "usage: arvex-updater-demo [--preset NAME] [--sim-trace FILE] [--list-presets]\n"
           "  The updater's window with a simulated box plugged in and a stand-in support server on\n"
           "  127.0.0.1 (a free port) serving the sample catalogue. The default preset is \"good\".\n";
}

std::string demoPresetList() {
    std::string list;
    for (const sim::Preset& preset : sim::presets())
        list += std::string("  ") + preset.name + ": " + preset.description + "\n";
    return list;
}

std::optional<std::string> parseDemoOptions(const std::vector<std::string>& arguments, DemoOptions& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--preset" || argument == "--sim-trace";
        if (takesValue && i + 1 >= arguments.size()) return argument + " wants a value";
        if (argument == "--preset") {
            options.preset = arguments[++i];
        } else if (argument.starts_with("--preset=")) {
            options.preset = argument.substr(9);
        } else if (argument == "--sim-trace") {
            options.simTrace = arguments[++i];
        } else if (argument.starts_with("--sim-trace=")) {
            options.simTrace = argument.substr(12);
        } else if (argument == "--list-presets") {
            options.listPresets = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else {
            return "unknown option " + argument;
        }
    }
    return std::nullopt;
}

DemoRoad::DemoRoad() = default;

DemoRoad::~DemoRoad() {
    if (server_) server_->stop();
}

std::optional<std::string> DemoRoad::start(const DemoOptions& options) {
    // The information area as a region of its own, so that an update changes the firmware version shown.
    box_ = sim::makePresetBox(options.preset, sim::withInformationAreaRegion);
    if (!box_) return "no simulated box preset named \"" + options.preset + "\"";
    box_->setPaced(true);
    if (!options.simTrace.empty() && !box_->setTraceFile(options.simTrace))
        return "cannot write the frame trace " + options.simTrace;
    server_ = std::make_unique<sim::SupportServer>();
    if (!server_->start(0)) return "the stand-in support server could not start";
    return std::nullopt;
}

app::UpdaterSetup DemoRoad::setup() const {
    app::UpdaterSetup setup;
    setup.backend = box_;
    setup.server = app::ServerEndpoint{"127.0.0.1", server_->port()};
    return setup;
}

}  // namespace ui
