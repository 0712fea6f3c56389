// A dialog panel drawn inside the main window: white, a single border, a 20-pixel title bar with a black
// close box. The window handles dragging by the title bar and what the close box does.
#pragma once

#include <QFrame>
#include <QLabel>
#include <functional>

class QMouseEvent;

namespace ui {

// The title bar: passes its mouse events on, in its own coordinates.
class TitleBar : public QLabel {
public:
    using MouseHandler = std::function<void(QMouseEvent*)>;
    TitleBar(const QString& caption, QWidget* parent);

    MouseHandler onPress, onMove, onRelease;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The close box: a click (press and release inside) calls onClick while it is enabled.
class CloseBox : public QLabel {
public:
    explicit CloseBox(QWidget* parent);
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;  // taken here, so the title bar does not start a drag
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
};

class DialogPanel : public QFrame {
public:
    static constexpr int kTitleHeight = 20;
    static constexpr int kCloseBoxSize = 17;

    // `titleName` and `closeName` are the layout names of the title bar and the close box.
    DialogPanel(QWidget* parent, const QString& name, QSize size, const QString& titleName,
                const QString& caption, const QString& closeName);

    TitleBar* titleBar() const { return titleBar_; }
    CloseBox* closeBox() const { return closeBox_; }

private:
    TitleBar* titleBar_;
    CloseBox* closeBox_;
};

}  // namespace ui
