// The main window's layout: every control with its object name, place and caption, the five dialog panels,
// the two menus and the two timers, each wired to its handler.
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>

#include "app/control_names.h"
#include "arvex/config.h"
#include "ui/artwork.h"
#include "ui/dialog_panel.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
#include "ui/typing_limit.h"
#include "ui/widget_style.h"

namespace ui {

using app::Control;
using app::WindowEvents;

namespace {

QPlainTextEdit* makeTextBox(QWidget* parent, const QString& name, QRect geometry, const QString& text) {
    auto* box = new QPlainTextEdit(text, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setFrameShape(QFrame::NoFrame);
    box->setFont(textBoxFont());
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->viewport()->setAutoFillBackground(false);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, QRect geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    return label;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("KTRF");
    setWindowTitle(QString(" ZEK Updater v") + arvex::config::kProgramVersion);
    // A tool window's look (title and close box only, fixed size) while keeping a task-bar entry.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(windowFont());

    // Outline of the client area, under the main panel.
    auto* sContour = new QFrame(this);
    sContour->setObjectName("sContour");
    sContour->setFrameStyle(QFrame::Box | QFrame::Plain);
    sContour->setStyleSheet(
        "QFrame#sContour { border: 1px solid rgb(128,128,128); background: transparent; }");
    sContour->setGeometry(0, 0, app::kClientWidth, app::kClientHeight);

    buildMainPanel();
    buildUpdatePanel();
    buildRegistrationPanels();
    buildFirmwarePanel();
    buildMenus();
    buildTimers();

    setFixedSize(app::kClientWidth, app::kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void MainWindow::buildMainPanel() {
    mainPanel_ = new QFrame(this);
    mainPanel_->setObjectName("gPanel");
    mainPanel_->setGeometry(0, 0, 668, 378);
    paintBackground(mainPanel_, QColor(203, 223, 248));
    remember(Control::mainPanel, mainPanel_);

    auto* imageBack = new QLabel(mainPanel_);
    imageBack->setObjectName("ImageBack");
    imageBack->setGeometry(mainPanel_->rect());
    imageBack->setScaledContents(true);
    imageBack->setPixmap(backgroundPicture(mainPanel_->size()));

    auto* image2 = new QLabel(mainPanel_);
    image2->setObjectName("Image2");
    image2->setGeometry(525, 1, 140, 51);
    image2->setPixmap(logoPicture(image2->size()));

    QLabel* label8 = makeLabel(mainPanel_, "Label8", "Products Available", {10, 11, 209, 18});
    label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = label8->font();
    bold.setBold(true);
    label8->setFont(bold);

    productList_ = new QListWidget(mainPanel_);
    productList_->setObjectName("lbProducts");
    productList_->setGeometry(8, 27, 211, 111);
    productList_->setFont(fixedFont(12));
    productList_->setUniformItemSizes(true);
    productList_->setSelectionMode(QAbstractItemView::SingleSelection);
    productList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    productList_->setEnabled(false);
    remember(Control::productList, productList_);
    connect(productList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (events_ != nullptr) events_->onProductChosen(productList_->row(item));
    });

    addButton(mainPanel_, Control::reconnectButton, "btConnect", "Reconnect", {233, 27, 92, 35},
              &WindowEvents::onReconnect);
    operatorButton_ = addButton(mainPanel_, Control::operatorButton, "btOps", ">", {306, 27, 19, 35},
                                &WindowEvents::onOperatorButton);
    operatorButton_->hide();
    addButton(mainPanel_, Control::updateButton, "btUpdate", "Update", {233, 66, 92, 35},
              &WindowEvents::onUpdate)
        ->setEnabled(false);
    addButton(mainPanel_, Control::factoryButton, "btFactory", "Factory Settings", {233, 104, 92, 35},
              &WindowEvents::onFactorySettings)
        ->setEnabled(false);

    auto* bevel3 = new QFrame(mainPanel_);
    bevel3->setObjectName("Bevel3");
    bevel3->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    bevel3->setGeometry(336, 22, 2, 115);

    struct IdentityField {
        Control control;
        const char* name;
        const char* caption;
        int top;
        int maxLength;
    };
    const IdentityField fields[] = {
        {Control::productField, "textBox_PID1", "Product: ", 13, 6},
        {Control::serialField, "textBox_Serial1", "Serial: ", 34, 10},
        {Control::programmingDateField, "textBox_Date1", "Prog. date: ", 55, 32},
        {Control::resellerField, "textBox_Reseller1", "Reseller:", 76, 64},
        {Control::hardwareVersionField, "textBox_hwversion", "Hw version:", 97, 64},
        {Control::firmwareVersionField, "textBox_fwversion", "Fw version:", 118, 64},
    };
    for (const IdentityField& field : fields) {
        makeLabel(mainPanel_, QString(field.name) + "Caption", field.caption, {344, field.top, 72, 19},
                  Qt::AlignRight | Qt::AlignVCenter);
        auto* edit = new QLineEdit(mainPanel_);
        edit->setObjectName(field.name);
        edit->setGeometry(419, field.top, 109, 19);
        edit->setReadOnly(true);
        limitTyping(edit, field.maxLength);
        edit->setTextMargins(1, 0, 1, 0);
        remember(field.control, edit);
    }

    QLabel* versionCaption =
        makeLabel(mainPanel_, "lbVersion", "", {546, 41, 111, 18}, Qt::AlignRight | Qt::AlignVCenter);
    remember(Control::versionCaption, versionCaption);

    QLabel* panel8 = makeLabel(mainPanel_, "Panel8", "Status", {546, 59, 111, 16}, Qt::AlignCenter);
    paintBackground(panel8, QColor(115, 177, 247));
    QPalette white = panel8->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    panel8->setPalette(white);
    panel8->installEventFilter(this);

    auto* shape1 = new QFrame(mainPanel_);
    shape1->setObjectName("Shape1");
    shape1->setGeometry(546, 74, 111, 60);
    shape1->setStyleSheet("QFrame#Shape1 { border: 1px solid rgb(201,235,252); background: transparent; }");

    statusPanel_ = makeLabel(mainPanel_, "lConnected", "", {555, 82, 77, 25}, Qt::AlignCenter);
    statusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    paintBackground(statusPanel_, QColor(209, 209, 209));
    // The state stays readable while the main panel is disabled (under a dialog panel, or blocked).
    QPalette readable = statusPanel_->palette();
    readable.setColor(QPalette::Disabled, QPalette::WindowText,
                      readable.color(QPalette::Active, QPalette::WindowText));
    statusPanel_->setPalette(readable);
    remember(Control::statusPanel, statusPanel_);

    busyLamp_ = new Lamp(mainPanel_);
    busyLamp_->setObjectName("sBussy");
    busyLamp_->setGeometry(638, 82, 12, 25);
    remember(Control::busyLamp, busyLamp_);

    progressBar_ = new QProgressBar(mainPanel_);
    progressBar_->setObjectName("ProgressBar");
    progressBar_->setGeometry(555, 114, 94, 14);
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    // The bar runs under the "Updating firmware" panel, while the main panel is disabled: keep its colour.
    QPalette running = progressBar_->palette();
    running.setColor(QPalette::Disabled, QPalette::Highlight,
                     running.color(QPalette::Active, QPalette::Highlight));
    progressBar_->setPalette(running);
    progressBar_->hide();
    remember(Control::progressBar, progressBar_);

    log_ = new QPlainTextEdit(mainPanel_);
    log_->setObjectName("Log");
    log_->setGeometry(8, 148, 649, 221);
    log_->setReadOnly(true);
    log_->setFont(fixedFont(11));
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { logMenu_->popup(log_->mapToGlobal(at)); });
}

void MainWindow::buildUpdatePanel() {
    DialogPanel* panel = addDialogPanel(Control::updatingDialog, {336, 184}, "Panel6", "Updating firmware",
                                        "pUpdateClose", &WindowEvents::onUpdatingOk);
    makeTextBox(panel, "mmUpdateMsg", {24, 40, 290, 81},
                "Upgrading in progress.\nPlease, do not disconnect the device until \nfinished.");
    addButton(panel, std::nullopt, "Button1", "Ok", {24, 134, 75, 25}, &WindowEvents::onUpdatingOk)
        ->setEnabled(false);
    panel->closeBox()->setEnabled(false);
}

void MainWindow::buildRegistrationPanels() {
    DialogPanel* reg = addDialogPanel(Control::registrationDialog, {335, 224}, "Panel7", "Register", "Panel9",
                                      &WindowEvents::onCancelRegistration);
    QLabel* note = makeLabel(reg, "lbRegNote",
                             "This is the first time with this product. Please fill data for register.",
                             {24, 35, 301, 35}, Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);

    struct Field {
        Control control;
        const char* labelName;
        const char* caption;
        const char* name;
        int labelTop, top, maxLength;
    };
    const Field fields[] = {
        {Control::registrationName, "Label5", "Name:", "edRegName", 80, 78, 64},
        {Control::registrationEmail, "Label6", "e-Mail:", "edRegeMail", 105, 103, 64},
        {Control::registrationPassword, "Label7", "Password:", "edRegPassword", 130, 128, 32},
    };
    QWidget* previous = nullptr;
    for (const Field& field : fields) {
        makeLabel(reg, field.labelName, field.caption, {24, field.labelTop, 90, 15},
                  Qt::AlignLeft | Qt::AlignTop);
        auto* edit = new QLineEdit(reg);
        edit->setObjectName(field.name);
        edit->setGeometry(119, field.top, 186, 19);
        limitTyping(edit, field.maxLength);
        remember(field.control, edit);
        if (previous != nullptr) setTabOrder(previous, edit);
        previous = edit;
    }
    makeLabel(reg, "Label11", "Country:", {24, 154, 90, 15}, Qt::AlignLeft | Qt::AlignTop);
    countryList_ = new QComboBox(reg);
    countryList_->setObjectName("cbCountries");
    countryList_->setGeometry(119, 154, 186, 21);
    countryList_->setEditable(false);
    countryList_->setMaxVisibleItems(16);
    remember(Control::countryList, countryList_);
    setTabOrder(previous, countryList_);
    QPushButton* send = addButton(reg, std::nullopt, "btSendReg", "Send", {24, 188, 75, 25},
                                  &WindowEvents::onSendRegistration);
    QPushButton* cancel = addButton(reg, std::nullopt, "btRegCancel", "Cancel", {119, 188, 75, 25},
                                    &WindowEvents::onCancelRegistration);
    setTabOrder(countryList_, send);
    setTabOrder(send, cancel);

    DialogPanel* ok = addDialogPanel(Control::registrationDoneDialog, {336, 184}, "Panel5", "Registered",
                                     "Panel4", &WindowEvents::onRegistrationDoneOk);
    remember(Control::registrationDoneText,
             makeTextBox(ok, "mmRegOkMsg", {24, 49, 273, 81}, "Product successfully registered."));
    addButton(ok, std::nullopt, "btRegOKOK", "Ok", {24, 144, 75, 25}, &WindowEvents::onRegistrationDoneOk);

    DialogPanel* fault = addDialogPanel(Control::registrationFaultDialog, {336, 184}, "Panel10",
                                        "Register error", "Panel11", &WindowEvents::onRegistrationFaultOk);
    remember(Control::registrationFaultText,
             makeTextBox(fault, "mmRegFaultMsg", {24, 47, 281, 81},
                         "Error, Username already registered.\nPlease try again."));
    addButton(fault, std::nullopt, "Button4", "Ok", {24, 144, 75, 25}, &WindowEvents::onRegistrationFaultOk);
}

void MainWindow::buildFirmwarePanel() {
    DialogPanel* panel = addDialogPanel(Control::firmwareDialog, {417, 303}, "MoveDialog", "Update",
                                        "Panel12", &WindowEvents::onCancelFirmwareDialog);
    remember(Control::firmwareDialogTitle, panel->closeBox());
    QLabel* label9 = makeLabel(panel, "Label9",
                               "Please select the firmware that you want to write to device and click Update",
                               {17, 32, 380, 27}, Qt::AlignLeft | Qt::AlignTop);
    label9->setWordWrap(true);

    auto* path = new QLineEdit(panel);
    path->setObjectName("txBrowserPath");
    path->setGeometry(17, 54, 380, 19);
    path->setReadOnly(true);
    limitTyping(path, 64);
    remember(Control::catalogueFolderPath, path);

    firmwareList_ = new QTableWidget(0, 2, panel);
    firmwareList_->setObjectName("lvListFW");
    firmwareList_->setGeometry(17, 79, 380, 181);
    firmwareList_->setHorizontalHeaderLabels({"Version", "Size"});
    firmwareList_->setShowGrid(true);
    firmwareList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    firmwareList_->setSelectionMode(QAbstractItemView::SingleSelection);
    firmwareList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    firmwareList_->setSortingEnabled(false);
    firmwareList_->setIconSize({16, 16});
    firmwareList_->setWordWrap(false);
    firmwareList_->verticalHeader()->hide();
    firmwareList_->verticalHeader()->setDefaultSectionSize(18);
    firmwareList_->horizontalHeader()->setSectionsClickable(false);
    firmwareList_->horizontalHeader()->setMinimumSectionSize(50);
    firmwareList_->horizontalHeader()->setStretchLastSection(true);
    firmwareList_->setColumnWidth(0, 200);
    QPalette keepSelection = firmwareList_->palette();
    keepSelection.setColor(QPalette::Inactive, QPalette::Highlight,
                           keepSelection.color(QPalette::Active, QPalette::Highlight));
    keepSelection.setColor(QPalette::Inactive, QPalette::HighlightedText,
                           keepSelection.color(QPalette::Active, QPalette::HighlightedText));
    firmwareList_->setPalette(keepSelection);
    remember(Control::firmwareList, firmwareList_);
    connect(firmwareList_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (events_ != nullptr) events_->onFirmwareSelectionChange(true);
    });
    connect(firmwareList_, &QTableWidget::cellDoubleClicked, this,
            [this] { call(&WindowEvents::onFirmwareDoubleClick); });

    addButton(panel, Control::selectFirmwareButton, "btSelectFirmware", "Update firmware", {17, 268, 120, 25},
              &WindowEvents::onSelectFirmware);
    addButton(panel, Control::firmwareCancelButton, "Button3", "Cancel", {313, 268, 84, 25},
              &WindowEvents::onCancelFirmwareDialog);
}

void MainWindow::buildMenus() {
    operatorMenu_ = new QMenu(this);
    operatorMenu_->setObjectName("pmOps");
    actions_[Control::readDataEntry] =
        addMenuEntry(operatorMenu_, "Read1", "Read data", &WindowEvents::onReadData);
    actions_[Control::loadFirmwareEntry] =
        addMenuEntry(operatorMenu_, "Loadfirmware1", "Load firmware...", &WindowEvents::onLoadFirmware);
    actions_[Control::loadFirmwareEntry]->setVisible(false);
    actions_[Control::virtualModeEntry] = addMenuEntry(operatorMenu_, "ckVirtualDeviceMode", "Virtual mode",
                                                       &WindowEvents::onVirtualModeToggle, true);

    QMenu* setSerial = operatorMenu_->addMenu("Virtual Device");
    setSerial->setObjectName("SetSerial1");
    addMenuEntry(setSerial, "Real1", "Real", &WindowEvents::onRealDevice);
    setSerial->addSeparator()->setObjectName("N1");
    QAction* heading = setSerial->addAction("Virtual");
    heading->setObjectName("Virtual1");
    heading->setEnabled(false);
    addMenuEntry(setSerial, "Blacklist1", "AK01", &WindowEvents::onVirtualAk01);
    addMenuEntry(setSerial, "OK1", "AK02", &WindowEvents::onVirtualAk02);
    addMenuEntry(setSerial, "Error1", "AK03", &WindowEvents::onVirtualAk03);
    addMenuEntry(setSerial, "Otro1", "VIRA", &WindowEvents::onVirtualVira);

    QMenu* serverMode = operatorMenu_->addMenu("Server mode");
    serverMode->setObjectName("pmiServerMode");
    actions_[Control::serverDebugEntry] =
        addMenuEntry(serverMode, "Debug1", "Debug", &WindowEvents::onServerDebugToggle, true);
    actions_[Control::cryptEntry] =
        addMenuEntry(serverMode, "ckCrypt1", "Crypt", &WindowEvents::onCryptToggle, true);

    QMenu* fields = operatorMenu_->addMenu("Fields");
    fields->setObjectName("Campos1");
    actions_[Control::editableFieldsEntry] =
        addMenuEntry(fields, "ckEditFields", "Editable", &WindowEvents::onEditableFieldsToggle, true);
    addMenuEntry(fields, "Establecer1", "Set", &WindowEvents::onSetFields);

    actions_[Control::debugModeEntry] =
        addMenuEntry(operatorMenu_, "Mododebug1", "Debug mode", &WindowEvents::onDebugModeToggle, true);

    logMenu_ = new QMenu(this);
    logMenu_->setObjectName("pmLog");
    addMenuEntry(logMenu_, "pmiSaveLog", "Save to disk...", &WindowEvents::onSaveLog);
    addMenuEntry(logMenu_, "Clear1", "Clear", &WindowEvents::onClearLog);
}

void MainWindow::buildTimers() {
    auto* connectTimer = new QTimer(this);
    connectTimer->setObjectName("tmConnect");
    connectTimer->setInterval(600);
    connect(connectTimer, &QTimer::timeout, this, [this] { call(&WindowEvents::onConnectTimer); });
    timers_[Control::connectTimer] = connectTimer;

    auto* statusTimer = new QTimer(this);
    statusTimer->setObjectName("tmUpdateStatus");
    statusTimer->setInterval(500);
    connect(statusTimer, &QTimer::timeout, this, [this] { call(&WindowEvents::onStatusTimer); });
    timers_[Control::statusTimer] = statusTimer;
    statusTimer->start();
}

DialogPanel* MainWindow::addDialogPanel(Control control, QSize size, const QString& titleName,
                                        const QString& caption, const QString& closeName,
                                        Handler closeHandler) {
    auto* panel = new DialogPanel(this, app::controlName(control), size, titleName, caption, closeName);
    remember(control, panel);
    TitleBar* bar = panel->titleBar();
    bar->onPress = [this](QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        drag_.mouseDown(event->button() == Qt::LeftButton, at.x(), at.y());
    };
    bar->onMove = [this, panel](QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        const QSize outer = frameGeometry().size();
        if (const auto moved =
                drag_.mouseMove(at.x(), at.y(), {panel->x(), panel->y()}, {panel->width(), panel->height()},
                                {outer.width(), outer.height()})) {
            panel->move(moved->left, moved->top);
        }
        update();
    };
    bar->onRelease = [this](QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        drag_.mouseUp(event->button() == Qt::LeftButton, at.x(), at.y());
    };
    panel->closeBox()->onClick = [this, closeHandler] { call(closeHandler); };
    return panel;
}

QPushButton* MainWindow::addButton(QWidget* parent, std::optional<Control> control, const QString& name,
                                   const QString& caption, QRect geometry, Handler handler) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    if (control) remember(*control, button);
    connect(button, &QPushButton::clicked, this, [this, handler] { call(handler); });
    return button;
}

QAction* MainWindow::addMenuEntry(QMenu* menu, const QString& name, const QString& caption, Handler handler,
                                  bool ticked) {
    QAction* entry = menu->addAction(caption);
    entry->setObjectName(name);
    if (ticked) {
        entry->setCheckable(true);
        ticks_[entry] = false;
    }
    connect(entry, &QAction::triggered, this, [this, entry, handler] {
        // The handlers set and clear the ticks themselves: undo Qt's own toggle first.
        if (const auto tick = ticks_.find(entry); tick != ticks_.end()) entry->setChecked(tick->second);
        call(handler);
    });
    return entry;
}

}  // namespace ui
