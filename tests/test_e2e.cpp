// The console and the demonstration driver against the virtual unit, end
// to end over a pty: the unit answers on the master, the controllers open
// the slave through their serial component.
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"
#include "console/consolewindow.h"
#include "demo/demowindow.h"
#include "unit/virtualunits.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <QTest>

using console::ConsoleWindow;
using testsupport::RecordingBoxes;
using testsupport::RecordingDialogs;

namespace {
struct Bench {
    unit::VirtualUnits units{unit::Options{}};
    RecordingBoxes boxes;
    RecordingDialogs dialogs;
    std::unique_ptr<ConsoleWindow> w;
    Bench()
    {
        QString error;
        if (!units.start(&error)) qFatal("%s", qPrintable(error));
        w = std::make_unique<ConsoleWindow>(platform::PortMap({units.path()}), boxes, dialogs);
    }
    const unit::Unit &unit() { return units.line().units()[0]; }
};

void click(ConsoleWindow &w, int column, int row)
{
    // Cell centres in the canvas's 425 x 105 pixels.
    QTest::mouseClick(w.Picture1, Qt::LeftButton, Qt::NoModifier,
                      QPoint(column * 425 / 32 + 6, (7 - row) * 105 / 8 + 6));
}
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void imageThroughRamAndProm()
    {
        Bench b;
        QVERIFY(b.w->MSComm1->portOpen());
        b.w->TallyID->setText("1");
        click(*b.w, 0, 7);
        click(*b.w, 1, 0);
        click(*b.w, 31, 3);
        const QString drawn = b.w->Test1->text();
        QCOMPARE(drawn, "80 01 " + QString("00 ").repeated(29) + "08 ");

        b.w->Command10_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("LED unit has been written!"));
        QCOMPARE(b.unit().ram[0], quint8(0x80));
        b.w->Command11_Click();  // the box is answered OK
        QTRY_COMPARE(b.w->Label1->text(), QString("rtm"));
        QCOMPARE(b.unit().prom[31], quint8(0x08));

        b.w->Command6_Click();
        QCOMPARE(b.w->Test1->text(), QString());
        b.w->Command3_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("Download finished!"));
        b.w->PictureToHex();
        QCOMPARE(b.w->Test1->text(), drawn);
        QCOMPARE(b.boxes.calls.size(), 1);  // only the confirmation
    }

    void wrongAddressGetsNoReply()
    {
        Bench b;
        b.w->TallyID->setText("7");
        b.w->Command10_Click();
        QCOMPARE(b.w->Label1->text(), console::kNoResponse);
        QTest::qWait(300);
        QCOMPARE(b.w->Label1->text(), console::kNoResponse);
        QCOMPARE(b.w->Label2->text(), QString());
    }

    void talliesChangeTheUnit()
    {
        Bench b;
        b.w->TallyID->setText("01");
        b.w->Command22_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("ton"));
        QVERIFY(b.unit().pgm);
        b.w->Command23_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("twn"));
        QVERIFY(b.unit().pvw);
        b.w->Command21_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("tfh1"));
        QVERIFY(b.unit().flash);
        b.w->Command21_Click();  // restores PGM on, PVW on
        QTRY_COMPARE(b.w->Label1->text(), QString("twn"));
        QVERIFY(b.unit().pgm && b.unit().pvw && !b.unit().flash);
        b.w->Text3->setText("AB");
        b.w->Command13_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("chr"));
        QCOMPARE(b.unit().text, QByteArray("   AB"));
    }

    void addressCommands()
    {
        Bench b;
        b.w->Command7_Click();
        QTRY_COMPARE(b.w->Label1->text(), QString("si01"));
        b.w->Command51_Click();
        b.w->Text1->setText("A1");
        b.w->Command52_Click();
        QTRY_COMPARE(b.unit().address, quint8(0xA1));
        b.w->TallyID->setText("a1");
        QTest::keyClick(b.w->TallyID, Qt::Key_Return);
        QTRY_COMPARE(b.w->Label1->text(), QString("idA1"));
    }

    void inputReportTicksPxrMode()
    {
        Bench b;
        b.w->TallyID->setText("1");
        b.w->Check1->setChecked(true);
        b.w->Combo3->setListIndex(2);  // input 03 -> "C"
        QTRY_COMPARE(b.unit().pgmInput, 'C');
        QTRY_COMPARE(b.w->Combo3->shownText(), QString("03"));
        QVERIFY(b.w->Check1->isChecked());
    }

    void demoInputsDriveTheUnitsLamp()
    {
        unit::VirtualUnits units{unit::Options{}};
        QString error;
        QVERIFY(units.start(&error));
        const unit::Unit &u = units.line().units()[0];
        units.line().handle("GPI01C");  // the unit's PGM follows parallel input 3, "C"
        RecordingBoxes boxes;
        platform::SystemClock clock;
        demo::DemoWindow w(platform::PortMap({units.path()}), boxes, clock);
        w.Timer1->stop();  // ticks by hand, so each step is seen
        w.Command5_Click();

        struct Step {
            int input;  // toggled before the tick
            bool pgm;   // the unit's lamp after it
        };
        for (const Step s : {Step{0, false}, Step{2, true}, Step{5, true}, Step{0, true}, Step{2, false}, Step{23, false}}) {
            w.Picture1_MouseDown(Qt::LeftButton, false, s.input * 200 + 100, 100);
            w.Timer1_Timer();
            QTRY_COMPARE(u.pgm, s.pgm);
        }
        w.Picture2_MouseDown(Qt::LeftButton, false, 2 * 200 + 100, 100);  // C on preview leaves PGM alone
        w.Timer1_Timer();
        QTest::qWait(100);
        QVERIFY(!u.pgm);
        QVERIFY(!u.pvw);  // no preview input assigned
    }

    void demoTakesTheReportedAddress()
    {
        unit::VirtualUnits units{unit::Options{{0x3C}, {}, {}}};
        QString error;
        QVERIFY(units.start(&error));
        RecordingBoxes boxes;
        platform::SystemClock clock;
        demo::DemoWindow w(platform::PortMap({units.path()}), boxes, clock);
        QCOMPARE(w.Text2->text(), QString("??"));
        w.Command4_Click();
        QTRY_COMPARE(w.Text2->text(), QString("3C"));
        w.Command2_Click();
        QTRY_VERIFY(units.line().units()[0].pgm);
    }

    void realProgramHeadless()
    {
        QProcess unitProcess;
        unitProcess.start(QStringLiteral(TALLY_UNIT_BIN), {"--headless", "--address", "3C"});
        QVERIFY(unitProcess.waitForStarted());
        QTRY_VERIFY(unitProcess.canReadLine());
        const QString path = QString::fromLocal8Bit(unitProcess.readLine()).trimmed();
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));

        RecordingBoxes boxes;
        RecordingDialogs dialogs;
        ConsoleWindow w(platform::PortMap({path}), boxes, dialogs);
        w.TallyID->setText("3c");
        w.Command9_Click();
        QTRY_COMPARE(w.Label1->text(), QString("Download finished!"));
        QTRY_VERIFY(unitProcess.canReadLine());
        QByteArray log;
        QTRY_VERIFY((log += unitProcess.readAll()).contains("tx <STX>rdr"));
        QVERIFY(log.contains("rx <STX>RDR3C<ETX>"));
        unitProcess.kill();
        unitProcess.waitForFinished();
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
