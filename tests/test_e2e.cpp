// The console against the virtual unit, end to end over a pty: the unit
// answers on the master, the console opens the slave.
#include "console/consolewindow.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"
#include "unit/virtualunits.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

class TestEndToEnd : public QObject {
    Q_OBJECT
    testsupport::RecordingBoxes boxes;
    testsupport::RecordingDialogs dialogs;

private slots:
    void imageThroughRamAndProm()
    {
        unit::VirtualUnits units{unit::Options{}};
        QString error;
        QVERIFY2(units.start(&error), qPrintable(error));
        console::ConsoleWindow w(platform::PortMap({units.path()}), boxes, dialogs);
        w.TallyID->setText("1");
        QTest::mouseClick(w.Picture1, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseClick(w.Picture1, Qt::LeftButton, {}, QPoint(424, 60));
        const QString drawn = "80 " + QString("00 ").repeated(30) + "08 ";
        w.Command10_Click();
        QTRY_COMPARE(w.Label1->text(), QString("LED unit has been written!"));
        w.Command11_Click();  // the box is answered OK
        QTRY_COMPARE(w.Label1->text(), QString("rtm"));
        QCOMPARE(units.line().units()[0].prom[31], quint8(0x08));
        w.Command6_Click();
        w.Command3_Click();
        QTRY_COMPARE(w.Label1->text(), QString("Download finished!"));
        w.PictureToHex();
        QCOMPARE(w.Test1->text(), drawn);
    }

    void realProgramHeadless()
    {
        QProcess unitProcess;
        unitProcess.start(QStringLiteral(TALLY_UNIT_BIN), {"--headless", "--address", "3C"});
        QTRY_VERIFY(unitProcess.canReadLine());
        console::ConsoleWindow w(platform::PortMap({QString(unitProcess.readLine().trimmed())}), boxes, dialogs);
        w.TallyID->setText("3c");
        w.Command9_Click();
        QTRY_COMPARE(w.Label1->text(), QString("Download finished!"));
        QByteArray log;
        QTRY_VERIFY((log += unitProcess.readAll()).contains("tx <STX>rdr"));
        QVERIFY(log.contains("rx <STX>RDR3C<ETX>"));
        unitProcess.kill();
        unitProcess.waitForFinished();
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
