#include "demo/demowindow.h"

#include "link/frame.h"
#include "link/protocol.h"
#include "platform/portchoice.h"
#include "platform/windowgeometry.h"
#include "platform/windowport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::MessageBoxes;
using unitlink::Command;
using unitlink::Mnemonic;

namespace demo {

DemoWindow::DemoWindow(platform::PortMap ports, MessageBoxes &boxes, const platform::Clock &clock, QWidget *parent)
    : QWidget(parent), m_boxes(boxes), m_clock(clock)
{
    setupUi(this, std::move(ports));
    m_title = new platform::PortTitle(this, MSComm1, tr(kCaption));
    connectHandlers(this);
    Form_Load();
    platform::WindowGeometry::remember(this, QStringLiteral("kandrel"));
    Timer1->start();
}

DemoWindow::~DemoWindow() = default;

void DemoWindow::Form_Load()
{
    for (platform::PictureBox *row : {Picture1, Picture2})
        row->setScale(LampRowScale::x1, LampRowScale::y1, LampRowScale::x2, LampRowScale::y2);

    platform::showPortDevices(*Combo1, MSComm1->portMap());
    m_title->startUp([this] { platform::chooseStartupPort(*Combo1, *MSComm1); });

    platform::centreOnScreen(this);
}

bool DemoWindow::send(const Command &command)
{
    const platform::OutputResult sent = MSComm1->output(command.frame());
    // No box: the tick would raise five a second. The title tells the
    // trouble until a frame goes out again.
    m_title->setTrouble(
        sent.ok() || sent.error() == platform::OutputFailure::NoPort ? QString() : MSComm1->failureText(sent.error()));
    return sent.ok();
}

QString DemoWindow::normaliseText2()
{
    const QString address = unitlink::normaliseAddress(Text2->text());
    // Five times a second in the clock show: rewriting an unchanged text
    // would keep throwing away the operator's cursor and selection.
    if (Text2->text() != address) Text2->setText(address);
    return address;
}

void DemoWindow::setClockColour(const QColor &c)
{
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, c);
    Label1->setPalette(p);
}

void DemoWindow::Combo1_Click()
{
    platform::promptFailure(m_boxes, platform::chooseListedPort(*Combo1, *MSComm1), QStringLiteral(":"));
}

void DemoWindow::Command1_Click()
{
    ClockOn = !ClockOn;
    setClockColour(ClockOn ? kClockRunning : kClockIdle);
}

void DemoWindow::tallyButton(bool &lampOn, QPushButton *button, Mnemonic onMnemonic, Mnemonic offMnemonic)
{
    const QString address = normaliseText2();
    // The flag tells what the unit was last told, so it only changes when
    // the frame went out.
    if (!send(Command(lampOn ? offMnemonic : onMnemonic, address))) return;
    lampOn = !lampOn;
    platform::setBold(button, lampOn);
}

void DemoWindow::Command2_Click()
{
    tallyButton(PgmLampOn, Command2, Mnemonic::TON, Mnemonic::TOF);
}

void DemoWindow::Command3_Click()
{
    tallyButton(PvwLampOn, Command3, Mnemonic::TWN, Mnemonic::TWF);
}

void DemoWindow::Command4_Click()
{
    send(Command(Mnemonic::SID));
}

void DemoWindow::Command5_Click()
{
    VirtualInputOn = !VirtualInputOn;
    Label4->setVisible(VirtualInputOn);
    Label5->setVisible(VirtualInputOn);
    Picture1->setEnabled(VirtualInputOn);
    Picture2->setEnabled(VirtualInputOn);
    Command1->setEnabled(!VirtualInputOn);
    // ClockOn is kept: the clock show resumes by itself when this show ends.
    setClockColour(!VirtualInputOn && ClockOn ? kClockRunning : kClockIdle);
}

void DemoWindow::Picture1_MouseDown(Qt::MouseButton, bool, double x, double)
{
    // Drawn and sent by the next tick, so two presses between ticks cancel out.
    const int i = lampCell(x);
    if (i >= 0) PgmInput[i] = !PgmInput[i];
}

void DemoWindow::Picture2_MouseDown(Qt::MouseButton, bool, double x, double)
{
    const int i = lampCell(x);
    if (i >= 0) PvwInput[i] = !PvwInput[i];
}

void DemoWindow::MSComm1_OnComm()
{
    if (ReplyBuffer.feed(MSComm1->input()) != unitlink::ReplyCollector::Fed::Completed) return;
    if (const std::optional<QString> address = reportedAddress(ReplyBuffer.text())) Text2->setText(*address);
}

void DemoWindow::paintLamps(platform::PictureBox *row, const Inputs &inputs, const LampColours &colours)
{
    // Every lamp is drawn over on every tick; nothing wipes the row first.
    const platform::PictureBox::Batch batch(*row);
    for (int i = 0; i < kInputCount; ++i) {
        row->setFillColor(inputs[i] ? colours.onFill : colours.offFill);
        row->circle(lampCentreX(i), kLampY, kLampRadius, inputs[i] ? colours.onOutline : colours.offOutline);
    }
}

void DemoWindow::Timer1_Timer()
{
    switch (tickMode(VirtualInputOn, ClockOn)) {
    case TickMode::VirtualInputShow:
        // The frames go out first and the rows are painted after them: the
        // screen shows the same either way (nothing is shown before the tick
        // ends), and the frames keep their 200 ms beat however long painting takes.
        Label4->setText(inputLetters(PgmInput));
        send(Command(Mnemonic::TLY, {}, Label4->text()));
        Label5->setText(inputLetters(PvwInput));
        send(Command(Mnemonic::TLW, {}, Label5->text()));
        paintLamps(Picture1, PgmInput, kPgmLamps);
        paintLamps(Picture2, PvwInput, kPvwLamps);
        break;
    case TickMode::ClockShow: {
        const QTime now = m_clock.now();
        const QString address = normaliseText2();
        Label1->setText(clockText(now));
        send(Command(Mnemonic::CHR, address, Label1->text()));
        break;
    }
    case TickMode::Idle: break;
    }
}

} // namespace demo
