// The console against the virtual unit, end to end over a pty: the unit
// answers on the master, the console opens the slave.
// The unit's PROM file is written by frames on its pty too.
#include "console/consolewindow.h"
#include "tests/support/files.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"
#include "tests/support/pty.h"
#include "unit/virtualunits.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

class TestEndToEnd : public QObject {
    Q_OBJECT
    testsupport::RecordingBoxes boxes;
    testsupport::RecordingDialogs dialogs;

private slots:
    // tally-unit as built, headless, answering on its pty.
    void imageThroughRamAndProm()
    {
        QProcess unitProcess;
        unitProcess.start(QStringLiteral(TALLY_UNIT_BIN), {"--headless", "--address", "3C"});
        QTRY_VERIFY(unitProcess.canReadLine());
        console::ConsoleWindow w(platform::PortMap({QString(unitProcess.readLine().trimmed())}), boxes, dialogs);
        w.TallyID->setText("3c");
        QTest::mouseClick(w.Picture1, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseClick(w.Picture1, Qt::LeftButton, {}, QPoint(424, 60));
        const QString drawn = "80 " + QString("00 ").repeated(30) + "08 ";
        w.Command10_Click();
        QTRY_COMPARE(w.Label1->text(), QString("LED unit has been written!"));
        w.Command11_Click();  // the box is answered OK
        QTRY_COMPARE(w.Label1->text(), QString("rtm"));
        w.Command6_Click();
        w.Command3_Click();
        QTRY_COMPARE(w.Label1->text(), QString("Download finished!"));
        w.PictureToHex();
        QCOMPARE(w.Test1->text(), drawn);
        QByteArray log;
        QTRY_VERIFY((log += unitProcess.readAll()).contains("tx <STX>rdm"));
        QVERIFY(log.contains("rx <STX>RDM3C<ETX>"));
        unitProcess.kill();
        unitProcess.waitForFinished();
    }

    // As the menu starts them, with nothing in the environment but HOME and
    // a display: "Virtual Tally Unit" (tally-unit --link tally-unit), then
    // the console, which finds the unit on its own: no port list, no
    // $XDG_RUNTIME_DIR; and tallyctl given the link's bare name.
    void menuEntries()
    {
        if (!platform::serialAdapters().isEmpty()) QSKIP("an adapter here is port 1, before the unit");
        QTemporaryDir home;
        QProcessEnvironment menu;
        menu.insert("HOME", home.path());
        menu.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess unitProcess, tally;
        unitProcess.setProcessEnvironment(menu);
        unitProcess.start(QStringLiteral(TALLY_UNIT_BIN), {"--link", "tally-unit"});
        QTRY_VERIFY(unitProcess.canReadLine());
        const QString link = unitProcess.readLine().trimmed(), pty = QFile::symLinkTarget(link);
        tally.setProcessEnvironment(menu);
        tally.start(QStringLiteral(TALLY_BIN));
        QTRY_VERIFY2(testsupport::holdsOpen(tally.processId(), pty), qPrintable(link + " " + pty));
        tally.terminate();
        QVERIFY(tally.waitForFinished());
        for (const QStringList &port : {QStringList{"--port", "tally-unit"}, QStringList{"--ports", ":tally-unit", "--port", "2"}}) {
            QProcess tallyctl; // a root shell's, or su's: the bare name as tally-unit took it
            tallyctl.setProcessEnvironment(menu);
            tallyctl.start(QStringLiteral(TALLYCTL_BIN), port + QStringList{"query", "01"});
            QVERIFY(tallyctl.waitForFinished());
            QCOMPARE(tallyctl.readAll() + tallyctl.readAllStandardError(), QByteArray("01\n"));
        }

        // The same start-up here, and its round trip.
        const QProcessEnvironment before = QProcessEnvironment::systemEnvironment();
        for (const QString &name : before.keys()) qunsetenv(qPrintable(name));
        for (const QString &name : menu.keys()) qputenv(qPrintable(name), menu.value(name).toLocal8Bit());
        {
            console::ConsoleWindow w(platform::PortMap::fromEnvironment(), boxes, dialogs);
            for (const QString &name : before.keys()) qputenv(qPrintable(name), before.value(name).toLocal8Bit());
            QCOMPARE(w.windowTitle(), QString("ZIDID 显示控制器 - Com1 (%1)").arg(link));
            w.TallyID->setText("01");
            w.Command6_Click();
            w.Command3_Click();
            QTRY_COMPARE(w.Label1->text(), QString("Download finished!"));
        }
        unitProcess.terminate();
        QVERIFY(unitProcess.waitForFinished());
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // The file keeps every unit's line; only this run's units rewrite theirs.
    void promFile_data()
    {
        QTest::addColumn<QList<quint8>>("addresses");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<QByteArray>("after");
        const QByteArray l00 = "01 " + QByteArray("00").repeated(32) + "\n", lFF = "01 " + QByteArray("FF").repeated(32) + "\n";
        const QByteArray lAA = "01 " + QByteArray("AA").repeated(32) + "\n", lBB = "01 " + QByteArray("BB").repeated(32) + "\n";
        const QByteArray other = "02 " + QByteArray("C3").repeated(32) + "\n";
        QTest::newRow("WRM01 FFx32 E1") << QList<quint8>{1} << other + l00 << "\x02WRM01" + QByteArray("FF").repeated(32) + "E1\x03"
                                        << QByteArray("\x02wrm\x03") << other + lFF;
        QTest::newRow("RTM01 to two units 01") << QList<quint8>{1, 1} << lAA + lBB << QByteArray("\x02RTM01\x03") << QByteArray("\x02rtm\x03\x02rtm\x03") << lAA + lBB;
    }
    void promFile()
    {
        QFETCH(QList<quint8>, addresses);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, replies);
        QTemporaryDir dir;
        QVERIFY(testsupport::writeFile(dir.filePath("prom"), before));
        unit::VirtualUnits units{unit::Options{addresses, {}, dir.filePath("prom")}};
        QString error;
        QVERIFY2(units.start(&error), qPrintable(error));
        QSerialPort line(units.path());
        QVERIFY(line.open(QIODevice::ReadWrite));
        line.write(frame);
        QByteArray got;
        QTRY_COMPARE(got += line.readAll(), replies);
        QTEST(testsupport::fileBytes(dir.filePath("prom")), "after");
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
