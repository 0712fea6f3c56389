#include "ui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "app/control_names.h"
#include "app/log.h"
#include "app/main_form.h"
#include "arvex/config.h"
#include "ui/artwork.h"
#include "ui/cp1252.h"
#include "ui/dialog_panel.h"
#include "ui/typing_limit.h"

namespace ui {

using app::Control;
using app::WindowEvents;

// The busy lamp: a rounded rectangle in one colour.
class Lamp : public QWidget {
public:
    explicit Lamp(QWidget* parent) : QWidget(parent) {}
    void setColour(QColor colour) {
        colour_ = colour;
        update();
    }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QColor(90, 90, 90));
        painter.setBrush(colour_);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }

private:
    QColor colour_ = Qt::white;
};

namespace {

QFont windowFont() {
    QFont font(QStringList{"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"});
    font.setPixelSize(11);
    return font;
}

QFont fixedFont(int pixels) {
    QFont font(QStringList{"Lucida Console", "DejaVu Sans Mono"});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixels);
    return font;
}

QFont textBoxFont() {
    QFont font(QStringList{"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"});
    font.setPixelSize(13);
    return font;
}

std::mutex& handoverMutex() {
    static std::mutex mutex;
    return mutex;
}

QColor toQColor(app::Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

void paintBackground(QWidget* widget, QColor colour) {
    widget->setAutoFillBackground(true);
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colour);
    widget->setPalette(colours);
}

// Memo texts use LF for their line ends.
QString memoText(const std::string& text) {
    return fromCp1252(text).replace("\r\n", "\n");
}

// "Log (*.log)|*.log|All files (*.*)|*.*" -> "Log (*.log);;All files (*.*)"
QString qtFilter(const std::string& filter) {
    const QStringList parts = fromCp1252(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        filters << (description.contains('(') ? description : description + " (" + patterns + ")");
    }
    return filters.join(";;");
}

std::optional<std::string> chosenPath(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

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

TKTRF::TKTRF(QWidget* parent) : QWidget(parent) {
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

TKTRF::~TKTRF() {
    View* self = this;
    app::mainForm.compare_exchange_strong(self, nullptr);
}

void TKTRF::buildMainPanel() {
    gPanel_ = new QFrame(this);
    gPanel_->setObjectName("gPanel");
    gPanel_->setGeometry(0, 0, 668, 378);
    paintBackground(gPanel_, QColor(203, 223, 248));
    remember(Control::gPanel, gPanel_);

    auto* imageBack = new QLabel(gPanel_);
    imageBack->setObjectName("ImageBack");
    imageBack->setGeometry(gPanel_->rect());
    imageBack->setScaledContents(true);
    imageBack->setPixmap(backgroundPicture(gPanel_->size()));

    auto* image2 = new QLabel(gPanel_);
    image2->setObjectName("Image2");
    image2->setGeometry(525, 1, 140, 51);
    image2->setPixmap(logoPicture(image2->size()));

    QLabel* label8 = makeLabel(gPanel_, "Label8", "Products Available", {10, 11, 209, 18});
    label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = label8->font();
    bold.setBold(true);
    label8->setFont(bold);

    lbProducts_ = new QListWidget(gPanel_);
    lbProducts_->setObjectName("lbProducts");
    lbProducts_->setGeometry(8, 27, 211, 111);
    lbProducts_->setFont(fixedFont(12));
    lbProducts_->setUniformItemSizes(true);
    lbProducts_->setSelectionMode(QAbstractItemView::SingleSelection);
    lbProducts_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbProducts_->setEnabled(false);
    remember(Control::lbProducts, lbProducts_);
    connect(lbProducts_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (events_ != nullptr) events_->lbProductsClick(lbProducts_->row(item));
    });

    addButton(gPanel_, Control::btConnect, "btConnect", "Reconnect", {233, 27, 92, 35},
              &WindowEvents::btConnectClick);
    btOps_ = addButton(gPanel_, Control::btOps, "btOps", ">", {306, 27, 19, 35}, &WindowEvents::btOpsClick);
    btOps_->hide();
    addButton(gPanel_, Control::btUpdate, "btUpdate", "Update", {233, 66, 92, 35},
              &WindowEvents::btUpdateClick)
        ->setEnabled(false);
    addButton(gPanel_, Control::btFactory, "btFactory", "Factory Settings", {233, 104, 92, 35},
              &WindowEvents::btFactoryClick)
        ->setEnabled(false);

    auto* bevel3 = new QFrame(gPanel_);
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
        {Control::textBox_PID1, "textBox_PID1", "Product: ", 13, 6},
        {Control::textBox_Serial1, "textBox_Serial1", "Serial: ", 34, 10},
        {Control::textBox_Date1, "textBox_Date1", "Prog. date: ", 55, 32},
        {Control::textBox_Reseller1, "textBox_Reseller1", "Reseller:", 76, 64},
        {Control::textBox_hwversion, "textBox_hwversion", "Hw version:", 97, 64},
        {Control::textBox_fwversion, "textBox_fwversion", "Fw version:", 118, 64},
    };
    for (const IdentityField& field : fields) {
        makeLabel(gPanel_, QString(field.name) + "Caption", field.caption, {344, field.top, 72, 19},
                  Qt::AlignRight | Qt::AlignVCenter);
        auto* edit = new QLineEdit(gPanel_);
        edit->setObjectName(field.name);
        edit->setGeometry(419, field.top, 109, 19);
        edit->setReadOnly(true);
        limitTyping(edit, field.maxLength);
        edit->setTextMargins(1, 0, 1, 0);
        remember(field.control, edit);
    }

    QLabel* lbVersion =
        makeLabel(gPanel_, "lbVersion", "", {546, 41, 111, 18}, Qt::AlignRight | Qt::AlignVCenter);
    remember(Control::lbVersion, lbVersion);

    QLabel* panel8 = makeLabel(gPanel_, "Panel8", "Status", {546, 59, 111, 16}, Qt::AlignCenter);
    paintBackground(panel8, QColor(115, 177, 247));
    QPalette white = panel8->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    panel8->setPalette(white);
    panel8->installEventFilter(this);

    auto* shape1 = new QFrame(gPanel_);
    shape1->setObjectName("Shape1");
    shape1->setGeometry(546, 74, 111, 60);
    shape1->setStyleSheet("QFrame#Shape1 { border: 1px solid rgb(201,235,252); background: transparent; }");

    lConnected_ = makeLabel(gPanel_, "lConnected", "", {555, 82, 77, 25}, Qt::AlignCenter);
    lConnected_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    paintBackground(lConnected_, QColor(209, 209, 209));
    // The state stays readable while the main panel is disabled (under a dialog panel, or blocked).
    QPalette readable = lConnected_->palette();
    readable.setColor(QPalette::Disabled, QPalette::WindowText,
                      readable.color(QPalette::Active, QPalette::WindowText));
    lConnected_->setPalette(readable);
    remember(Control::lConnected, lConnected_);

    sBussy_ = new Lamp(gPanel_);
    sBussy_->setObjectName("sBussy");
    sBussy_->setGeometry(638, 82, 12, 25);
    remember(Control::sBussy, sBussy_);

    progressBar_ = new QProgressBar(gPanel_);
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
    remember(Control::ProgressBar, progressBar_);

    log_ = new QPlainTextEdit(gPanel_);
    log_->setObjectName("Log");
    log_->setGeometry(8, 148, 649, 221);
    log_->setReadOnly(true);
    log_->setFont(fixedFont(11));
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmLog_->popup(log_->mapToGlobal(at)); });
}

void TKTRF::buildUpdatePanel() {
    DialogPanel* panel = addDialogPanel(Control::pUpdate, {336, 184}, "Panel6", "Updating firmware",
                                        "pUpdateClose", &WindowEvents::btUpdateOK);
    makeTextBox(panel, "mmUpdateMsg", {24, 40, 290, 81},
                "Upgrading in progress.\nPlease, do not disconnect the device until \nfinished.");
    addButton(panel, std::nullopt, "Button1", "Ok", {24, 134, 75, 25}, &WindowEvents::btUpdateOK)
        ->setEnabled(false);
    panel->closeBox()->setEnabled(false);
}

void TKTRF::buildRegistrationPanels() {
    DialogPanel* reg = addDialogPanel(Control::pReg, {335, 224}, "Panel7", "Register", "Panel9",
                                      &WindowEvents::btRegCancelClick);
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
        {Control::edRegName, "Label5", "Name:", "edRegName", 80, 78, 64},
        {Control::edRegeMail, "Label6", "e-Mail:", "edRegeMail", 105, 103, 64},
        {Control::edRegPassword, "Label7", "Password:", "edRegPassword", 130, 128, 32},
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
    cbCountries_ = new QComboBox(reg);
    cbCountries_->setObjectName("cbCountries");
    cbCountries_->setGeometry(119, 154, 186, 21);
    cbCountries_->setEditable(false);
    cbCountries_->setMaxVisibleItems(16);
    remember(Control::cbCountries, cbCountries_);
    setTabOrder(previous, cbCountries_);
    QPushButton* send =
        addButton(reg, std::nullopt, "btSendReg", "Send", {24, 188, 75, 25}, &WindowEvents::btSendRegClick);
    QPushButton* cancel = addButton(reg, std::nullopt, "btRegCancel", "Cancel", {119, 188, 75, 25},
                                    &WindowEvents::btRegCancelClick);
    setTabOrder(cbCountries_, send);
    setTabOrder(send, cancel);

    DialogPanel* ok = addDialogPanel(Control::pRegOK, {336, 184}, "Panel5", "Registered", "Panel4",
                                     &WindowEvents::btRegOKOKClick);
    remember(Control::mmRegOkMsg,
             makeTextBox(ok, "mmRegOkMsg", {24, 49, 273, 81}, "Product successfully registered."));
    addButton(ok, std::nullopt, "btRegOKOK", "Ok", {24, 144, 75, 25}, &WindowEvents::btRegOKOKClick);

    DialogPanel* fault = addDialogPanel(Control::pRegFault, {336, 184}, "Panel10", "Register error",
                                        "Panel11", &WindowEvents::btRegFaultOKClick);
    remember(Control::mmRegFaultMsg, makeTextBox(fault, "mmRegFaultMsg", {24, 47, 281, 81},
                                                 "Error, Username already registered.\nPlease try again."));
    addButton(fault, std::nullopt, "Button4", "Ok", {24, 144, 75, 25}, &WindowEvents::btRegFaultOKClick);
}

void TKTRF::buildFirmwarePanel() {
    DialogPanel* panel = addDialogPanel(Control::pFirmUpdate, {417, 303}, "MoveDialog", "Update", "Panel12",
                                        &WindowEvents::btFirmUpdateCancelClick);
    remember(Control::Panel12, panel->closeBox());
    QLabel* label9 = makeLabel(panel, "Label9",
                               "Please select the firmware that you want to write to device and click Update",
                               {17, 32, 380, 27}, Qt::AlignLeft | Qt::AlignTop);
    label9->setWordWrap(true);

    auto* path = new QLineEdit(panel);
    path->setObjectName("txBrowserPath");
    path->setGeometry(17, 54, 380, 19);
    path->setReadOnly(true);
    limitTyping(path, 64);
    remember(Control::txBrowserPath, path);

    lvListFW_ = new QTableWidget(0, 2, panel);
    lvListFW_->setObjectName("lvListFW");
    lvListFW_->setGeometry(17, 79, 380, 181);
    lvListFW_->setHorizontalHeaderLabels({"Version", "Size"});
    lvListFW_->setShowGrid(true);
    lvListFW_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvListFW_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvListFW_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvListFW_->setSortingEnabled(false);
    lvListFW_->setIconSize({16, 16});
    lvListFW_->setWordWrap(false);
    lvListFW_->verticalHeader()->hide();
    lvListFW_->verticalHeader()->setDefaultSectionSize(18);
    lvListFW_->horizontalHeader()->setSectionsClickable(false);
    lvListFW_->horizontalHeader()->setMinimumSectionSize(50);
    lvListFW_->horizontalHeader()->setStretchLastSection(true);
    lvListFW_->setColumnWidth(0, 200);
    QPalette keepSelection = lvListFW_->palette();
    keepSelection.setColor(QPalette::Inactive, QPalette::Highlight,
                           keepSelection.color(QPalette::Active, QPalette::Highlight));
    keepSelection.setColor(QPalette::Inactive, QPalette::HighlightedText,
                           keepSelection.color(QPalette::Active, QPalette::HighlightedText));
    lvListFW_->setPalette(keepSelection);
    remember(Control::lvListFW, lvListFW_);
    connect(lvListFW_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (events_ != nullptr) events_->lvListFWChange(true);
    });
    connect(lvListFW_, &QTableWidget::cellDoubleClicked, this,
            [this] { call(&WindowEvents::lvListFWDblClick); });

    addButton(panel, Control::btSelectFirmware, "btSelectFirmware", "Update firmware", {17, 268, 120, 25},
              &WindowEvents::btSelectFirmwareClick);
    addButton(panel, Control::Button3, "Button3", "Cancel", {313, 268, 84, 25},
              &WindowEvents::btFirmUpdateCancelClick);
}

void TKTRF::buildMenus() {
    pmOps_ = new QMenu(this);
    pmOps_->setObjectName("pmOps");
    actions_[Control::Read1] = addMenuEntry(pmOps_, "Read1", "Read data", &WindowEvents::Read1Click);
    actions_[Control::Loadfirmware1] =
        addMenuEntry(pmOps_, "Loadfirmware1", "Load firmware...", &WindowEvents::Loadfirmware1Click);
    actions_[Control::Loadfirmware1]->setVisible(false);
    actions_[Control::ckVirtualDeviceMode] = addMenuEntry(pmOps_, "ckVirtualDeviceMode", "Virtual mode",
                                                          &WindowEvents::ckVirtualDeviceModeClick, true);

    QMenu* setSerial = pmOps_->addMenu("Virtual Device");
    setSerial->setObjectName("SetSerial1");
    addMenuEntry(setSerial, "Real1", "Real", &WindowEvents::Real1Click);
    setSerial->addSeparator()->setObjectName("N1");
    QAction* heading = setSerial->addAction("Virtual");
    heading->setObjectName("Virtual1");
    heading->setEnabled(false);
    addMenuEntry(setSerial, "Blacklist1", "AK01", &WindowEvents::Blacklist1Click);
    addMenuEntry(setSerial, "OK1", "AK02", &WindowEvents::OK1Click);
    addMenuEntry(setSerial, "Error1", "AK03", &WindowEvents::Error1Click);
    addMenuEntry(setSerial, "Otro1", "VIRA", &WindowEvents::Otro1Click);

    QMenu* serverMode = pmOps_->addMenu("Server mode");
    serverMode->setObjectName("pmiServerMode");
    actions_[Control::Debug1] = addMenuEntry(serverMode, "Debug1", "Debug", &WindowEvents::Debug1Click, true);
    actions_[Control::ckCrypt1] =
        addMenuEntry(serverMode, "ckCrypt1", "Crypt", &WindowEvents::ckCrypt1Click, true);

    QMenu* fields = pmOps_->addMenu("Fields");
    fields->setObjectName("Campos1");
    actions_[Control::ckEditFields] =
        addMenuEntry(fields, "ckEditFields", "Editable", &WindowEvents::ckEditFieldsClick, true);
    addMenuEntry(fields, "Establecer1", "Set", &WindowEvents::Establecer1Click);

    actions_[Control::Mododebug1] =
        addMenuEntry(pmOps_, "Mododebug1", "Debug mode", &WindowEvents::Mododebug1Click, true);

    pmLog_ = new QMenu(this);
    pmLog_->setObjectName("pmLog");
    addMenuEntry(pmLog_, "pmiSaveLog", "Save to disk...", &WindowEvents::pmiSaveLogClick);
    addMenuEntry(pmLog_, "Clear1", "Clear", &WindowEvents::Clear1Click);
}

void TKTRF::buildTimers() {
    auto* tmConnect = new QTimer(this);
    tmConnect->setObjectName("tmConnect");
    tmConnect->setInterval(600);
    connect(tmConnect, &QTimer::timeout, this, [this] { call(&WindowEvents::tmConnectTimer); });
    timers_[Control::tmConnect] = tmConnect;

    auto* tmUpdateStatus = new QTimer(this);
    tmUpdateStatus->setObjectName("tmUpdateStatus");
    tmUpdateStatus->setInterval(500);
    connect(tmUpdateStatus, &QTimer::timeout, this, [this] { call(&WindowEvents::tmUpdateStatusTimer); });
    timers_[Control::tmUpdateStatus] = tmUpdateStatus;
    tmUpdateStatus->start();
}

DialogPanel* TKTRF::addDialogPanel(Control control, QSize size, const QString& titleName,
                                   const QString& caption, const QString& closeName, Handler closeHandler) {
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

QPushButton* TKTRF::addButton(QWidget* parent, std::optional<Control> control, const QString& name,
                              const QString& caption, QRect geometry, Handler handler) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    if (control) remember(*control, button);
    connect(button, &QPushButton::clicked, this, [this, handler] { call(handler); });
    return button;
}

QAction* TKTRF::addMenuEntry(QMenu* menu, const QString& name, const QString& caption, Handler handler,
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

void TKTRF::remember(Control control, QWidget* widget) {
    widgets_[control] = widget;
}

void TKTRF::call(Handler handler) {
    if (events_ != nullptr) (events_->*handler)();
}

void TKTRF::start(app::WindowEvents& events) {
    events_ = &events;
    events.ActiveFormCreate();
}

void TKTRF::stop(const std::function<bool()>& busy) {
    events_ = nullptr;
    for (const auto& entry : timers_) entry.second->stop();
    hide();
    QEventLoop wait;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
        if (!busy()) wait.quit();
    });
    poll.start(50);
    if (busy()) wait.exec();
}

bool TKTRF::eventFilter(QObject* watched, QEvent* event) {
    if (watched->objectName() == "Panel8" && event->type() == QEvent::MouseButtonPress &&
        events_ != nullptr) {
        const auto* press = static_cast<QMouseEvent*>(event);
        events_->Panel8MouseDown(press->button() == Qt::RightButton,
                                 press->modifiers().testFlag(Qt::ControlModifier));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

template <typename Work>
void TKTRF::onUiThread(Work&& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    // Queued to the window's thread; the caller waits on a standard condition variable, so that thread
    // checkers see the hand-over. The guard signals when the queued call is destroyed: after it ran, or
    // when Qt drops it because the window is gone.
    struct Done {
        std::mutex mutex;
        std::condition_variable signal;
        bool done = false;
    };
    struct Signaller {
        explicit Signaller(std::shared_ptr<Done> done) : state(std::move(done)) {}
        Signaller(const Signaller&) = delete;
        Signaller& operator=(const Signaller&) = delete;
        ~Signaller() {
            std::lock_guard lock(state->mutex);
            state->done = true;
            state->signal.notify_all();
        }
        std::shared_ptr<Done> state;
    };
    auto state = std::make_shared<Done>();
    {
        auto signaller = std::make_shared<Signaller>(state);
        // Qt's event queue hands the call over with locks that thread checkers cannot see; taking this
        // mutex around the posting and at the start of the call makes the hand-over visible to them.
        std::lock_guard handover(handoverMutex());
        QMetaObject::invokeMethod(
            this,
            [&work, signaller]() mutable {
                { std::lock_guard published(handoverMutex()); }
                work();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock lock(state->mutex);
    state->signal.wait(lock, [&] { return state->done; });
}

QWidget* TKTRF::widget(Control control) const {
    const auto found = widgets_.find(control);
    return found == widgets_.end() ? nullptr : found->second;
}

QAction* TKTRF::action(Control control) const {
    const auto found = actions_.find(control);
    return found == actions_.end() ? nullptr : found->second;
}

QTimer* TKTRF::timer(Control control) const {
    const auto found = timers_.find(control);
    return found == timers_.end() ? nullptr : found->second;
}

void TKTRF::setEnabled(Control control, bool enabled) {
    onUiThread([&] {
        if (QTimer* t = timer(control)) {
            enabled ? t->start() : t->stop();
        } else if (QAction* a = action(control)) {
            a->setEnabled(enabled);
        } else if (QWidget* w = widget(control)) {
            w->setEnabled(enabled);
        }
    });
}

void TKTRF::setVisible(Control control, bool visible) {
    onUiThread([&] {
        if (QAction* a = action(control)) {
            a->setVisible(visible);
        } else if (QWidget* w = widget(control)) {
            w->setVisible(visible);
            if (visible) w->raise();
        }
    });
}

void TKTRF::setText(Control control, const std::string& text) {
    onUiThread([&] {
        QWidget* w = widget(control);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            edit->setText(fromCp1252(text));
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
            memo->setPlainText(memoText(text));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(fromCp1252(text));
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            button->setText(fromCp1252(text));
        } else if (QAction* a = action(control)) {
            a->setText(fromCp1252(text));
        }
    });
}

std::string TKTRF::text(Control control) {
    std::string result;
    onUiThread([&] {
        QWidget* w = widget(control);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            result = toCp1252(edit->text());
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
            result = toCp1252(memo->toPlainText());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            result = toCp1252(label->text());
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            result = toCp1252(button->text());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            result = toCp1252(combo->currentText());
        }
    });
    return result;
}

void TKTRF::setColor(Control control, app::Rgb colour) {
    onUiThread([&] {
        if (control == Control::sBussy) {
            sBussy_->setColour(toQColor(colour));
        } else if (QWidget* w = widget(control)) {
            paintBackground(w, toQColor(colour));
        }
    });
}

void TKTRF::setChecked(Control control, bool checked) {
    onUiThread([&] {
        if (QAction* a = action(control)) {
            ticks_[a] = checked;
            a->setChecked(checked);
        }
    });
}

void TKTRF::moveTo(Control control, int left, int top) {
    onUiThread([&] {
        if (QWidget* w = widget(control)) w->move(left, top);
    });
}

void TKTRF::setTimerInterval(Control control, int milliseconds) {
    onUiThread([&] {
        if (QTimer* t = timer(control)) t->setInterval(milliseconds);
    });
}

void TKTRF::setProgress(int position) {
    onUiThread([&] { progressBar_->setValue(position); });
}

void TKTRF::setProgressRange(int minimum, int maximum) {
    onUiThread([&] { progressBar_->setRange(minimum, maximum); });
}

void TKTRF::setItems(Control list, const std::vector<std::string>& items) {
    onUiThread([&] {
        QStringList texts;
        for (const std::string& item : items) texts << fromCp1252(item);
        if (list == Control::lbProducts) {
            lbProducts_->clear();
            lbProducts_->addItems(texts);
            lbProducts_->setCurrentRow(-1);
        } else if (list == Control::cbCountries) {
            cbCountries_->clear();
            cbCountries_->addItems(texts);
            cbCountries_->setCurrentIndex(-1);
        }
    });
}

void TKTRF::setSelectedIndex(Control list, int index) {
    onUiThread([&] {
        if (list == Control::lbProducts) {
            lbProducts_->setCurrentRow(index);
            if (index < 0) lbProducts_->clearSelection();
        } else if (list == Control::cbCountries) {
            cbCountries_->setCurrentIndex(index);
        }
    });
}

int TKTRF::selectedIndex(Control list) {
    int result = -1;
    onUiThread([&] {
        if (list == Control::lbProducts) {
            result = lbProducts_->selectedItems().isEmpty() ? -1 : lbProducts_->currentRow();
        } else if (list == Control::cbCountries) {
            result = cbCountries_->currentIndex();
        }
    });
    return result;
}

void TKTRF::appendLog(const std::string& entry) {
    onUiThread([&] {
        const std::vector<std::string> lines = app::splitLogEntry(entry);
        QStringList texts;
        for (const std::string& line : lines) texts << fromCp1252(line);
        logLines_.insert(logLines_.end(), lines.begin(), lines.end());
        log_->appendPlainText(texts.join('\n'));
    });
}

void TKTRF::clearLog() {
    onUiThread([&] {
        logLines_.clear();
        log_->clear();
    });
}

std::vector<std::string> TKTRF::logLines() {
    std::vector<std::string> result;
    onUiThread([&] { result = logLines_; });
    return result;
}

void TKTRF::clearRows() {
    onUiThread([&] {
        lvListFW_->clearContents();
        lvListFW_->setRowCount(0);
    });
}

void TKTRF::addRow(const app::ListRow& row) {
    onUiThread([&] {
        const int index = lvListFW_->rowCount();
        lvListFW_->insertRow(index);
        auto* caption =
            new QTableWidgetItem(row.icon == 0 ? folderIcon() : firmwareIcon(), fromCp1252(row.caption));
        lvListFW_->setItem(index, 0, caption);
        if (!row.subItems.empty())
            lvListFW_->setItem(index, 1, new QTableWidgetItem(fromCp1252(row.subItems[0])));
    });
}

int TKTRF::selectedRow() {
    int result = -1;
    onUiThread([&] {
        const QModelIndexList rows = lvListFW_->selectionModel()->selectedRows();
        result = rows.isEmpty() ? -1 : rows.front().row();
    });
    return result;
}

void TKTRF::setColumnWidths(int versionWidth, int sizeWidth) {
    onUiThread([&] {
        lvListFW_->setColumnWidth(0, versionWidth);
        lvListFW_->setColumnWidth(1, sizeWidth);
    });
}

std::optional<std::string> TKTRF::askOpenFile(const std::string& filter) {
    return chosenPath(QFileDialog::getOpenFileName(this, {}, {}, qtFilter(filter)));
}

std::optional<std::string> TKTRF::askSaveFile(const std::string& filter, const std::string& suggestedName) {
    return chosenPath(QFileDialog::getSaveFileName(this, {}, fromCp1252(suggestedName), qtFilter(filter)));
}

void TKTRF::refresh() {
    onUiThread([&] { update(); });
}

void TKTRF::processEvents() {
    onUiThread([] { QCoreApplication::processEvents(); });
}

void TKTRF::popupMenu(Control menu) {
    onUiThread([&] {
        if (menu != Control::pmOps) return;
        const QPoint at =
            btOps_->isVisible() ? btOps_->mapToGlobal(QPoint(0, btOps_->height())) : QCursor::pos();
        pmOps_->popup(at);
    });
}

}  // namespace ui
