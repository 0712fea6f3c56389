// arvex-updater-shot FILE.png [PANEL]: builds the updater's window as it looks after start-up, optionally
// with one dialog panel shown (pReg, pRegOK, pRegFault, pUpdate, pFirmUpdate), and saves a picture of it.
// A development tool for scripts/screenshot; not installed.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/control_names.h"
#include "app/dialog_panels.h"
#include "app/shell_events.h"
#include "ui/main_window.h"

namespace {

std::optional<app::Control> panelNamed(const char* name) {
    for (app::Control panel : {app::Control::pReg, app::Control::pRegOK, app::Control::pRegFault,
                               app::Control::pUpdate, app::Control::pFirmUpdate}) {
        if (std::strcmp(app::controlName(panel), name) == 0) return panel;
    }
    return std::nullopt;
}

void showSampleCatalogue(ui::TKTRF& window) {
    window.setText(app::Control::txBrowserPath, "/AK02");
    window.addRow({"..", 0, {}});
    window.addRow({"Kiro+ firmware 2.4.hex", 1, {"48213", "0"}});
    window.addRow({"Kiro+ firmware 2.3.hex", 1, {"47960", "0"}});
    window.addRow({"Installation guide.pdf", 1, {"310422", "0"}});
    window.setColumnWidths(270, 80);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::optional<app::Control> panel = argc == 3 ? panelNamed(argv[2]) : std::nullopt;
    if (argc < 2 || argc > 3 || (argc == 3 && !panel)) {
        std::fprintf(stderr,
                     "usage: arvex-updater-shot FILE.png [pReg|pRegOK|pRegFault|pUpdate|pFirmUpdate]\n");
        return 2;
    }
    ui::TKTRF window;
    app::ShellEvents events(window);
    window.start(events);
    QApplication::setApplicationName("Arvex Updater");
    if (panel == app::Control::pFirmUpdate) showSampleCatalogue(window);
    if (panel) app::showDialogPanel(*panel, app::Control::gPanel);
    window.show();
    int result = 1;
    QTimer::singleShot(300, &window, [&] {
        result = window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    if (result != 0) std::fprintf(stderr, "arvex-updater-shot: cannot write %s\n", argv[1]);
    return result;
}
