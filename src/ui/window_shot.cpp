// A development tool for the screenshot scripts; not installed.
//   arvex-updater-shot FILE.png [PANEL]   the window after start-up, optionally with one dialog panel shown
//                                         (registrationDialog, registrationDoneDialog,
//                                         registrationFaultDialog, updatingDialog, firmwareDialog), no box,
//                                         no server
//   arvex-updater-shot --state STATE [--preset NAME] FILE.png
//                                         the demo window (simulated box, stand-in server) driven into one
//                                         state: disconnected, connected, catalogue, updating, registration,
//                                         blocked; start (the preset's box after start-up has settled) and
//                                         updated (after the whole update road, logged in again)
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>

#include "app/control_names.h"
#include "app/dialog_panels.h"
#include "app/shell_events.h"
#include "app/updater_window.h"
#include "server/documents.h"
#include "sim/box/sim_backend.h"
#include "ui/demo_road.h"
#include "ui/main_window.h"

namespace {

using app::Control;

constexpr int kPollMs = 50;
constexpr int kStepLimitMs = 60000;  // no state takes longer to reach

std::optional<Control> panelNamed(const char* name) {
    for (Control panel :
         {Control::registrationDialog, Control::registrationDoneDialog, Control::registrationFaultDialog,
          Control::updatingDialog, Control::firmwareDialog}) {
        if (std::strcmp(app::controlName(panel), name) == 0) return panel;
    }
    return std::nullopt;
}

void showSampleCatalogue(ui::MainWindow& window) {
    window.setText(Control::catalogueFolderPath, "/AK02");
    window.addRow({"..", 0, {}});
    window.addRow({"Kiro+ firmware 2.4.hex", 1, {"48213", "0"}});
    window.addRow({"Kiro+ firmware 2.3.hex", 1, {"47960", "0"}});
    window.addRow({"Installation guide.pdf", 1, {"310422", "0"}});
    window.setColumnWidths(270, 80);
}

bool save(ui::MainWindow& window, const char* file) {
    const bool saved = window.grab().save(QString::fromLocal8Bit(file), "PNG");
    if (!saved) std::fprintf(stderr, "arvex-updater-shot: cannot write %s\n", file);
    return saved;
}

int panelShot(const char* file, std::optional<Control> panel) {
    ui::MainWindow window;
    app::ShellEvents events(window);
    window.start(events);
    if (panel == Control::firmwareDialog) showSampleCatalogue(window);
    if (panel) events.dialogPanels().show(*panel, Control::mainPanel);
    window.show();
    int result = 1;
    QTimer::singleShot(300, &window, [&] {
        result = save(window, file) ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    return result;
}

// Steps run one after the other: each waits until its condition holds, then acts.
struct Step {
    const char* what;
    std::function<bool()> ready;
    std::function<void()> act;
};

class StateDriver {
public:
    StateDriver(ui::MainWindow& window, app::WindowLogic& logic) : window_(window), logic_(logic) {}

    bool visible(Control control) const { return window_.widget(control)->isVisible(); }
    bool enabled(Control control) const { return window_.widget(control)->isEnabled(); }
    bool idle() const { return !logic_.operationRunning(); }
    const app::WindowLogic& logic() const { return logic_; }
    bool loggedIn() const { return idle() && logic_.deviceConnected() && !logic_.loginPending(); }
    std::string boxReference() { return logic_.serverClient().device.pid; }

    // Selects the catalogue row whose entry passes `wanted`; false when there is none.
    bool selectRow(const std::function<bool(const server::FileInfo&)>& wanted) {
        auto* list = window_.findChild<QTableWidget*>("lvListFW");
        for (std::size_t row = 0; row < logic_.firmwareRowCount(); ++row) {
            if (!wanted(logic_.firmwareRow(row))) continue;
            list->selectRow(static_cast<int>(row));
            return true;
        }
        return false;
    }
    void click(const char* name) { window_.findChild<QPushButton*>(name)->click(); }

    // Runs the steps, then saves the window; the result of the program.
    int run(std::deque<Step> steps, const char* file) {
        int result = 1;
        QTimer poll;
        int waitedMs = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            waitedMs += kPollMs;
            if (waitedMs > kStepLimitMs) {
                std::fprintf(stderr, "arvex-updater-shot: gave up waiting for: %s\n", steps.front().what);
                QApplication::quit();
                return;
            }
            if (!steps.front().ready()) return;
            poll.stop();  // an action may run a blocking exchange with its own message loop
            Step step = std::move(steps.front());
            steps.pop_front();
            if (step.act) step.act();
            waitedMs = 0;
            if (steps.empty()) {
                result = save(window_, file) ? 0 : 1;
                QApplication::quit();
                return;
            }
            poll.start(kPollMs);
        });
        poll.start(kPollMs);
        QApplication::exec();
        return result;
    }

private:
    ui::MainWindow& window_;
    app::WindowLogic& logic_;
};

bool endsInHex(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".hex") == 0;
}

std::deque<Step> stepsFor(const std::string& state, StateDriver& drive, ui::MainWindow& window,
                          const std::function<int()>& resets) {
    const auto pause = [](int ms) {
        auto until = std::make_shared<int>(ms / kPollMs);
        return [until] { return --*until <= 0; };
    };
    if (state == "disconnected") {
        return {{"start-up", pause(700), [&] { drive.click("btConnect"); }}, {"the log", pause(300), {}}};
    }
    if (state == "registration") {
        return {{"the registration form",
                 [&] { return drive.visible(Control::registrationDialog) && drive.idle(); },
                 [&] {
                     window.findChild<QLineEdit*>("edRegName")->setText("Jane Example");
                     window.findChild<QLineEdit*>("edRegeMail")->setText("jane@example.com");
                     window.findChild<QLineEdit*>("edRegPassword")->setText("secret");
                     auto* countries = window.findChild<QComboBox*>("cbCountries");
                     countries->setCurrentIndex(countries->findText("Spain"));
                 }},
                {"the form filled in, the lamp at rest", pause(700), {}}};
    }
    if (state == "start") {
        return {{"the first identity read", pause(1500), {}},
                {"the start-up settled",
                 [&] {
                     return drive.idle() &&
                            (!drive.logic().deviceConnected() || !drive.logic().loginPending());
                 },
                 {}},
                {"the lamp at rest", pause(700), {}}};
    }
    if (state == "blocked") {
        return {{"the blocked look",
                 [&] { return window.text(Control::statusPanel) == "Device blocked" && drive.idle(); },
                 {}},
                {"the lamp at rest", pause(700), {}}};
    }
    std::deque<Step> steps{
        {"the login", [&] { return drive.loggedIn() && drive.enabled(Control::updateButton); }, {}},
        {"the lamp at rest", pause(700), {}}};
    if (state == "connected") return steps;
    steps.push_back({"the catalogue", [] { return true; }, [&] { drive.click("btUpdate"); }});
    steps.push_back({"the box's folder", [&] { return drive.visible(Control::firmwareDialog); },
                     [&] {
                         drive.selectRow([pid = drive.boxReference()](const server::FileInfo& entry) {
                             return entry.name == pid;
                         });
                         drive.click("btSelectFirmware");
                     }});
    steps.push_back(
        {"a firmware container", [] { return true; },
         [&] { drive.selectRow([](const server::FileInfo& entry) { return endsInHex(entry.name); }); }});
    if (state == "catalogue") return steps;
    steps.push_back({"the download", [] { return true; }, [&] { drive.click("btSelectFirmware"); }});
    if (state == "updated") {
        steps.push_back(
            {"the reset and the second login",
             [&, resets] { return resets() > 0 && drive.loggedIn() && drive.enabled(Control::updateButton); },
             {}});
        steps.push_back({"the lamp at rest", pause(700), {}});
        return steps;
    }
    steps.push_back({"programming under way",
                     [&] {
                         return drive.visible(Control::updatingDialog) &&
                                window.findChild<QProgressBar*>("ProgressBar")->value() >= 35;
                     },
                     {}});
    return steps;
}

const char* presetFor(const std::string& state) {
    if (state == "registration") return "unregistered";
    if (state == "blocked") return "blocked";
    if (state == "disconnected") return "unplugged";
    return "good";
}

int stateShot(const std::string& state, const std::string& preset, const char* file) {
    static const char* const kStates[] = {"disconnected", "connected", "catalogue", "updating",
                                          "registration", "blocked",   "start",     "updated"};
    if (std::find_if(std::begin(kStates), std::end(kStates), [&](const char* s) { return state == s; }) ==
        std::end(kStates)) {
        std::fprintf(stderr, "arvex-updater-shot: no state named %s\n", state.c_str());
        return 2;
    }
    ui::DemoOptions options;
    options.preset = preset.empty() ? presetFor(state) : preset;
    ui::DemoRoad road;
    if (const auto error = road.start(options)) {
        std::fprintf(stderr, "arvex-updater-shot: %s\n", error->c_str());
        return 1;
    }
    ui::MainWindow window;
    const auto updater = app::buildUpdaterWindow(window, road.setup());
    window.start(updater->events());
    window.show();
    StateDriver drive(window, updater->logic());
    const int result =
        drive.run(stepsFor(state, drive, window, [&] { return road.box().counts(0).reset; }), file);
    road.box().unplug();  // a programming run still under way ends at once
    window.stop([&] { return updater->logic().operationRunning(); });
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Arvex Updater");
    if (argc == 4 && std::strcmp(argv[1], "--state") == 0) return stateShot(argv[2], "", argv[3]);
    if (argc == 6 && std::strcmp(argv[1], "--state") == 0 && std::strcmp(argv[3], "--preset") == 0)
        return stateShot(argv[2], argv[4], argv[5]);
    const std::optional<Control> panel = argc == 3 ? panelNamed(argv[2]) : std::nullopt;
    if (argc < 2 || argc > 3 || (argc == 3 && !panel)) {
        std::fprintf(stderr,
                     "usage: arvex-updater-shot FILE.png [pReg|pRegOK|pRegFault|pUpdate|pFirmUpdate]\n"
                     "       arvex-updater-shot --state "
                     "disconnected|connected|catalogue|updating|registration|blocked|start|updated "
                     "[--preset NAME] FILE.png\n");
        return 2;
    }
    return panelShot(argv[1], panel);
}
