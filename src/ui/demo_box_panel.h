// The demo's small "Simulated box" window beside the updater: which box is plugged in, where the stand-in
// server listens, and a button that pulls the box out of the bus and plugs it back in.
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QPushButton;

namespace sim {
class SimBackend;
}

namespace ui {

class DemoBoxPanel : public QWidget {
public:
    DemoBoxPanel(sim::SimBackend& box, const std::string& preset, int serverPort, QWidget* parent = nullptr);

    // Places the panel to the right of the window (or below it when the screen is too narrow).
    void placeBeside(const QWidget& window);

private:
    void togglePlug();
    void showState();

    sim::SimBackend& box_;
    QLabel* state_ = nullptr;
    QPushButton* plug_ = nullptr;
};

}  // namespace ui
