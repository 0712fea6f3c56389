#include "ui/dialog_panel.h"

#include <QEvent>
#include <QMouseEvent>

namespace ui {

TitleBar::TitleBar(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0, 79, 157));
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setIndent(6);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
    if (onPress) onPress(event);
}
void TitleBar::mouseMoveEvent(QMouseEvent* event) {
    if (onMove) onMove(event);
}
void TitleBar::mouseReleaseEvent(QMouseEvent* event) {
    if (onRelease) onRelease(event);
}

CloseBox::CloseBox(QWidget* parent) : QLabel("x", parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, Qt::white);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, QColor(140, 140, 140));
    setPalette(colours);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
}

void CloseBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CloseBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
}

void CloseBox::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

DialogPanel::DialogPanel(QWidget* parent, const QString& name, QSize size, const QString& titleName,
                         const QString& caption, const QString& closeName)
    : QFrame(parent) {
    setObjectName(name);
    resize(size);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, QColor(60, 60, 60));
    setPalette(colours);

    titleBar_ = new TitleBar(caption, this);
    titleBar_->setObjectName(titleName);
    titleBar_->setGeometry(1, 1, size.width() - 2, kTitleHeight);
    // The bar's text is white; the frame colour above only paints the border.
    QPalette barColours = titleBar_->palette();
    barColours.setColor(QPalette::WindowText, Qt::white);
    titleBar_->setPalette(barColours);

    closeBox_ = new CloseBox(titleBar_);
    closeBox_->setObjectName(closeName);
    closeBox_->setGeometry(titleBar_->width() - kCloseBoxSize - 2, (kTitleHeight - kCloseBoxSize) / 2,
                           kCloseBoxSize, kCloseBoxSize);
    hide();
}

}  // namespace ui
