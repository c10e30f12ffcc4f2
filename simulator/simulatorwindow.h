// velk: plays a vision switcher's serial tally output. The operator lights
// sources on an 8 x 8 lamp panel and picks an ID; every click, and in
// Continue mode every half second, the whole tally frame goes out on the
// port. The port is only ever written.
#pragma once

#include "link/switcherframe.h"
#include "platform/controls.h"
#include "platform/messageboxes.h"
#include "platform/modalgate.h"
#include "platform/picturebox.h"
#include "platform/portmap.h"
#include "platform/porttitle.h"
#include "platform/serialcomm.h"
#include "simulator/simulatorform.h"

#include <QColor>
#include <QWidget>

namespace simulator {

// The design's caption, translated where it is shown (SimulatorWindow::tr).
inline constexpr char kCaption[] = QT_TRANSLATE_NOOP("simulator::SimulatorWindow", "VELK Tally Simulater");
inline const QColor kPanelBackground(0x80, 0x80, 0x80);
inline const QColor kDarkLamp(0x66, 0x66, 0x66);
inline const QColor kLitLamp(0xFF, 0xFF, 0x00);
inline constexpr int kRepeatMs = 500;

class SimulatorWindow : public QWidget, public SimulatorForm {
    Q_OBJECT
public:
    SimulatorWindow(platform::PortMap ports, platform::MessageBoxes &boxes, QWidget *parent = nullptr);
    ~SimulatorWindow() override;

    // Handlers, named after control and event.
    void Combo1_Click();
    void Picture1_MouseDown(Qt::MouseButton button, bool shift, double x, double y);
    void Option1_Click();
    void Option2_Click();
    void Timer1_Timer();

private:
    friend struct SimulatorForm; // connects the handlers

    void Form_Load();
    void initPanel();
    void drawLamps();
    void SearchPorts();
    void ProbePort(int port);
    void SendTally();
    void portLost(const QString &description);

    platform::MessageBoxes &m_boxes;
    platform::PortTitle *m_title = nullptr;
    switcherlink::LampStates Lamps{};
    switcherlink::TallyBytes TallyFrame{};
};

} // namespace simulator
