#include "demo/demowindow.h"

#include "link/frame.h"
#include "link/portchoice.h"
#include "link/protocol.h"
#include "platform/formlayout.h"
#include "platform/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::MessageBoxes;
using platform::twips;
using unitlink::Command;
using unitlink::Mnemonic;

namespace demo {

namespace {
constexpr int kTickMs = 200;

// The design's 18 pt face; where it is missing, the nearest plain sans-serif.
QFont largeFont(const QFont &base, bool bold)
{
    QFont f = base;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(18);
    f.setBold(bold);
    return f;
}
} // namespace

DemoWindow::DemoWindow(platform::PortMap ports, MessageBoxes &boxes, const platform::Clock &clock, QWidget *parent)
    : QWidget(parent), m_boxes(boxes), m_clock(clock)
{
    MSComm1 = new platform::SerialComm(std::move(ports), platform::LineSettings{}, this);  // 9600 8N1
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &platform::SerialComm::onComm, this, &DemoWindow::MSComm1_OnComm);
    connect(MSComm1, &platform::SerialComm::portLost, this, &DemoWindow::portLost);
    createControls();
    Form_Load();
    Timer1->start();
}

DemoWindow::~DemoWindow() = default;

void DemoWindow::createControls()
{
    setWindowTitle(kCaption);
    resize(platform::twipsSize(14250, 3420));

    const platform::FormLayout form(this);
    auto lampRow = [&](const char *name, QRect r) { return form.place(new platform::PictureBox(Qt::black), name, r); };

    Combo1 = form.combo("Combo1", QStringLiteral("选择串行端口"), twips(480, 480, 1935, 300));
    Combo1->addItems(unitlink::portEntries());

    Command4 = form.button("Command4", QStringLiteral("显示设备地址"), twips(480, 1080, 1455, 495));
    Text2 = form.lineEdit("Text2", QStringLiteral("??"), twips(2280, 1080, 735, 495));
    Text2->setFont(largeFont(Text2->font(), false));
    Command2 = form.button("Command2", QStringLiteral("ZIDID PGM"), twips(3360, 1080, 1575, 495));
    Command3 = form.button("Command3", QStringLiteral("ZIDID PVW"), twips(5400, 1080, 1575, 495));

    Command1 = form.button("Command1", QStringLiteral("字符发送"), twips(480, 1800, 1455, 495));
    Label1 = form.label("Label1", QStringLiteral("12:34"), twips(2280, 1800, 1455, 495));
    Label1->setFont(largeFont(Label1->font(), true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAutoFillBackground(true);
    {
        QPalette p = Label1->palette();
        p.setColor(QPalette::Window, Qt::black);
        Label1->setPalette(p);
    }
    setClockColour(kClockIdle);
    Label4 = form.label("Label4", QString(), twips(4320, 1800, 1935, 255));
    Label5 = form.label("Label5", QString(), twips(4320, 2040, 1935, 255));

    Command5 = form.button("Command5", QStringLiteral("虚拟并行输入"), twips(480, 2520, 1455, 495));
    Picture1 = lampRow("Picture1", twips(2280, 2520, 11565, 495));
    // Below the initial client area: seen only when the window is enlarged.
    Picture2 = lampRow("Picture2", twips(2280, 4200, 11535, 495));

    // The letter lists and the lamp clicks belong to the virtual input show.
    Label4->hide();
    Label5->hide();
    Picture1->setEnabled(false);
    Picture2->setEnabled(false);

    Timer1 = new platform::Timer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    // A coarse timer may fire up to 5 % late and the show's period would drift.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(kTickMs);

    connect(Combo1, &platform::ListCombo::click, this, &DemoWindow::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &DemoWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DemoWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DemoWindow::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &DemoWindow::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &DemoWindow::Command5_Click);
    connect(Picture1, &platform::PictureBox::mouseDown, this, &DemoWindow::Picture1_MouseDown);
    connect(Picture2, &platform::PictureBox::mouseDown, this, &DemoWindow::Picture2_MouseDown);
    connect(Timer1, &platform::Timer::tick, this, &DemoWindow::Timer1_Timer);
}

void DemoWindow::Form_Load()
{
    for (platform::PictureBox *row : {Picture1, Picture2})
        row->setScale(LampRowScale::x1, LampRowScale::y1, LampRowScale::x2, LampRowScale::y2);

    // The port found (0: none, so position -1) is chosen, which opens it once more.
    Combo1->setListIndex(unitlink::startupSearch(*MSComm1) - 1);
    showPortState();

    platform::centreOnScreen(this);
}

bool DemoWindow::send(const Command &command)
{
    const platform::OutputResult sent = MSComm1->output(command.frame());
    // No box: the tick would raise five a second. The title tells the
    // trouble until a frame goes out again.
    m_writeTrouble = sent.ok() || sent.error() == platform::OutputFailure::NoPort
                         ? QString()
                         : MSComm1->failureText(sent.error());
    showPortState();
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

void DemoWindow::showPortState()
{
    QString trouble = m_writeTrouble;
    if (!MSComm1->portOpen()) trouble = m_portTrouble.isEmpty() ? kNoPortMark : m_portTrouble;
    const QString title = trouble.isEmpty() ? kCaption : kCaption + QStringLiteral(" - ") + trouble;
    // Five times a second from the tick: only a change is worth a repaint.
    if (windowTitle() != title) setWindowTitle(title);
}

void DemoWindow::portLost(const QString &description)
{
    // The component has closed the port already; the operator can choose it
    // again from Combo1 once the device is back.
    m_portTrouble = description;
    showPortState();
}

void DemoWindow::Combo1_Click()
{
    m_portTrouble.clear();
    m_writeTrouble.clear();
    const unitlink::PortResult chosen = unitlink::choosePort(*MSComm1, Combo1->listIndex());
    showPortState();
    if (!chosen.ok())
        m_boxes.show(MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok, QStringLiteral("Prompt"),
                     unitlink::promptText(chosen.error(), QStringLiteral(":")));
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
    case TickMode::Idle:
        break;
    }
}

} // namespace demo
