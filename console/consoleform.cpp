#include "console/consoleform.h"

#include "console/consolewindow.h"
#include "link/protocol.h"
#include "platform/formlayout.h"
#include "platform/portchoice.h"
#include "platform/twips.h"
#include "platform/windowport.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

using platform::twips;

namespace console {

namespace {
// "01" ... "48", the parallel inputs.
QStringList inputNumbers()
{
    QStringList items;
    for (int k = 1; k <= unitlink::kParallelInputs; ++k) items << QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
    return items;
}

QCursor canvasCursor()
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
} // namespace

void ConsoleForm::setupUi(QWidget *window, platform::PortMap ports)
{
    // The unit control line: 9600 8N1, no handshake, DTR and RTS up, 1024 / 512.
    MSComm1 = platform::createSerialComm(window, std::move(ports), platform::LineSettings{});

    window->setWindowTitle(tr("ZIDID 显示控制器"));
    window->resize(platform::twipsSize(9420, 5340));

    const platform::FormLayout form(window);

    Combo1 = form.combo("Combo1", tr("选择串行端口"), twips(480, 360, 1815, 300));
    Combo1->addItems(platform::portEntries());
    Combo2 = form.combo("Combo2", tr("单色显示模式"), twips(2520, 360, 1455, 300));
    Check1 = new QCheckBox(QStringLiteral("PXR-09"));
    form.place(Check1, "Check1", twips(4560, 360, 975, 255));
    Combo3 = form.combo("Combo3", tr("对应并行输入"), twips(5760, 360, 1455, 300));
    Combo4 = form.combo("Combo4", tr("对应并行输入"), twips(7440, 360, 1455, 300));
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
    ADR = form.label("ADR", tr("设备地址："), twips(480, 1320, 975, 255));
    Command7 = form.button("Command7", tr("显示设备地址"), twips(2520, 1080, 1455, 495));
    Command3 = form.button("Command3", tr("从PROM下载"), twips(4200, 1080, 1215, 495));
    Command4 = form.button("Command4", tr("上传到PROM"), twips(5640, 1080, 1215, 495));
    Command11 = form.button("Command11", tr("从RAM复制到PROM"), twips(7080, 1080, 1815, 495));
    Text3 = form.lineEdit("Text3", QStringLiteral("ABCDE"), twips(480, 1800, 1815, 495));
    Command13 = form.button("Command13", tr("发送字符到RAM"), twips(2520, 1800, 1455, 495));
    Command9 = form.button("Command9", tr("从RAM下载"), twips(4200, 1800, 1215, 495));
    Command10 = form.button("Command10", tr("上传到RAM"), twips(5640, 1800, 1215, 495));
    Command12 = form.button("Command12", tr("从PROM复制到RAM"), twips(7080, 1800, 1815, 495));

    Picture1 = new platform::PictureBox(Qt::black);
    form.place(Picture1, "Picture1", twips(480, 2520, 6375, 1575));
    Picture1->setCursor(canvasCursor());
    Command1 = form.button("Command1", tr("打开文件 ..."), twips(7080, 2640, 1815, 375));
    Command2 = form.button("Command2", tr("保存文件 ..."), twips(7080, 3120, 1815, 375));
    Command6 = form.button("Command6", tr("清屏"), twips(7080, 3600, 1815, 375));
    Command21 = form.button("Command21", tr("闪烁"), twips(480, 4440, 975, 495));
    Command22 = form.button("Command22", QStringLiteral("ZIDID PGM"), twips(2160, 4440, 1935, 495));
    Command23 = form.button("Command23", QStringLiteral("ZIDID PVW"), twips(4920, 4440, 1935, 495));

    Label1 = form.label("Label1", QString(), twips(480, 5640, 7575, 255));
    Label2 = form.label("Label2", QString(), twips(480, 6360, 7575, 255));
    Test1 = new platform::TextBox;
    form.place(Test1, "Test1", twips(480, 7080, 5295, 1455));
    Label3 = form.label("Label3", QString(), twips(6120, 7080, 2655, 375));
    Label4 = form.label("Label4", QString(), twips(6120, 8040, 2655, 375));
    Command16 = form.button("Command16", QStringLiteral("DotImage"), twips(1440, 8880, 2055, 375));
    Command51 = form.button("Command51", tr("设置设备的地址"), twips(4920, 8880, 1935, 375));
    Text1 = form.lineEdit("Text1", QStringLiteral("A1"), twips(6960, 8880, 855, 375));
    Command52 = form.button("Command52", tr("确定"), twips(7920, 8880, 975, 375));
    Text1->hide();
    Command52->hide();

    for (QLabel *l : {Label1, Label2, Label3, Label4}) l->setTextFormat(Qt::PlainText);
}

void ConsoleForm::connectHandlers(ConsoleWindow *w)
{
    using W = ConsoleWindow;
    QObject::connect(MSComm1, &platform::SerialComm::portLost, w, &W::portLost);
    QObject::connect(Combo1, &platform::ListCombo::click, w, &W::Combo1_Click);
    QObject::connect(Command7, &QPushButton::clicked, w, &W::Command7_Click);
    QObject::connect(Command51, &QPushButton::clicked, w, &W::Command51_Click);
    QObject::connect(Command52, &QPushButton::clicked, w, &W::Command52_Click);
    new platform::KeyPressHook(TallyID, [w](int key) { w->TallyID_KeyPress(key); });
    QObject::connect(MSComm1, &platform::SerialComm::onComm, w, &W::MSComm1_OnComm);
    QObject::connect(Picture1, &platform::PictureBox::mouseDown, w, &W::Picture1_MouseDown);
    QObject::connect(Picture1, &platform::PictureBox::mouseMove, w, &W::Picture1_MouseMove);
    QObject::connect(Picture1, &platform::PictureBox::mouseUp, w, &W::Picture1_MouseUp);
    QObject::connect(Command3, &QPushButton::clicked, w, &W::Command3_Click);
    QObject::connect(Command4, &QPushButton::clicked, w, &W::Command4_Click);
    QObject::connect(Command6, &QPushButton::clicked, w, &W::Command6_Click);
    QObject::connect(Command9, &QPushButton::clicked, w, &W::Command9_Click);
    QObject::connect(Command10, &QPushButton::clicked, w, &W::Command10_Click);
    QObject::connect(Command11, &QPushButton::clicked, w, &W::Command11_Click);
    QObject::connect(Command12, &QPushButton::clicked, w, &W::Command12_Click);
    QObject::connect(Command1, &QPushButton::clicked, w, &W::Command1_Click);
    QObject::connect(Command2, &QPushButton::clicked, w, &W::Command2_Click);
    QObject::connect(Command13, &QPushButton::clicked, w, &W::Command13_Click);
    QObject::connect(Command16, &QPushButton::clicked, w, &W::Command16_Click);
    QObject::connect(Command21, &QPushButton::clicked, w, &W::Command21_Click);
    QObject::connect(Command22, &QPushButton::clicked, w, &W::Command22_Click);
    QObject::connect(Command23, &QPushButton::clicked, w, &W::Command23_Click);
    QObject::connect(Combo2, &platform::ListCombo::click, w, &W::Combo2_Click);
    QObject::connect(Combo3, &platform::ListCombo::click, w, &W::Combo3_Click);
    QObject::connect(Combo4, &platform::ListCombo::click, w, &W::Combo4_Click);
    QObject::connect(Check1, &QCheckBox::toggled, w, &W::Check1_Click);
}

} // namespace console
