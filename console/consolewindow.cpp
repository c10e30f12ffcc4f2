#include "console/consolewindow.h"

#include "console/ledfile.h"
#include "link/frame.h"
#include "link/portchoice.h"
#include "link/protocol.h"
#include "platform/formlayout.h"
#include "platform/twips.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

using platform::MessageBoxes;
using platform::twips;
using unitlink::Command;
using unitlink::Mnemonic;

namespace console {

namespace {
// "01" ... "48", the parallel inputs.
QStringList inputNumbers()
{
    QStringList items;
    for (int k = 1; k <= 48; ++k) items << QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
    return items;
}
} // namespace

ConsoleWindow::ConsoleWindow(platform::PortMap ports, MessageBoxes &boxes, platform::FileDialogs &files,
                             QWidget *parent)
    : QWidget(parent), m_boxes(boxes), m_files(files)
{
    // The unit control line: 9600 8N1, no handshake, DTR and RTS up, 1024 / 512.
    MSComm1 = new platform::SerialComm(std::move(ports), platform::LineSettings{}, this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &platform::SerialComm::portLost, this, &ConsoleWindow::portLost);
    createControls();
    Form_Load();
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::createControls()
{
    setWindowTitle(QStringLiteral("ZIDID 显示控制器"));
    resize(platform::twipsSize(9420, 5340));

    const platform::FormLayout form(this);

    Combo1 = form.combo("Combo1", QStringLiteral("选择串行端口"), twips(480, 360, 1815, 300));
    Combo1->addItems(unitlink::portEntries());
    Combo2 = form.combo("Combo2", QStringLiteral("单色显示模式"), twips(2520, 360, 1455, 300));
    Check1 = new QCheckBox(QStringLiteral("PXR-09"));
    form.place(Check1, "Check1", twips(4560, 360, 975, 255));
    Combo3 = form.combo("Combo3", QStringLiteral("对应并行输入"), twips(5760, 360, 1455, 300));
    Combo4 = form.combo("Combo4", QStringLiteral("对应并行输入"), twips(7440, 360, 1455, 300));
    for (platform::ListCombo *c : {Combo3, Combo4}) {
        c->addItems(inputNumbers());
        c->setEnabled(false);
        QPalette p = c->palette();
        const QColor colour = c == Combo3 ? QColor(255, 0, 0) : QColor(0, 255, 0);
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(g, QPalette::Button, colour);
            p.setColor(g, QPalette::Base, colour);
        }
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(64, 64, 64));
        c->setPalette(p);
    }
    Line1 = new QFrame;
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setStyleSheet(QStringLiteral("color: grey"));
    form.place(Line1, "Line1", QRect(480 / 15, 840 / 15, (8880 - 480) / 15 + 1, 1));

    TallyID = form.lineEdit("TallyID", QStringLiteral("??"), twips(1440, 1080, 855, 495));
    ADR = form.label("ADR", QStringLiteral("设备地址："), twips(480, 1320, 975, 255));
    Command7 = form.button("Command7", QStringLiteral("显示设备地址"), twips(2520, 1080, 1455, 495));
    Command3 = form.button("Command3", QStringLiteral("从PROM下载"), twips(4200, 1080, 1215, 495));
    Command4 = form.button("Command4", QStringLiteral("上传到PROM"), twips(5640, 1080, 1215, 495));
    Command11 = form.button("Command11", QStringLiteral("从RAM复制到PROM"), twips(7080, 1080, 1815, 495));
    Text3 = form.lineEdit("Text3", QStringLiteral("ABCDE"), twips(480, 1800, 1815, 495));
    Command13 = form.button("Command13", QStringLiteral("发送字符到RAM"), twips(2520, 1800, 1455, 495));
    Command9 = form.button("Command9", QStringLiteral("从RAM下载"), twips(4200, 1800, 1215, 495));
    Command10 = form.button("Command10", QStringLiteral("上传到RAM"), twips(5640, 1800, 1215, 495));
    Command12 = form.button("Command12", QStringLiteral("从PROM复制到RAM"), twips(7080, 1800, 1815, 495));

    Picture1 = new platform::PictureBox(Qt::black);
    form.place(Picture1, "Picture1", twips(480, 2520, 6375, 1575));
    Picture1->setCursor(canvasCursor());
    Command1 = form.button("Command1", QStringLiteral("打开文件 ..."), twips(7080, 2640, 1815, 375));
    Command2 = form.button("Command2", QStringLiteral("保存文件 ..."), twips(7080, 3120, 1815, 375));
    Command6 = form.button("Command6", QStringLiteral("清屏"), twips(7080, 3600, 1815, 375));
    Command21 = form.button("Command21", QStringLiteral("闪烁"), twips(480, 4440, 975, 495));
    Command22 = form.button("Command22", QStringLiteral("ZIDID PGM"), twips(2160, 4440, 1935, 495));
    Command23 = form.button("Command23", QStringLiteral("ZIDID PVW"), twips(4920, 4440, 1935, 495));

    Label1 = form.label("Label1", QString(), twips(480, 5640, 7575, 255));
    Label2 = form.label("Label2", QString(), twips(480, 6360, 7575, 255));
    Test1 = new platform::TextBox;
    form.place(Test1, "Test1", twips(480, 7080, 5295, 1455));
    Label3 = form.label("Label3", QString(), twips(6120, 7080, 2655, 375));
    Label4 = form.label("Label4", QString(), twips(6120, 8040, 2655, 375));
    Command16 = form.button("Command16", QStringLiteral("DotImage"), twips(1440, 8880, 2055, 375));
    Command51 = form.button("Command51", QStringLiteral("设置设备的地址"), twips(4920, 8880, 1935, 375));
    Text1 = form.lineEdit("Text1", QStringLiteral("A1"), twips(6960, 8880, 855, 375));
    Command52 = form.button("Command52", QStringLiteral("确定"), twips(7920, 8880, 975, 375));
    Text1->hide();
    Command52->hide();

    connect(Combo1, &platform::ListCombo::click, this, &ConsoleWindow::Combo1_Click);
    connect(Command7, &QPushButton::clicked, this, &ConsoleWindow::Command7_Click);
    connect(Command51, &QPushButton::clicked, this, &ConsoleWindow::Command51_Click);
    connect(Command52, &QPushButton::clicked, this, &ConsoleWindow::Command52_Click);
    new platform::KeyPressHook(TallyID, [this](int key) { TallyID_KeyPress(key); });
    connect(MSComm1, &platform::SerialComm::onComm, this, &ConsoleWindow::MSComm1_OnComm);
    connect(Picture1, &platform::PictureBox::mouseDown, this, &ConsoleWindow::Picture1_MouseDown);
    connect(Command3, &QPushButton::clicked, this, &ConsoleWindow::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &ConsoleWindow::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &ConsoleWindow::Command6_Click);
    connect(Command9, &QPushButton::clicked, this, &ConsoleWindow::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &ConsoleWindow::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &ConsoleWindow::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &ConsoleWindow::Command12_Click);
    connect(Command1, &QPushButton::clicked, this, &ConsoleWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ConsoleWindow::Command2_Click);
    connect(Command13, &QPushButton::clicked, this, &ConsoleWindow::Command13_Click);
    connect(Command16, &QPushButton::clicked, this, &ConsoleWindow::Command16_Click);
    connect(Command21, &QPushButton::clicked, this, &ConsoleWindow::Command21_Click);
    connect(Command22, &QPushButton::clicked, this, &ConsoleWindow::Command22_Click);
    connect(Command23, &QPushButton::clicked, this, &ConsoleWindow::Command23_Click);
    connect(Combo2, &platform::ListCombo::click, this, &ConsoleWindow::Combo2_Click);
    connect(Combo3, &platform::ListCombo::click, this, &ConsoleWindow::Combo3_Click);
    connect(Combo4, &platform::ListCombo::click, this, &ConsoleWindow::Combo4_Click);
    connect(Check1, &QCheckBox::toggled, this, &ConsoleWindow::Check1_Click);

    for (QLabel *l : {Label1, Label2, Label3, Label4}) l->setTextFormat(Qt::PlainText);
    for (auto &column : m_drawn) column.fill(-1);
}

QCursor ConsoleWindow::canvasCursor() const
{
    // A pen whose tip, the hot spot, touches the dot being set.
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath pen;
    pen.moveTo(12, 1);
    pen.lineTo(17, 10);
    pen.lineTo(29, 28);
    pen.lineTo(24, 31);
    pen.lineTo(12, 13);
    pen.closeSubpath();
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(255, 220, 120));
    p.drawPath(pen);
    p.setBrush(Qt::red);
    p.drawEllipse(QPointF(12.5, 3.5), 2.2, 2.2);
    p.end();
    return QCursor(pm, 12, 1);
}

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

    // The port found (0: none, so position -1) is chosen, which opens it once more.
    Combo1->setListIndex(unitlink::startupSearch(*MSComm1) - 1);

    platform::centreOnScreen(this);
}

bool ConsoleWindow::send(const Command &command)
{
    const platform::OutputResult sent = MSComm1->output(command.frame());
    if (sent.ok()) return true;
    Label1->setText(kNotSentPrefix + MSComm1->failureText(sent.error()));
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
    if (const unitlink::PortResult chosen = unitlink::choosePort(*MSComm1, Combo1->listIndex()); !chosen.ok())
        m_boxes.show(MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok, QStringLiteral("Prompt"),
                     unitlink::promptText(chosen.error()));
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
    if (send(Command(Mnemonic::SETID, {}, step.sent))) Text1->setText(step.next);
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
    const platform::PictureBox::Batch batch(*Picture1);
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r) drawDot(c, r);
}

void ConsoleWindow::Command6_Click()
{
    Test1->setText(QString());
    Label1->clear();
    Label2->clear();
    Dots = DotGrid{};
    const platform::PictureBox::Batch batch(*Picture1);
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
    Check1->setChecked(on);  // runs its handler, and so its frame, when the state changes
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

void ConsoleWindow::download(Mnemonic read)
{
    Test1->setText(QString());
    if (send(Command(read, normaliseTallyID()))) Label1->setText(kNoResponse);
}

void ConsoleWindow::upload(Mnemonic write)
{
    PictureToHex();
    const QString address = normaliseTallyID();
    if (send(Command(write, address, unitlink::uploadData(address, Test1->text())))) Label1->setText(kNoResponse);
}

void ConsoleWindow::Command3_Click() { download(Mnemonic::RDM); }
void ConsoleWindow::Command9_Click() { download(Mnemonic::RDR); }

void ConsoleWindow::Command4_Click()
{
    Label1->clear();
    if (!confirmReplace()) return;
    upload(Mnemonic::WRM);
}

void ConsoleWindow::Command10_Click() { upload(Mnemonic::WRR); }

void ConsoleWindow::Command11_Click()
{
    Label1->clear();
    const QString address = normaliseTallyID();
    if (!confirmReplace()) return;
    if (send(Command(Mnemonic::RTM, address))) Label1->setText(kNoResponse);
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
    if (send(Command(Mnemonic::CFG, address, unitlink::hex2(mode)))) Label1->setText(kNoResponse);
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
    const Command noInput(Mnemonic::GPI, QString::fromLatin1(unitlink::lineText(TallyID->text())),
                          QString(unitlink::kNoInput));
    send(noInput);
    Label2->setText(noInput.body());
}

void ConsoleWindow::inputChoice(platform::ListCombo *combo, Mnemonic mnemonic)
{
    const int index = combo->listIndex();
    if (index < 0) return;
    const Command choice(mnemonic, normaliseTallyID(), QString(unitlink::inputCode(index + 1)));
    const bool sent = send(choice);
    Label2->setText(choice.body());
    if (sent) Label1->setText(kNoResponse);
}

void ConsoleWindow::Combo3_Click() { inputChoice(Combo3, Mnemonic::GPI); }
void ConsoleWindow::Combo4_Click() { inputChoice(Combo4, Mnemonic::GPW); }

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

void ConsoleWindow::Command22_Click() { tallyButton(PgmOn, Command22, Mnemonic::TON, Mnemonic::TOF); }
void ConsoleWindow::Command23_Click() { tallyButton(PvwOn, Command23, Mnemonic::TWN, Mnemonic::TWF); }

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
    if (send(Command(Mnemonic::CHR, address, five.line))) Label1->setText(kNoResponse);
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
    if (!file.ok()) return fileWarning(name, file.error);
    Test1->setText(file.text);
    HexToPicture();
}

void ConsoleWindow::Command2_Click()
{
    PictureToHex();
    Label1->clear();
    const QString name = m_files.saveFile(kLedFilter);
    if (name.isEmpty()) return;  // cancelled

    if (const LedFileWrite saved = writeLedFile(name, Test1->text()); !saved.ok()) fileWarning(name, saved.error());
}

// ---- data listing ----

void ConsoleWindow::Command16_Click()
{
    Test1->show();
    Test1->setText(dataListing());
}

} // namespace console
