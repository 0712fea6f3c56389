// arvex-updater: the updater's window over the real HID link and the configured support host (build
// setting, or updater.conf). Reads no command line.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/log.h"
#include "app/updater_window.h"
#include "arvex/config.h"
#include "server/endpoint_config.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
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
