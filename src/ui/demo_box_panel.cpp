#include "ui/demo_box_panel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "sim/box/presets.h"
#include "sim/box/sim_backend.h"

namespace ui {

namespace {

QString presetDescription(const std::string& preset) {
    for (const sim::Preset& entry : sim::presets())
        if (preset == entry.name) return QString::fromUtf8(entry.description);
    return {};
}

}  // namespace

DemoBoxPanel::DemoBoxPanel(sim::SimBackend& box, const std::string& preset, int serverPort, QWidget* parent,
                           sim::BoxConfig (*boxLayout)(sim::BoxConfig))
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      box_(box),
      preset_(preset),
      layout_(boxLayout) {
    setObjectName("DemoBoxPanel");
    setWindowTitle("Simulated box");
    auto* layout = new QVBoxLayout(this);
    auto* about =
        new QLabel(QString("<b>Preset \"%1\"</b><br>%2<br><br>Stand-in support server on "
                           "127.0.0.1:%3 with the sample catalogue.")
                       .arg(QString::fromStdString(preset), presetDescription(preset).toHtmlEscaped())
                       .arg(serverPort),
                   this);
    about->setWordWrap(true);
    layout->addWidget(about);
    state_ = new QLabel(this);
    state_->setObjectName("boxState");
    layout->addWidget(state_);
    plug_ = new QPushButton(this);
    plug_->setObjectName("btPlug");
    connect(plug_, &QPushButton::clicked, this, [this] { togglePlug(); });
    layout->addWidget(plug_);
    second_ = new QPushButton("Plug a second box", this);
    second_->setObjectName("btSecondBox");
    connect(second_, &QPushButton::clicked, this, [this] { plugSecondBox(); });
    layout->addWidget(second_);
    setFixedWidth(230);
    showState();
}

void DemoBoxPanel::placeBeside(const QWidget& window) {
    adjustSize();
    const QRect frame = window.frameGeometry();
    QPoint at(frame.right() + 12, frame.top());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        if (at.x() + width() > room.right()) at.setX(frame.left() - 12 - width());  // to the left
        if (at.x() < room.left()) at = QPoint(frame.left(), frame.bottom() + 12);   // below
        // Wholly on the screen, even if it has to cover part of the window.
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
    }
    move(at);
}

void DemoBoxPanel::togglePlug() {
    box_.isPresent() ? box_.unplug() : box_.plug();
    showState();
}

void DemoBoxPanel::plugSecondBox() {
    // Of the first box's preset (the first name of a list); one second box is enough to show.
    const std::string first = preset_.substr(0, preset_.find(','));
    secondBox_ = sim::addPresetBox(box_, first.empty() ? "good" : first, layout_);
    showState();
}

void DemoBoxPanel::showState() {
    const bool plugged = box_.isPresent();
    QString text = plugged ? "The box is plugged in." : "The box is unplugged.";
    if (secondBox_) text += " A second box is plugged in.";
    state_->setText(text);
    plug_->setText(plugged ? "Unplug the box" : "Plug the box in");
    second_->setEnabled(!secondBox_);
}

}  // namespace ui
