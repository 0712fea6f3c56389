// arvex-updater: the updater's window over the real HID link and the configured support host. Reads no
// command line and no settings.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/updater_window.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    try {
        ui::TKTRF window;
        const auto updater = app::buildUpdaterWindow(window);
        window.start(updater->events());
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
