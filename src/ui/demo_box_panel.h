// The demo's small "Simulated box" window beside the updater: which box is plugged in, where the stand-in
// server listens, a button that pulls the box out of the bus and plugs it back in, and one that plugs a
// second box of the same preset into the bus (the window keeps working with the first).
#pragma once

#include <QWidget>
#include <string>

#include "sim/box/box_config.h"

class QLabel;
class QPushButton;

namespace sim {
class SimBackend;
}

namespace ui {

class DemoBoxPanel : public QWidget {
public:
    // `layout`: how the demo changed the preset's layout for the first box; the second box gets the same.
    DemoBoxPanel(sim::SimBackend& box, const std::string& preset, int serverPort, QWidget* parent = nullptr,
                 sim::BoxConfig (*layout)(sim::BoxConfig) = nullptr);

    // Places the panel to the right of the window (or below it when the screen is too narrow).
    void placeBeside(const QWidget& window);

private:
    void togglePlug();
    void plugSecondBox();
    void showState();

    sim::SimBackend& box_;
    std::string preset_;
    sim::BoxConfig (*layout_)(sim::BoxConfig);
    bool secondBox_ = false;
    QLabel* state_ = nullptr;
    QPushButton* plug_ = nullptr;
    QPushButton* second_ = nullptr;
};

}  // namespace ui
