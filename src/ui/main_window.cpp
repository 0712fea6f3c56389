#include "ui/main_window.h"

#include <QAction>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include "ui/ui_thread.h"

namespace ui {

using app::Control;

MainWindow::~MainWindow() = default;

void MainWindow::remember(Control control, QWidget* widget) {
    widgets_[control] = widget;
}

void MainWindow::call(Handler handler) {
    if (events_ != nullptr) (events_->*handler)();
}

void MainWindow::start(app::WindowEvents& events) {
    events_ = &events;
    events.onWindowCreated();
}

void MainWindow::stop(const std::function<bool()>& busy) {
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

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched->objectName() == "Panel8" && event->type() == QEvent::MouseButtonPress &&
        events_ != nullptr) {
        const auto* press = static_cast<QMouseEvent*>(event);
        events_->onStatusCaptionGesture(press->button() == Qt::RightButton,
                                        press->modifiers().testFlag(Qt::ControlModifier));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::onUiThread(const std::function<void()>& work) {
    runOnThreadOf(*this, work);
}

QWidget* MainWindow::widget(Control control) const {
    const auto found = widgets_.find(control);
    return found == widgets_.end() ? nullptr : found->second;
}

QAction* MainWindow::action(Control control) const {
    const auto found = actions_.find(control);
    return found == actions_.end() ? nullptr : found->second;
}

QTimer* MainWindow::timer(Control control) const {
    const auto found = timers_.find(control);
    return found == timers_.end() ? nullptr : found->second;
}

}  // namespace ui
