#include "console/consolewindow.h"

#include "console/ledfile.h"
#include "link/frame.h"
#include "link/portchoice.h"
#include "platform/windowport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::MessageBoxes;

namespace console {

ConsoleWindow::ConsoleWindow(platform::PortMap ports, MessageBoxes &boxes, platform::FileDialogs &files,
                             QWidget *parent)
    : QWidget(parent), m_boxes(boxes), m_files(files)
{
    setupUi(this, std::move(ports));
    connectHandlers(this);
    for (auto &column : m_drawn) column.fill(-1);
    Form_Load();
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::Form_Load()
{
    for (platform::ListCombo *c : {Combo1, Combo2, Combo3, Combo4}) c->setListIndex(-1);
    Picture1->setScale(0, 1599, 6399, 0);
    Combo2->addItems({QStringLiteral("无"), QStringLiteral("宽度1"), QStringLiteral("宽度2"), QStringLiteral("宽度3"),
                      QStringLiteral("宽度4"), QStringLiteral("宽度5"), QStringLiteral("宽度6"), QStringLiteral("宽度7"),
                      QStringLiteral("反色"), QStringLiteral("音量")});
    Test1->hide();
    Command16->hide();
    Label1->clear();

    platform::chooseStartupPort(*Combo1, *MSComm1);

    platform::centreOnScreen(this);
}

bool ConsoleWindow::send(const QByteArray &frame)
{
    if (MSComm1->output(frame)) return true;
    Label1->setText(kNotSent);
    return false;
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
    platform::promptFailure(m_boxes, unitlink::choosePort(*MSComm1, Combo1->listIndex() + 1));
}

void ConsoleWindow::Command7_Click()
{
    if (send(unitlink::frame(u"SID"))) Label1->clear();
}

void ConsoleWindow::TallyID_KeyPress(int keyAscii)
{
    if (keyAscii != 13) return;
    send(unitlink::frame(u"QID", normaliseTallyID()));
}

void ConsoleWindow::Command51_Click()
{
    if (!Command52->isHidden()) {
        Command52->hide();
        Text1->hide();
        return;
    }
    m_boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, QStringLiteral("警告"),
                 QStringLiteral("执行此操作时控制线只能连接单独一个泰丽灯！"));
    Command52->show();
    Text1->show();
}

void ConsoleWindow::Command52_Click()
{
    const unitlink::SetIdStep step = unitlink::setIdStep(Text1->text());
    Text1->setText(step.sent);
    // Ready for the next unit only when this one was told: an address that
    // did not go out stays in the field to be sent again.
    if (send(unitlink::frame(u"SETID", step.sent))) Text1->setText(step.next);
}

// ---- dot image editor ----

void ConsoleWindow::drawDot(int column, int row)
{
    const bool lit = Dots[column][row];
    if (m_drawn[column][row] == lit) return;  // already shows exactly this
    m_drawn[column][row] = lit;
    Picture1->setFillColor(lit ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Picture1->circle(200 * column + 100, 200 * row + 100, 80, QColor(128, 0, 0));
}

void ConsoleWindow::Picture1_MouseDown(Qt::MouseButton, bool, double x, double y)
{
    const Cell cell = cellAt(x, y);
    Dots[cell.column][cell.row] = !Dots[cell.column][cell.row];
    drawDot(cell.column, cell.row);
    PictureToHex();
}

void ConsoleWindow::PictureToHex()
{
    Test1->setText(dotsToHex(Dots));
}

void ConsoleWindow::HexToPicture()
{
    Dots = hexToDots(Test1->text());
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r) drawDot(c, r);
}

void ConsoleWindow::Command6_Click()
{
    Test1->setText(QString());
    Label1->clear();
    Label2->clear();
    Dots = DotGrid{};
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r) drawDot(c, r);
}

// ---- response receiver ----

void ConsoleWindow::MSComm1_OnComm()
{
    m_receiver.OnComm(MSComm1->input());
}

void ConsoleWindow::setStatus(const QString &text) { Label1->setText(text); }
QString ConsoleWindow::monitor() const { return Label2->text(); }
void ConsoleWindow::setMonitor(const QString &text) { Label2->setText(text); }
void ConsoleWindow::setProgramList(const QString &text) { Label3->setText(text); }
void ConsoleWindow::setPreviewList(const QString &text) { Label4->setText(text); }
MessageBoxes &ConsoleWindow::boxes() { return m_boxes; }

void ConsoleWindow::loadImage(const QString &hexText)
{
    Test1->setText(hexText);
    HexToPicture();
}

void ConsoleWindow::setPxrMode(bool on)
{
    Check1->setChecked(on);  // runs its handler, and so its "GPI" frame, when the state changes
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
    return m_boxes.show(MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::OkCancel, QStringLiteral("Warning!"),
                        QStringLiteral("The programed data will been replaced!\r\nDo you want to go on?")) ==
           MessageBoxes::Button::Ok;
}

void ConsoleWindow::download(const QString &mnemonic)
{
    Test1->setText(QString());
    if (send(unitlink::frame(mnemonic, normaliseTallyID()))) Label1->setText(kNoResponse);
}

void ConsoleWindow::upload(const QString &mnemonic)
{
    PictureToHex();
    const QString address = normaliseTallyID();
    if (send(unitlink::uploadFrame(mnemonic, address, Test1->text()))) Label1->setText(kNoResponse);
}

void ConsoleWindow::Command3_Click() { download(QStringLiteral("RDM")); }
void ConsoleWindow::Command9_Click() { download(QStringLiteral("RDR")); }

void ConsoleWindow::Command4_Click()
{
    Label1->clear();
    if (!confirmReplace()) return;
    upload(QStringLiteral("WRM"));
}

void ConsoleWindow::Command10_Click() { upload(QStringLiteral("WRR")); }

void ConsoleWindow::Command11_Click()
{
    Label1->clear();
    const QString address = normaliseTallyID();
    if (!confirmReplace()) return;
    if (send(unitlink::frame(u"RTM", address))) Label1->setText(kNoResponse);
}

void ConsoleWindow::Command12_Click()
{
    Label1->clear();
    send(unitlink::frame(u"MTR"));
}


// ---- display configuration ----

void ConsoleWindow::Combo2_Click()
{
    static constexpr int kModes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 128, 64};
    const int index = Combo2->listIndex();
    int value = index >= 0 && index < 10 ? kModes[index] : 0;
    if (Check1->isChecked()) value += 32;
    const QString address = normaliseTallyID();
    if (send(unitlink::frame(u"CFG", address + unitlink::hex2(unsigned(value))))) Label1->setText(kNoResponse);
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
        c->setListIndex(-1);  // shows the design text again; nothing is sent at -1
    }
    // The address field goes out as typed here, but still only as printable
    // characters: a pasted STX or ETX must not cut the frame.
    const QString data = QString::fromLatin1(unitlink::lineText(TallyID->text())) + QLatin1Char('@');
    send(unitlink::frame(u"GPI", data));
    Label2->setText(QStringLiteral("GPI") + data);
}

void ConsoleWindow::inputChoice(platform::ListCombo *combo, const QString &mnemonic)
{
    const int index = combo->listIndex();
    if (index < 0) return;
    const QString address = normaliseTallyID();
    const QString data = address + unitlink::codedChar(index + 1);
    const bool sent = send(unitlink::frame(mnemonic, data));
    Label2->setText(mnemonic + data);
    if (sent) Label1->setText(kNoResponse);
}

void ConsoleWindow::Combo3_Click() { inputChoice(Combo3, QStringLiteral("GPI")); }
void ConsoleWindow::Combo4_Click() { inputChoice(Combo4, QStringLiteral("GPW")); }

// ---- tally and text commands ----

void ConsoleWindow::tallyButton(bool &flag, QPushButton *button, const QString &onMnemonic,
                                const QString &offMnemonic)
{
    const QString address = normaliseTallyID();
    flag = !flag;
    platform::setBold(button, flag);
    if (send(unitlink::frame(flag ? onMnemonic : offMnemonic, address))) Label1->setText(kNoResponse);
    if (Check1->isChecked()) {
        // PXR-09 units latch the tally themselves: the button only pulses.
        flag = false;
        platform::setBold(button, false);
    }
    FlashOn = false;
    platform::setBold(Command21, false);
}

void ConsoleWindow::Command22_Click() { tallyButton(PgmOn, Command22, QStringLiteral("TON"), QStringLiteral("TOF")); }
void ConsoleWindow::Command23_Click() { tallyButton(PvwOn, Command23, QStringLiteral("TWN"), QStringLiteral("TWF")); }

void ConsoleWindow::Command21_Click()
{
    const QString address = normaliseTallyID();
    bool sent;
    if (FlashOn) {
        // Stopping the flash restores the steady state last set, PGM first.
        FlashOn = false;
        platform::setBold(Command21, false);
        platform::setBold(Command22, PgmOn);
        sent = send(unitlink::frame(PgmOn ? u"TON" : u"TOF", address));
        platform::setBold(Command23, PvwOn);
        sent = send(unitlink::frame(PvwOn ? u"TWN" : u"TWF", address)) && sent;
    } else {
        FlashOn = true;
        platform::setBold(Command21, true);
        sent = send(unitlink::frame(u"TFH", address));
    }
    if (sent) Label1->setText(kNoResponse);
}

void ConsoleWindow::Command13_Click()
{
    const QString address = normaliseTallyID();
    // Five characters, right-aligned; counted as characters, not UTF-16
    // units, so that each one becomes exactly one byte on the line.
    QList<uint> chars = Text3->text().toUcs4();
    while (chars.size() < 5) chars.prepend(' ');
    chars = chars.mid(chars.size() - 5);
    const QString five = QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()), chars.size());
    Text3->setText(five);
    QString safe;
    for (uint c : chars) safe += c >= 0x20 && c < 0x7F ? QChar(char16_t(c)) : QLatin1Char('?');
    if (send(unitlink::frame(u"CHR", address + safe))) Label1->setText(kNoResponse);
}

// ---- image files ----

void ConsoleWindow::fileWarning(const QString &fileName, const QString &reason)
{
    m_boxes.show(MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok, QStringLiteral("Warning!"),
                 QStringLiteral("%1\r\n%2").arg(QDir::toNativeSeparators(fileName), reason));
}

void ConsoleWindow::Command1_Click()
{
    Label1->clear();
    const QString name = m_files.openFile(kLedFilter);
    if (name.isEmpty()) return;  // cancelled

    const LedFileRead file = readLedFile(name);
    if (!file.error.isEmpty()) return fileWarning(name, file.error);
    Test1->setText(file.text);
    HexToPicture();
}

void ConsoleWindow::Command2_Click()
{
    PictureToHex();
    Label1->clear();
    const QString name = m_files.saveFile(kLedFilter);
    if (name.isEmpty()) return;  // cancelled

    if (const QString error = writeLedFile(name, Test1->text()); !error.isEmpty()) fileWarning(name, error);
}

// ---- data listing ----

void ConsoleWindow::Command16_Click()
{
    Test1->show();
    Test1->setText(dataListing());
}

} // namespace console
