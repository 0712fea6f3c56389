// arvex-updater-demo [--preset NAME] [--sim-trace FILE]: the updater's window with a simulated box plugged
// in and the stand-in support server on a free loopback port, so that the whole road can be walked by hand.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/updater_window.h"
#include "sim/server/support_server.h"
#include "ui/demo_box_panel.h"
#include "ui/demo_road.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    ui::DemoOptions options;
    if (const auto error = ui::parseDemoOptions({argv + 1, argv + argc}, options)) {
        std::fprintf(stderr, "arvex-updater-demo: %s\n%s", error->c_str(), ui::demoUsage().c_str());
        return 2;
    }
    if (options.help || options.listPresets) {
        std::printf("%s", options.help ? ui::demoUsage().c_str() : "");
        std::printf("presets:\n%s", ui::demoPresetList().c_str());
        return 0;
    }
    QApplication application(argc, argv);
    ui::DemoRoad road;
    if (const auto error = road.start(options)) {
        std::fprintf(stderr, "arvex-updater-demo: %s\n", error->c_str());
        return 1;
    }
    std::printf("Simulated box \"%s\" plugged in; stand-in support server on 127.0.0.1:%u\n",
                options.preset.c_str(), static_cast<unsigned>(road.server().port()));
    std::fflush(stdout);

    ui::MainWindow window;
    const auto updater = app::buildUpdaterWindow(window, road.setup());
    window.start(updater->events());
    QApplication::setApplicationName("Arvex Updater");
    window.show();
    // Closing the updater's window ends the demo; the box panel does not keep it alive.
    ui::DemoBoxPanel boxPanel(road.box(), options.preset, road.server().port(), nullptr,
                              sim::withInformationAreaRegion);
    boxPanel.setAttribute(Qt::WA_QuitOnClose, false);
    boxPanel.placeBeside(window);
    boxPanel.show();
    QApplication::exec();
    boxPanel.close();
    window.stop([&] { return updater->logic().operationRunning(); });
    return 0;
}
