#include "console/consolewindow.h"

#include "console/linelogwindow.h"
#include "link/frame.h"
#include "link/ledfile.h"
#include "link/protocol.h"
#include "platform/portchoice.h"
#include "platform/windowgeometry.h"
#include "platform/windowport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

using platform::MessageBoxes;
using unitlink::Command;
using unitlink::Mnemonic;

namespace console {

namespace {
// Translated where it is used (ConsoleWindow::tr).
constexpr char kLedFilter[] = QT_TRANSLATE_NOOP("console::ConsoleWindow", "点阵文件(*.LED)|*.LED|所有文件(*.*)|*.*|");
} // namespace

ConsoleWindow::ConsoleWindow(platform::PortMap ports, MessageBoxes &boxes, platform::FileDialogs &files,
                             QWidget *parent)
    : QWidget(parent), m_boxes(boxes), m_files(files)
{
    setupUi(this, std::move(ports));
    m_title = new platform::PortTitle(this, MSComm1, windowTitle());
    connectHandlers(this);
    watchLine();
    for (auto &column : m_drawn) column.fill(-1);
    Form_Load();
    platform::WindowGeometry::remember(this, QStringLiteral("tally"));
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::watchLine()
{
    using Event = platform::SerialComm::PortEvent;
    connect(MSComm1, &platform::SerialComm::bytesRead, &m_lineLog, &LineLog::received);
    connect(MSComm1, &platform::SerialComm::bytesWritten, &m_lineLog, &LineLog::written);
    connect(MSComm1, &platform::SerialComm::writeRefused, &m_lineLog, &LineLog::refused);
    connect(MSComm1, &platform::SerialComm::portEvent, &m_lineLog, [this](Event event, const QString &text) {
        switch (event) {
        case Event::Chosen: return m_lineLog.port(tr("chosen: ") + text);
        case Event::Opened: return m_lineLog.port(tr("opened: ") + text);
        case Event::OpenFailed: return m_lineLog.port(tr("not opened: ") + text, true);
        case Event::Closed: return m_lineLog.port(tr("closed: ") + text);
        case Event::Lost: return m_lineLog.port(text, true);
        }
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
            &ConsoleWindow::showLineLog);
}

LineLogWindow *ConsoleWindow::showLineLog()
{
    if (!m_lineLogWindow) {
        m_lineLogWindow = std::make_unique<LineLogWindow>(m_lineLog, m_boxes, m_files);
        // Never over the console's controls where the screen has room for
        // the log's own controls and a few rows beside or below it.
        const QSize smallest = m_lineLogWindow->minimumSizeHint().expandedTo(QSize(0, 240));
        platform::showBeside(m_lineLogWindow.get(), this, smallest);
        platform::WindowGeometry::remember(m_lineLogWindow.get(), QStringLiteral("tally-linelog"));
    }
    m_lineLogWindow->show();
    m_lineLogWindow->raise();
    m_lineLogWindow->activateWindow();
    return m_lineLogWindow.get();
}

void ConsoleWindow::Form_Load()
{
    for (platform::ListCombo *c : {Combo1, Combo2, Combo3, Combo4}) c->setListIndex(-1);
    Picture1->setScale(0, 1599, 6399, 0);
    Combo2->addItems({tr("无"), tr("宽度1"), tr("宽度2"), tr("宽度3"), tr("宽度4"), tr("宽度5"), tr("宽度6"),
                      tr("宽度7"), tr("反色"), tr("音量")});
    Test1->hide();
    Command16->hide();
    Label1->clear();

    platform::showPortDevices(*Combo1, MSComm1->portMap());
    m_title->startUp([this] { platform::chooseStartupPort(*Combo1, *MSComm1); });

    platform::centreOnScreen(this);
}

bool ConsoleWindow::send(const Command &command)
{
    const platform::OutputResult sent = MSComm1->output(command.frame());
    if (sent.ok()) return true;
    Label1->setText(tr(kNotSentPrefix) + MSComm1->failureText(sent.error()));
    return false;
}

void ConsoleWindow::sendAwaitingReply(const Command &command)
{
    if (send(command)) Label1->setText(kNoResponse);
}

QString ConsoleWindow::normaliseTallyID()
{
    const QString address = unitlink::normaliseAddress(TallyID->text());
    TallyID->setText(address);
    return address;
}

void ConsoleWindow::portLost(const QString &description)
{
    Label1->setText(description);
}

void ConsoleWindow::Combo1_Click()
{
    Label1->clear();
    platform::promptFailure(m_boxes, platform::chooseListedPort(*Combo1, *MSComm1));
}

void ConsoleWindow::Command7_Click()
{
    if (send(Command(Mnemonic::SID))) Label1->clear();
}

void ConsoleWindow::TallyID_KeyPress(int keyAscii)
{
    if (keyAscii != 13) return;
    send(Command(Mnemonic::QID, normaliseTallyID()));
}

void ConsoleWindow::Command51_Click()
{
    if (!Command52->isHidden()) {
        Command52->hide();
        Text1->hide();
        return;
    }
    m_boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, tr("警告"),
                 tr("执行此操作时控制线只能连接单独一个泰丽灯！"));
    Command52->show();
    Text1->show();
}

void ConsoleWindow::Command52_Click()
{
    const unitlink::SetIdStep step = unitlink::setIdStep(Text1->text());
    Text1->setText(step.sent);
    // Ready for the next unit only when this one was told: an address that
    // did not go out stays in the field to be sent again.
    if (send(Command(Mnemonic::SETID, {}, step.sent))) Text1->setText(step.next);
}

// ---- dot image editor ----

void ConsoleWindow::drawDot(int column, int row)
{
    const bool lit = Dots[column][row];
    if (m_drawn[column][row] == lit) return; // already shows exactly this
    m_drawn[column][row] = lit;
    Picture1->setFillColor(lit ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Picture1->circle(200 * column + 100, 200 * row + 100, 80, QColor(128, 0, 0));
}

void ConsoleWindow::Picture1_MouseDown(Qt::MouseButton, bool, double x, double y)
{
    const Cell cell = cellAt(x, y);
    Dots[cell.column][cell.row] = !Dots[cell.column][cell.row];
    m_stroke = Stroke{Dots[cell.column][cell.row], QPointF(x, y)};
    drawDot(cell.column, cell.row);
    PictureToHex();
}

void ConsoleWindow::Picture1_MouseMove(Qt::MouseButtons buttons, bool, double x, double y)
{
    if (!m_stroke || buttons == Qt::NoButton) return;
    bool changed = false;
    const platform::PictureBox::Batch batch(*Picture1);
    for (const Cell cell : strokeCells(m_stroke->at, QPointF(x, y))) {
        bool &dot = Dots[cell.column][cell.row];
        if (dot == m_stroke->lit) continue;
        dot = m_stroke->lit;
        drawDot(cell.column, cell.row);
        changed = true;
    }
    m_stroke->at = QPointF(x, y);
    // Most moves stay within one dot: they change nothing and rebuild nothing.
    if (changed) PictureToHex();
}

void ConsoleWindow::Picture1_MouseUp(Qt::MouseButton, bool, double, double)
{
    m_stroke.reset();
}

void ConsoleWindow::PictureToHex()
{
    Test1->setText(unitlink::dotsToHex(Dots));
}

void ConsoleWindow::HexToPicture()
{
    Dots = unitlink::hexToDots(Test1->text());
    const platform::PictureBox::Batch batch(*Picture1);
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r) drawDot(c, r);
}

void ConsoleWindow::Command6_Click()
{
    Label1->clear();
    setMonitor(QString());
    loadImage(QString()); // no pairs: every dot off
}

// ---- response receiver ----

void ConsoleWindow::MSComm1_OnComm()
{
    m_receiver.OnComm(MSComm1->input());
}

void ConsoleWindow::setStatus(const QString &text)
{
    Label1->setText(text);
}
QString ConsoleWindow::monitor() const
{
    return m_monitor;
}
void ConsoleWindow::setMonitor(const QString &text)
{
    m_monitor = text;
    if (m_monitorQueued) return;
    m_monitorQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_monitorQueued = false;
            Label2->setText(m_monitor);
        },
        Qt::QueuedConnection);
}
void ConsoleWindow::setProgramList(const QString &text)
{
    Label3->setText(text);
}
void ConsoleWindow::setPreviewList(const QString &text)
{
    Label4->setText(text);
}
MessageBoxes &ConsoleWindow::boxes()
{
    return m_boxes;
}

void ConsoleWindow::loadImage(const QString &hexText)
{
    Test1->setText(hexText);
    HexToPicture();
}

void ConsoleWindow::setPxrMode(bool on)
{
    Check1->setChecked(on); // runs its handler, and so its frame, when the state changes
}

void ConsoleWindow::clearProgramInput()
{
    Combo3->setListIndex(-1);
}

void ConsoleWindow::showInputs(const QString &pgm, const QString &pvw)
{
    Combo3->setShownText(pgm);
    Combo4->setShownText(pvw);
}

// ---- memory image transfers ----

bool ConsoleWindow::confirmReplace()
{
    return m_boxes.show(MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::OkCancel, tr("Warning!"),
                        tr("The programed data will been replaced!\r\nDo you want to go on?")) ==
           MessageBoxes::Button::Ok;
}

void ConsoleWindow::download(Mnemonic read)
{
    Test1->setText(QString());
    sendAwaitingReply(Command(read, normaliseTallyID()));
}

void ConsoleWindow::upload(Mnemonic write)
{
    PictureToHex();
    const QString address = normaliseTallyID();
    sendAwaitingReply(Command(write, address, unitlink::uploadData(address, Test1->text())));
}

void ConsoleWindow::Command3_Click()
{
    download(Mnemonic::RDM);
}
void ConsoleWindow::Command9_Click()
{
    download(Mnemonic::RDR);
}

void ConsoleWindow::Command4_Click()
{
    Label1->clear();
    if (!confirmReplace()) return;
    upload(Mnemonic::WRM);
}

void ConsoleWindow::Command10_Click()
{
    upload(Mnemonic::WRR);
}

void ConsoleWindow::Command11_Click()
{
    Label1->clear();
    const QString address = normaliseTallyID();
    if (!confirmReplace()) return;
    sendAwaitingReply(Command(Mnemonic::RTM, address));
}

void ConsoleWindow::Command12_Click()
{
    Label1->clear();
    send(Command(Mnemonic::MTR));
}

// ---- display configuration ----

void ConsoleWindow::Combo2_Click()
{
    const quint8 mode = unitlink::displayModeByte(Combo2->listIndex(), Check1->isChecked());
    const QString address = normaliseTallyID();
    sendAwaitingReply(Command(Mnemonic::CFG, address, unitlink::hex2(mode)));
}

void ConsoleWindow::Check1_Click()
{
    if (Check1->isChecked()) {
        Combo3->setEnabled(true);
        Combo4->setEnabled(true);
        return;
    }
    for (platform::ListCombo *c : {Combo3, Combo4}) {
        c->setEnabled(false);
        c->setListIndex(-1); // shows the design text again; nothing is sent at -1
    }
    // The address field goes out as typed here, but still only as printable
    // characters: a pasted STX or ETX must not cut the frame.
    const Command noInput(Mnemonic::GPI, QString::fromLatin1(unitlink::lineText(TallyID->text())),
                          QString(unitlink::kNoInput));
    send(noInput);
    setMonitor(noInput.body());
}

void ConsoleWindow::inputChoice(platform::ListCombo *combo, Mnemonic mnemonic)
{
    const int index = combo->listIndex();
    if (index < 0) return;
    const Command choice(mnemonic, normaliseTallyID(), QString(unitlink::inputCode(index + 1)));
    const bool sent = send(choice);
    setMonitor(choice.body());
    if (sent) Label1->setText(kNoResponse);
}

void ConsoleWindow::Combo3_Click()
{
    inputChoice(Combo3, Mnemonic::GPI);
}
void ConsoleWindow::Combo4_Click()
{
    inputChoice(Combo4, Mnemonic::GPW);
}

// ---- tally and text commands ----

void ConsoleWindow::tallyButton(bool &flag, QPushButton *button, Mnemonic onMnemonic, Mnemonic offMnemonic)
{
    const QString address = normaliseTallyID();
    // The flags tell what the unit was last told: a frame that did not go
    // out changes none of them, nor the bold captions that show them.
    if (!send(Command(flag ? offMnemonic : onMnemonic, address))) return;
    flag = !flag;
    platform::setBold(button, flag);
    Label1->setText(kNoResponse);
    if (Check1->isChecked()) {
        // PXR-09 units latch the tally themselves: the button only pulses.
        flag = false;
        platform::setBold(button, false);
    }
    FlashOn = false;
    platform::setBold(Command21, false);
}

void ConsoleWindow::Command22_Click()
{
    tallyButton(PgmOn, Command22, Mnemonic::TON, Mnemonic::TOF);
}
void ConsoleWindow::Command23_Click()
{
    tallyButton(PvwOn, Command23, Mnemonic::TWN, Mnemonic::TWF);
}

void ConsoleWindow::Command21_Click()
{
    const QString address = normaliseTallyID();
    if (FlashOn) {
        // Stopping the flash restores the steady state last set, PGM first.
        if (!send(Command(PgmOn ? Mnemonic::TON : Mnemonic::TOF, address))) return;
        FlashOn = false;
        platform::setBold(Command21, false);
        platform::setBold(Command22, PgmOn);
        platform::setBold(Command23, PvwOn);
        if (!send(Command(PvwOn ? Mnemonic::TWN : Mnemonic::TWF, address))) return;
    } else {
        if (!send(Command(Mnemonic::TFH, address))) return;
        FlashOn = true;
        platform::setBold(Command21, true);
    }
    Label1->setText(kNoResponse);
}

void ConsoleWindow::Command13_Click()
{
    const QString address = normaliseTallyID();
    const unitlink::FiveCharacters five = unitlink::fiveCharacters(Text3->text());
    Text3->setText(five.text);
    sendAwaitingReply(Command(Mnemonic::CHR, address, five.line));
}

// ---- image files ----

void ConsoleWindow::fileWarning(const QString &fileName, const QString &reason)
{
    m_boxes.show(MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok, tr("Warning!"),
                 QStringLiteral("%1\r\n%2").arg(QDir::toNativeSeparators(fileName), reason));
}

void ConsoleWindow::Command1_Click()
{
    Label1->clear();
    const QString name = m_files.openFile(tr(kLedFilter));
    if (name.isEmpty()) return; // cancelled

    const unitlink::LedFileRead file = unitlink::readLedFile(name);
    if (!file.ok()) return fileWarning(name, file.error);
    loadImage(file.text);
}

void ConsoleWindow::Command2_Click()
{
    PictureToHex();
    Label1->clear();
    const QString name = m_files.saveFile(tr(kLedFilter));
    if (name.isEmpty()) return; // cancelled

    if (const unitlink::LedFileWrite saved = unitlink::writeLedFile(name, Test1->text()); !saved.ok())
        fileWarning(name, saved.error());
}

// ---- data listing ----

void ConsoleWindow::Command16_Click()
{
    Test1->show();
    Test1->setText(dataListing());
}

} // namespace console
