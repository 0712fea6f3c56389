// arvex-updater: the updater's window. Reads no command line and no settings.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/shell_events.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    try {
        ui::TKTRF window;
        app::ShellEvents events(window);
        window.start(events);
        QApplication::setApplicationName("Arvex Updater");
        window.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Arvex Updater", QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, "Arvex Updater", QString());
    }
    return 0;
}
