#include "demo/demoform.h"

#include "demo/demowindow.h"
#include "platform/formlayout.h"
#include "platform/portchoice.h"
#include "platform/twips.h"
#include "platform/windowport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::twips;

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

void DemoForm::setupUi(QWidget *window, platform::PortMap ports)
{
    MSComm1 = platform::createSerialComm(window, std::move(ports), platform::LineSettings{}); // 9600 8N1

    window->setWindowTitle(DemoWindow::tr(kCaption));
    window->resize(platform::twipsSize(14250, 3420));

    const platform::FormLayout form(window);
    auto lampRow = [&](const char *name, QRect r) { return form.place(new platform::PictureBox(Qt::black), name, r); };

    Combo1 = form.combo("Combo1", tr("选择串行端口"), twips(480, 480, 1935, 300));
    Combo1->addItems(platform::portEntries());

    Command4 = form.button("Command4", tr("显示设备地址"), twips(480, 1080, 1455, 495));
    Text2 = form.lineEdit("Text2", QStringLiteral("??"), twips(2280, 1080, 735, 495));
    Text2->setFont(largeFont(Text2->font(), false));
    Command2 = form.button("Command2", QStringLiteral("ZIDID PGM"), twips(3360, 1080, 1575, 495));
    Command3 = form.button("Command3", QStringLiteral("ZIDID PVW"), twips(5400, 1080, 1575, 495));

    Command1 = form.button("Command1", tr("字符发送"), twips(480, 1800, 1455, 495));
    Label1 = form.label("Label1", QStringLiteral("12:34"), twips(2280, 1800, 1455, 495));
    Label1->setFont(largeFont(Label1->font(), true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAutoFillBackground(true);
    {
        QPalette p = Label1->palette();
        p.setColor(QPalette::Window, Qt::black);
        p.setColor(QPalette::WindowText, kClockIdle);
        Label1->setPalette(p);
    }
    Label4 = form.label("Label4", QString(), twips(4320, 1800, 1935, 255));
    Label5 = form.label("Label5", QString(), twips(4320, 2040, 1935, 255));

    Command5 = form.button("Command5", tr("虚拟并行输入"), twips(480, 2520, 1455, 495));
    Picture1 = lampRow("Picture1", twips(2280, 2520, 11565, 495));
    // Below the initial client area: seen only when the window is enlarged.
    Picture2 = lampRow("Picture2", twips(2280, 4200, 11535, 495));

    // The letter lists and the lamp clicks belong to the virtual input show.
    Label4->hide();
    Label5->hide();
    Picture1->setEnabled(false);
    Picture2->setEnabled(false);

    Timer1 = new platform::Timer(window);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    // A coarse timer may fire up to 5 % late and the show's period would drift.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(kTickMs);
}

void DemoForm::connectHandlers(DemoWindow *w)
{
    using W = DemoWindow;
    QObject::connect(MSComm1, &platform::SerialComm::onComm, w, &W::MSComm1_OnComm);
    // A lost port is told by the title (platform::PortTitle); the operator
    // can choose it again from Combo1 once the device is back.
    QObject::connect(Combo1, &platform::ListCombo::click, w, &W::Combo1_Click);
    QObject::connect(Command1, &QPushButton::clicked, w, &W::Command1_Click);
    QObject::connect(Command2, &QPushButton::clicked, w, &W::Command2_Click);
    QObject::connect(Command3, &QPushButton::clicked, w, &W::Command3_Click);
    QObject::connect(Command4, &QPushButton::clicked, w, &W::Command4_Click);
    QObject::connect(Command5, &QPushButton::clicked, w, &W::Command5_Click);
    QObject::connect(Picture1, &platform::PictureBox::mouseDown, w, &W::Picture1_MouseDown);
    QObject::connect(Picture2, &platform::PictureBox::mouseDown, w, &W::Picture2_MouseDown);
    QObject::connect(Timer1, &platform::Timer::tick, w, &W::Timer1_Timer);
}

} // namespace demo
