// velk offscreen with its ports on ptys; its lamp panel and port choice
// without a window.
#include "simulator/lamppanel.h"
#include "simulator/portlist.h"
#include "simulator/simulatorwindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/shownpixel.h"

#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <termios.h>

using simulator::PortChoice;
using simulator::SimulatorWindow;
using testsupport::Pty;

namespace {
QByteArray hex(const char *digits) { return QByteArray::fromHex(digits); }
const QByteArray kStartupFrame = hex("FF0B01 00000000000000000000");  // all dark, ID "01"

// Port 2 and 5 free, port 3 held by another program.
struct Rig {
    Pty two, three, five;
    QStringList devices{"", two.slavePath(), three.slavePath(), "", five.slavePath()};
    platform::SerialComm otherProgram{platform::PortMap(devices), {}};
    testsupport::RecordingBoxes boxes;
    std::unique_ptr<SimulatorWindow> w;
    explicit Rig(bool single)
    {
        if (!otherProgram.setCommPort(3).ok() || !otherProgram.setPortOpen(true).ok()) qFatal("port 3 does not open");
        w = std::make_unique<SimulatorWindow>(platform::PortMap(devices), boxes);
        if (single) w->Option2->setChecked(true);
        w->show();
    }
};
} // namespace

class TestSimulator : public QObject {
    Q_OBJECT
private slots:
    void velkPanel()
    {
        QCOMPARE(simulator::cellAt(0.999, 7.0), (simulator::Cell{0, 7}));
        QCOMPARE(simulator::cellAt(8.0, 8.0), (simulator::Cell{7, 7}));  // the far edge
        QCOMPARE(simulator::portChoice("Com16"), (PortChoice{PortChoice::OpenPort, 16}));
        QCOMPARE(simulator::portChoice("Search"), (PortChoice{PortChoice::Search, 0}));
    }

    void startupSearch()
    {
        Rig r(false);
        QStringList entries;
        for (int i = 0; i < r.w->Combo1->count(); ++i) entries << r.w->Combo1->itemText(i);
        QCOMPARE(entries, (QStringList{"Com2", "Com5", "Search"}));
        QCOMPARE(r.w->Combo1->currentText(), QString("Com5"));
        QCOMPARE(r.five.readBytes(13, 2000).toHex(' '), kStartupFrame.toHex(' '));
        termios tio{};
        QCOMPARE(tcgetattr(r.five.masterFd(), &tio), 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B38400));
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));  // a pty keeps no parity setting to check
        QVERIFY(r.two.readAvailable().isEmpty() && r.boxes.calls.isEmpty());
        QCOMPARE(r.w->Combo1->itemData(0, Qt::ToolTipRole).toString(), r.two.slavePath());
        QCOMPARE(r.w->windowTitle(), "VELK Tally Simulater - Com5 (" + r.five.slavePath() + ")");
        r.five.closeMaster();
        QTRY_COMPARE(r.w->windowTitle(), "VELK Tally Simulater - Com5 (" + r.five.slavePath() + ") lost");
    }

    void clicksSendTheFrame()
    {
        Rig r(true);
        QTest::mouseClick(r.w->Picture1, Qt::RightButton, {}, QPoint(7 * 30 + 15, 1 * 30 + 15));
        QCOMPARE(r.w->Label1->text(), QString(" 7,  1 =>  16"));
        const auto shown = [&](double x, double y) { return testsupport::shownAt(*r.w->Picture1, x, y); };
        const QColor lit(0xFF, 0xFF, 0x00), dark(0x66, 0x66, 0x66);
        QCOMPARE(shown(7.5, 1.5), lit);
        QCOMPARE(shown(0.5, 6.5), dark);  // the mirror cell
        QTest::mouseClick(r.w->Picture1, Qt::MiddleButton, {}, QPoint(240, 240));  // the far corner: the last lamp
        QCOMPARE(r.w->Label1->text(), QString(" 7,  7 =>  64"));
        QCOMPARE(shown(7.5, 7.5), lit);
        QCOMPARE(shown(0.5, 0.5), dark);
        r.w->Combo2->setListIndex(5);
        QTest::mouseClick(r.w->Picture1, Qt::LeftButton, {}, QPoint(15, 15));
        QCOMPARE(r.five.readBytes(39).toHex(' '),
                 hex("FF0B01 00000200000000000000 FF0B01 00000200000000000001 FF0B05 01000200000000000001").toHex(' '));
        QVERIFY(!r.w->Timer1->isActive());  // Single: clicks only
        QTest::mouseClick(r.w->Option1, Qt::LeftButton);
        QCOMPARE(r.five.readBytes(13, 2000).toHex(' '), hex("FF0B05 01000200000000000001").toHex(' '));
    }
};

QTEST_MAIN(TestSimulator)
#include "test_simulator.moc"
