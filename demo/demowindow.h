// The demonstration driver: one window whose 200 ms tick shows the PC
// clock on one unit or broadcasts the tally state of 24 simulated parallel
// inputs, with buttons for a unit's tally lamps and the address query.
#pragma once

#include "demo/demoform.h"
#include "demo/demosequence.h"
#include "link/protocol.h"
#include "link/replycollector.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/messageboxes.h"
#include "platform/modalgate.h"
#include "platform/picturebox.h"
#include "platform/portmap.h"
#include "platform/porttitle.h"
#include "platform/serialcomm.h"

#include <QWidget>

class QPushButton;

namespace demo {

// The design's caption, translated where it is shown (DemoWindow::tr).
inline constexpr char kCaption[] = QT_TRANSLATE_NOOP("demo::DemoWindow", "Kandrel");

class DemoWindow : public QWidget, public DemoForm {
    Q_OBJECT
public:
    DemoWindow(platform::PortMap ports, platform::MessageBoxes &boxes, const platform::Clock &clock,
               QWidget *parent = nullptr);
    ~DemoWindow() override;

    // Handlers, named after control and event.
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Picture1_MouseDown(Qt::MouseButton button, bool shift, double x, double y);
    void Picture2_MouseDown(Qt::MouseButton button, bool shift, double x, double y);
    void MSComm1_OnComm();
    void Timer1_Timer();

private:
    friend struct DemoForm; // connects the handlers

    void Form_Load();
    // Writes one frame; false when it did not go out. The title tells why
    // (no port open, or the write failed): the frames the tick skips are not
    // reported one by one.
    bool send(const unitlink::Command &command);
    // Normalises Text2 in place and returns the address.
    QString normaliseText2();
    // Shared by the PGM and PVW buttons: the flag, the caption and the frame.
    void tallyButton(bool &lampOn, QPushButton *button, unitlink::Mnemonic onMnemonic, unitlink::Mnemonic offMnemonic);
    // Redraws every lamp of a row, lit or dark as its input is.
    void paintLamps(platform::PictureBox *row, const Inputs &inputs, const LampColours &colours);
    void setClockColour(const QColor &c);

    platform::MessageBoxes &m_boxes;
    const platform::Clock &m_clock;

    bool ClockOn = false;
    bool VirtualInputOn = false;
    Inputs PgmInput{};
    Inputs PvwInput{};
    bool PgmLampOn = false;
    bool PvwLampOn = false;
    unitlink::ReplyCollector ReplyBuffer;
    platform::PortTitle *m_title = nullptr;
};

} // namespace demo
