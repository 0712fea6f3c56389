// arvex-updater: the updater's window over the real HID link and the configured support host (build
// setting, or updater.conf). Reads no command line.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <exception>
#include <string>

#include "app/log.h"
#include "app/updater_window.h"
#include "arvex/config.h"
#include "server/endpoint_config.h"
#include "ui/main_window.h"

namespace {

// The window takes no options; --help and --version are answered before any Qt work, so they need no display.
int answerCommandLine(int argc, char** argv) {
    if (argc < 2) return -1;
    const std::string word = argv[1];
    if (argc == 2 && (word == "--help" || word == "-h")) {
        std::printf(
            "Usage: arvex-updater [OPTION]\n"
            "Update the firmware of an Arvex box from the Arvex support server, in a window.\n"
            "The window takes no other options; the support server is set in /etc/arvex/updater.conf.\n"
            "\n"
            "Options:\n"
            "  -h, --help     show this help and exit\n"
            "      --version  show the version and whether the build carries example keys\n");
        return 0;
    }
    if (argc == 2 && word == "--version") {
        std::printf("arvex-updater %s\nKeys: %s\n", arvex::config::kProgramVersion,
                    arvex::config::kExampleKeys ? "example keys" : "production keys");
        return 0;
    }
    std::fprintf(stderr, "arvex-updater: takes no options, not '%s' (see arvex-updater --help)\n",
                 (word == "--help" || word == "-h" || word == "--version" ? argv[2] : argv[1]));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int answered = answerCommandLine(argc, argv); answered >= 0) return answered;
    QApplication application(argc, argv);
    try {
        ui::MainWindow window;
        app::UpdaterSetup setup;
        // The configured endpoint: /etc/arvex/updater.conf, then the user's own file.
        const server::EndpointConfigResult config = server::readEndpointConfig(server::defaultConfigPaths());
        if (config.endpoint.host || config.endpoint.port)
            setup.server = app::ServerEndpoint{config.endpoint.host.value_or(arvex::config::kSupportHost),
                                               config.endpoint.port.value_or(arvex::config::kSupportPort)};
        const auto updater = app::buildUpdaterWindow(window, setup);
        window.start(updater->events());
        if (!config.error.empty()) updater->logic().log().line(1, config.error, 0, 0);
        if (arvex::config::kExampleKeys)
            updater->logic().log().line(1, arvex::config::kExampleKeysWarning, 0, 0);
        QApplication::setApplicationName("Arvex Updater");
        window.show();
        QApplication::exec();
        window.stop([&] { return updater->logic().operationRunning(); });
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Arvex Updater", QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, "Arvex Updater", QString());
    }
    return 0;
}
