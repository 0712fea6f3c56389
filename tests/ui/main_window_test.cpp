#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/shell_events.h"
#include "app/startup.h"
#include "catalogue/banner.h"
#include "ui/cp1252.h"
#include "ui/typing_limit.h"

namespace {

using app::Control;

// The window's own handlers plus a record of every other handler the window calls.
class RecordingEvents : public app::ShellEvents {
public:
    using ShellEvents::ShellEvents;
    std::vector<std::string> calls;

    void onReconnect() override { calls.push_back("btConnectClick"); }
    void onUpdate() override { calls.push_back("btUpdateClick"); }
    void onFactorySettings() override { calls.push_back("btFactoryClick"); }
    void onOperatorButton() override { calls.push_back("btOpsClick"); }
    void onStatusCaptionGesture(bool right, bool ctrl) override {
        calls.push_back(std::string("Panel8MouseDown(") + (right ? "right" : "other") +
                        (ctrl ? ", ctrl)" : ")"));
    }
    void onConnectTimer() override { calls.push_back("tmConnectTimer"); }
    void onReadData() override { calls.push_back("Read1Click"); }
    void onLoadFirmware() override { calls.push_back("Loadfirmware1Click"); }
    void onVirtualModeToggle() override { calls.push_back("ckVirtualDeviceModeClick"); }
    void onRealDevice() override { calls.push_back("Real1Click"); }
    void onVirtualAk01() override { calls.push_back("Blacklist1Click"); }
    void onVirtualAk02() override { calls.push_back("OK1Click"); }
    void onVirtualAk03() override { calls.push_back("Error1Click"); }
    void onVirtualVira() override { calls.push_back("Otro1Click"); }
    void onServerDebugToggle() override { calls.push_back("Debug1Click"); }
    void onCryptToggle() override { calls.push_back("ckCrypt1Click"); }
    void onEditableFieldsToggle() override { calls.push_back("ckEditFieldsClick"); }
    void onSetFields() override { calls.push_back("Establecer1Click"); }
    void onDebugModeToggle() override { calls.push_back("Mododebug1Click"); }
    void onUpdatingOk() override { calls.push_back("btUpdateOK"); }
    void onSendRegistration() override { calls.push_back("btSendRegClick"); }
    void onCancelRegistration() override { calls.push_back("btRegCancelClick"); }
    void onRegistrationDoneOk() override { calls.push_back("btRegOKOKClick"); }
    void onRegistrationFaultOk() override { calls.push_back("btRegFaultOKClick"); }
    void onSelectFirmware() override { calls.push_back("btSelectFirmwareClick"); }
    void onCancelFirmwareDialog() override { calls.push_back("btFirmUpdateCancelClick"); }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<ui::MainWindow>();
        events = std::make_unique<RecordingEvents>(*window);
        window->start(*events);
    }
    void TearDown() override { window.reset(); }
    template <typename T = QWidget>
    T* find(const char* name) {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<RecordingEvents> events;
};

TEST_F(MainWindowTest, FixedClientSizeAndCaption) {
    EXPECT_EQ(window->size(), QSize(670, 380));
    EXPECT_EQ(window->minimumSize(), QSize(670, 380));
    EXPECT_EQ(window->maximumSize(), QSize(670, 380));
    EXPECT_EQ(window->windowTitle(), " ZEK Updater v1.2.7");
}

TEST_F(MainWindowTest, StateAfterStart) {
    auto* products = find<QListWidget>("lbProducts");
    ASSERT_EQ(products->count(), 11);
    EXPECT_EQ(products->item(0)->text(), "[AB01] Arvex BT Compatibilizer");
    EXPECT_EQ(products->item(3)->text(), "[AK03] Arvex Kiro Advanced");
    EXPECT_EQ(products->item(10)->text(), "[_FIX] Damaged box");
    EXPECT_TRUE(products->selectedItems().isEmpty());
    EXPECT_FALSE(products->isEnabled());

    auto* countries = find<QComboBox>("cbCountries");
    ASSERT_EQ(countries->count(), 246);
    EXPECT_EQ(countries->itemText(0), "Afghanistan");
    EXPECT_EQ(countries->itemText(245), "Zimbabwe");
    EXPECT_EQ(countries->currentIndex(), -1);

    EXPECT_EQ(window->logLines(), app::splitLogEntry(catalogue::welcomeBanner));
    EXPECT_TRUE(find<QPlainTextEdit>("Log")->toPlainText().contains("Welcome to ONLINE UPDATER v1.2.7"));
    EXPECT_EQ(find<QLabel>("lbVersion")->text(), "v1.2.7");
    EXPECT_EQ(find<QLabel>("lConnected")->text(), "Disconnected");
    EXPECT_EQ(find<QLabel>("lConnected")->palette().color(QPalette::Window), QColor(209, 209, 209));

    for (const char* hidden :
         {"btOps", "ProgressBar", "pFirmUpdate", "pReg", "pRegOK", "pRegFault", "pUpdate"}) {
        EXPECT_TRUE(find(hidden)->isHidden()) << hidden;
    }
    for (const char* disabled : {"btUpdate", "btFactory", "Button1", "pUpdateClose"}) {
        EXPECT_FALSE(find(disabled)->isEnabled()) << disabled;
    }
    EXPECT_TRUE(window->timer(Control::connectTimer)->isActive());
    EXPECT_EQ(window->timer(Control::connectTimer)->interval(), 600);
    EXPECT_TRUE(window->timer(Control::statusTimer)->isActive());
    EXPECT_EQ(window->timer(Control::statusTimer)->interval(), 500);
    EXPECT_FALSE(window->action(Control::loadFirmwareEntry)->isVisible());
    EXPECT_FALSE(find<QAction>("Virtual1")->isEnabled());
}

TEST_F(MainWindowTest, ControlsAtTheirPlaces) {
    struct Case {
        const char* name;
        QRect geometry;  // in the parent's coordinates
    } cases[] = {
        {"gPanel", {0, 0, 668, 378}},
        {"ImageBack", {0, 0, 668, 378}},
        {"Image2", {525, 1, 140, 51}},
        {"Label8", {10, 11, 209, 18}},
        {"lbProducts", {8, 27, 211, 111}},
        {"btConnect", {233, 27, 92, 35}},
        {"btOps", {306, 27, 19, 35}},
        {"btUpdate", {233, 66, 92, 35}},
        {"btFactory", {233, 104, 92, 35}},
        {"textBox_PID1", {419, 13, 109, 19}},
        {"textBox_Serial1", {419, 34, 109, 19}},
        {"textBox_Date1", {419, 55, 109, 19}},
        {"textBox_Reseller1", {419, 76, 109, 19}},
        {"textBox_hwversion", {419, 97, 109, 19}},
        {"textBox_fwversion", {419, 118, 109, 19}},
        {"lbVersion", {546, 41, 111, 18}},
        {"Panel8", {546, 59, 111, 16}},
        {"Shape1", {546, 74, 111, 60}},
        {"lConnected", {555, 82, 77, 25}},
        {"sBussy", {638, 82, 12, 25}},
        {"ProgressBar", {555, 114, 94, 14}},
        {"Log", {8, 148, 649, 221}},
        {"sContour", {0, 0, 670, 380}},
        {"Button1", {24, 134, 75, 25}},
        {"lbRegNote", {24, 35, 301, 35}},
        {"edRegName", {119, 78, 186, 19}},
        {"edRegeMail", {119, 103, 186, 19}},
        {"edRegPassword", {119, 128, 186, 19}},
        {"cbCountries", {119, 154, 186, 21}},
        {"btSendReg", {24, 188, 75, 25}},
        {"btRegCancel", {119, 188, 75, 25}},
        {"mmRegOkMsg", {24, 49, 273, 81}},
        {"btRegOKOK", {24, 144, 75, 25}},
        {"mmRegFaultMsg", {24, 47, 281, 81}},
        {"Button4", {24, 144, 75, 25}},
        {"Label9", {17, 32, 380, 27}},
        {"txBrowserPath", {17, 54, 380, 19}},
        {"lvListFW", {17, 79, 380, 181}},
        {"btSelectFirmware", {17, 268, 120, 25}},
        {"Button3", {313, 268, 84, 25}},
    };
    for (const Case& c : cases) {
        if (QWidget* w = find(c.name)) {
            EXPECT_EQ(w->geometry(), c.geometry) << c.name;
        }
    }
    struct Panel {
        const char* name;
        QSize size;
        const char* titleBar;
        const char* caption;
    } panels[] = {
        {"pFirmUpdate", {417, 303}, "MoveDialog", "Update"},
        {"pReg", {335, 224}, "Panel7", "Register"},
        {"pRegOK", {336, 184}, "Panel5", "Registered"},
        {"pRegFault", {336, 184}, "Panel10", "Register error"},
        {"pUpdate", {336, 184}, "Panel6", "Updating firmware"},
    };
    for (const Panel& p : panels) {
        QWidget* panel = find(p.name);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->size(), p.size) << p.name;
        auto* bar = panel->findChild<QLabel*>(p.titleBar);
        ASSERT_NE(bar, nullptr) << p.titleBar;
        EXPECT_EQ(bar->text(), p.caption);
        EXPECT_EQ(bar->height(), 20);
        EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(0, 79, 157));
    }
}

TEST_F(MainWindowTest, ButtonsMenuEntriesAndCloseBoxesReachTheirHandlers) {
    struct Case {
        const char* name;
        const char* handler;
    } buttons[] = {
        {"btConnect", "btConnectClick"},
        {"btUpdate", "btUpdateClick"},
        {"btFactory", "btFactoryClick"},
        {"btOps", "btOpsClick"},
        {"Button1", "btUpdateOK"},
        {"btSendReg", "btSendRegClick"},
        {"btRegCancel", "btRegCancelClick"},
        {"btRegOKOK", "btRegOKOKClick"},
        {"Button4", "btRegFaultOKClick"},
        {"btSelectFirmware", "btSelectFirmwareClick"},
        {"Button3", "btFirmUpdateCancelClick"},
    };
    for (const Case& c : buttons) {
        events->calls.clear();
        auto* button = find<QPushButton>(c.name);
        button->setEnabled(true);
        button->click();
        EXPECT_EQ(events->calls, std::vector<std::string>{c.handler}) << c.name;
    }
    const Case entries[] = {
        {"Read1", "Read1Click"},
        {"Loadfirmware1", "Loadfirmware1Click"},
        {"ckVirtualDeviceMode", "ckVirtualDeviceModeClick"},
        {"Real1", "Real1Click"},
        {"Blacklist1", "Blacklist1Click"},
        {"OK1", "OK1Click"},
        {"Error1", "Error1Click"},
        {"Otro1", "Otro1Click"},
        {"Debug1", "Debug1Click"},
        {"ckCrypt1", "ckCrypt1Click"},
        {"ckEditFields", "ckEditFieldsClick"},
        {"Establecer1", "Establecer1Click"},
        {"Mododebug1", "Mododebug1Click"},
    };
    for (const Case& c : entries) {
        events->calls.clear();
        find<QAction>(c.name)->trigger();
        EXPECT_EQ(events->calls, std::vector<std::string>{c.handler}) << c.name;
    }
    window->show();
    const Case closeBoxes[] = {
        {"Panel12", "btFirmUpdateCancelClick"},
        {"Panel9", "btRegCancelClick"},
        {"Panel4", "btRegOKOKClick"},
        {"Panel11", "btRegFaultOKClick"},
    };
    for (const Case& c : closeBoxes) {
        QWidget* box = find(c.name);
        box->window()->show();
        box->parentWidget()->parentWidget()->show();
        events->calls.clear();
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_EQ(events->calls, std::vector<std::string>{c.handler}) << c.name;
    }
    struct Press {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        const char* call;
    } presses[] = {
        {Qt::RightButton, Qt::ControlModifier, "Panel8MouseDown(right, ctrl)"},
        {Qt::LeftButton, Qt::ControlModifier, "Panel8MouseDown(other, ctrl)"},
        {Qt::RightButton, Qt::NoModifier, "Panel8MouseDown(right)"},
    };
    for (const Press& p : presses) {
        events->calls.clear();
        QTest::mousePress(find("Panel8"), p.button, p.modifiers);
        QTest::mouseRelease(find("Panel8"), p.button, p.modifiers);
        EXPECT_EQ(events->calls, std::vector<std::string>{p.call});
    }
}

TEST_F(MainWindowTest, LogMenuSavesNothingOnClearAndClears) {
    QMenu* menu = window->logMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Save to disk...");
    EXPECT_EQ(menu->actions()[1]->text(), "Clear");
    menu->actions()[1]->trigger();
    EXPECT_TRUE(window->logLines().empty());
    EXPECT_TRUE(find<QPlainTextEdit>("Log")->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, TicksBelongToTheHandlers) {
    QAction* crypt = window->action(Control::cryptEntry);
    QAction* debug = window->action(Control::serverDebugEntry);
    window->setChecked(Control::cryptEntry, true);
    EXPECT_TRUE(crypt->isChecked());
    debug->trigger();  // the recording handler leaves the tick alone
    EXPECT_FALSE(debug->isChecked());
    crypt->trigger();
    EXPECT_TRUE(crypt->isChecked());
}

TEST_F(MainWindowTest, TimersCallTheirHandlers) {
    window->setTimerInterval(Control::connectTimer, 5);
    QElapsedTimer clock;
    clock.start();
    while (events->calls.empty() && clock.elapsed() < 2000) QTest::qWait(5);
    ASSERT_FALSE(events->calls.empty());
    EXPECT_EQ(events->calls.front(), "tmConnectTimer");
    window->setEnabled(Control::connectTimer, false);
    EXPECT_FALSE(window->timer(Control::connectTimer)->isActive());
}

TEST_F(MainWindowTest, DialogPanelOverTheDisabledMainPanel) {
    events->dialogPanels().show(Control::registrationDialog, Control::mainPanel);
    QWidget* reg = find("pReg");
    EXPECT_TRUE(reg->isVisibleTo(window.get()));
    EXPECT_EQ(reg->geometry(), QRect(167, 78, 335, 224));
    EXPECT_FALSE(find("gPanel")->isEnabled());
    EXPECT_TRUE(find("edRegName")->isEnabled());

    events->dialogPanels().show(Control::updatingDialog, Control::mainPanel);
    EXPECT_FALSE(reg->isVisibleTo(window.get()));
    EXPECT_TRUE(find("pUpdate")->isVisibleTo(window.get()));
    events->dialogPanels().close(Control::updatingDialog);
    EXPECT_FALSE(find("pUpdate")->isVisibleTo(window.get()));
    EXPECT_TRUE(find("gPanel")->isEnabled());
}

TEST_F(MainWindowTest, DraggingStopsAtTheOuterEdges) {
    window->show();
    events->dialogPanels().show(Control::registrationDoneDialog, Control::mainPanel);
    QWidget* panel = find("pRegOK");
    QWidget* bar = find("Panel5");
    const int right = window->frameGeometry().width() - 336;
    const int bottom = window->frameGeometry().height() - 184;
    struct Case {
        QPoint to;  // in the title bar; each drag presses at (40, 8) and starts where the last one ended
        QPoint expected;
    } cases[] = {
        {{-600, 8}, {0, 98}},
        {{900, 8}, {right, 98}},
        {{40, -600}, {right, 0}},
        {{40, 900}, {right, bottom}},
        {{-10, -10}, {right - 50, bottom - 18}},
    };
    for (const Case& c : cases) {
        QTest::mousePress(bar, Qt::LeftButton, {}, {40, 8});
        QTest::mouseMove(bar, c.to);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, c.to);
        EXPECT_EQ(panel->pos(), c.expected) << c.to.x() << "," << c.to.y();
    }
}

TEST_F(MainWindowTest, TextsCrossAsWindows1252) {
    window->setText(Control::resellerField,
                    "Espa\xF1"
                    "a");
    EXPECT_EQ(find<QLineEdit>("textBox_Reseller1")->text(), QString::fromUtf8("Espa\xC3\xB1"
                                                                              "a"));
    find<QLineEdit>("edRegName")
        ->setText(QString::fromUtf8("Pe\xC3\xB1"
                                    "a \xE2\x82\xAC"));
    EXPECT_EQ(window->text(Control::registrationName),
              "Pe\xF1"
              "a \x80");
    window->setText(Control::registrationFaultText, "Error, invalid data.\nPlease try again.");
    EXPECT_EQ(find<QPlainTextEdit>("mmRegFaultMsg")->document()->blockCount(), 2);
    window->appendLog(
        "\xA1"
        "Dispositivo no conectado!");
    EXPECT_EQ(window->logLines().back(),
              "\xA1"
              "Dispositivo no conectado!");
    EXPECT_TRUE(
        find<QPlainTextEdit>("Log")->toPlainText().endsWith(QString::fromUtf8("\xC2\xA1"
                                                                              "Dispositivo no conectado!")));
}

// The limits restrict typing only: what the program sets is shown whole.
TEST_F(MainWindowTest, LengthLimitsRestrictTypingOnly) {
    struct Case {
        Control control;
        const char* name;
        int limit;
    };
    const Case cases[] = {
        {Control::productField, "textBox_PID1", 6},
        {Control::serialField, "textBox_Serial1", 10},
        {Control::programmingDateField, "textBox_Date1", 32},
        {Control::resellerField, "textBox_Reseller1", 64},
        {Control::hardwareVersionField, "textBox_hwversion", 64},
        {Control::firmwareVersionField, "textBox_fwversion", 64},
        {Control::catalogueFolderPath, "txBrowserPath", 64},
        {Control::registrationName, "edRegName", 64},
        {Control::registrationEmail, "edRegeMail", 64},
        {Control::registrationPassword, "edRegPassword", 32},
    };
    for (const Case& c : cases) {
        auto* edit = find<QLineEdit>(c.name);
        const std::string whole(static_cast<std::size_t>(c.limit) + 9, 'x');
        window->setText(c.control, whole);
        EXPECT_EQ(window->text(c.control), whole) << c.name;
        EXPECT_EQ(ui::typingLimit(edit), c.limit) << c.name;
        if (edit->isReadOnly()) continue;
        edit->clear();
        QTest::keyClicks(edit, QString(c.limit + 5, QChar('y')));
        EXPECT_EQ(edit->text(), QString(c.limit, QChar('y'))) << c.name;
    }
}

TEST_F(MainWindowTest, WorkerLinesArriveInOrderWhileTheWorkerWaits) {
    window->clearLog();
    auto* log = find<QPlainTextEdit>("Log");
    std::atomic<int> appliedBlocks{0};  // written on the window's thread whenever the pane changes
    QObject::connect(log, &QPlainTextEdit::textChanged, log,
                     [&] { appliedBlocks = log->document()->isEmpty() ? 0 : log->document()->blockCount(); });

    constexpr int kLines = 200;
    std::atomic<bool> done{false};
    std::vector<std::string> failures;
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) {
            events->log().line(1, "line " + std::to_string(i), 0, 0);
            // The call returned: the line must be in the pane already.
            if (appliedBlocks.load() != i + 1)
                failures.push_back("not applied before return: " + std::to_string(i));
        }
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();

    EXPECT_TRUE(failures.empty()) << failures.front();
    const auto lines = window->logLines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLines));
    for (int i = 0; i < kLines; ++i) EXPECT_EQ(lines[i], "line " + std::to_string(i));
    EXPECT_EQ(log->document()->blockCount(), kLines);
}

}  // namespace
