// Run to completion: while a handler's box or dialog is open nothing that
// arrives on the line is handled and no timer ticks; afterwards every
// character is handled once, in order, and a missed tick runs once.
#include "demo/demowindow.h"
#include "tests/support/consolerig.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace testsupport;

namespace {
const QByteArray kRdmFF = "\x02rdm" + QByteArray("FF").repeated(32) + "E0\x03";
const QString kTextFF = QString("FF ").repeated(32);
const QString kText00 = QString("00 ").repeated(32);

// Called from inside an "open" box: the reply is on the line and held.
void arrives(ConsoleRig &r, const QByteArray &bytes)
{
    r.pty.write(bytes);
    QTRY_COMPARE(r.w->MSComm1->waiting(), qsizetype(bytes.size()));
}

struct CountingClock : platform::Clock {
    mutable int calls = 0;
    QTime now() const override { return ++calls, QTime(12, 34, 56); }
};
} // namespace

class TestModal : public QObject {
    Q_OBJECT
private slots:
    void promUploadSendsTheConfirmedImage()
    {
        ConsoleRig r;
        r.boxes.whileOpen = [&] { arrives(r, kRdmFF); };
        r.w->Command4_Click();
        const QByteArray wrm = "\x02WRM00" + QByteArray("00").repeated(32) + "00\x03";
        QCOMPARE(r.pty.readBytes(wrm.size()), wrm);
        QTRY_COMPARE(r.w->Test1->text(), kTextFF);
        QCOMPARE(r.w->Label1->text(), QString("Download finished!"));
    }

    void saveWritesTheImageOfTheClick()
    {
        ConsoleRig r;
        QTemporaryDir dir;
        r.dialogs.names << dir.filePath("a.LED");
        r.dialogs.whileOpen = [&] { arrives(r, kRdmFF); };
        r.w->Command2_Click();
        QFile saved(dir.filePath("a.LED"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), (kText00 + "\r\n").toLatin1());
        QTRY_COMPARE(r.w->Test1->text(), kTextFF);
    }

    void openLoadsTheFileThenTheReply()
    {
        ConsoleRig r;
        QTemporaryDir dir;
        QFile file(dir.filePath("b.LED"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("01 ").repeated(32) + "\r\n");
        file.close();
        r.dialogs.names << file.fileName();
        r.dialogs.whileOpen = [&] { arrives(r, kRdmFF); };
        r.w->Command1_Click();
        QCOMPARE(r.w->Test1->text(), QString("01 ").repeated(32) + "\r\n");
        QTRY_COMPARE(r.w->Test1->text(), kTextFF);
        QVERIFY(r.w->Dots[31][7]);
    }

    void gpiDuringWarningTicksAfterIt()
    {
        ConsoleRig r;
        r.boxes.whileOpen = [&] { arrives(r, "\x02gpiEB\x03"); };
        r.w->Command51_Click();
        QVERIFY(!r.w->Check1->isChecked());
        QTRY_VERIFY(r.w->Check1->isChecked());
        QCOMPARE(r.w->Combo3->shownText(), QString("05"));
    }

    void kandrelTickDueDuringBoxRunsOnceAfter()
    {
        Pty pty;
        RecordingBoxes boxes;
        CountingClock clock;
        demo::DemoWindow w(platform::PortMap({pty.slavePath()}), boxes, clock);
        w.Command1_Click();  // clock show
        QSignalSpy due(w.Timer1, &QTimer::timeout);
        boxes.whileOpen = [&] {
            QTRY_VERIFY(due.count() >= 2);
            QCOMPARE(clock.calls, 0);
            w.Timer1->setInterval(60000);  // no further period falls due during the check
        };
        w.Combo1->setListIndex(1);  // Com2 does not exist: "Prompt"
        QCOMPARE(boxes.calls.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(clock.calls, 1);
    }

    // A lamp is claimed on only when its frame went out.
    void tallyButtonWithoutPortKeepsItsFlag_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("STX TON 00 ETX") << "Command22" << QByteArray("\x02TON00\x03");
        QTest::newRow("STX TWN 00 ETX") << "Command23" << QByteArray("\x02TWN00\x03");
        QTest::newRow("STX TFH 00 ETX") << "Command21" << QByteArray("\x02TFH00\x03");
    }
    void tallyButtonWithoutPortKeepsItsFlag()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, frame);
        ConsoleRig r;
        auto *b = r.w->findChild<QPushButton *>(button);
        QVERIFY(r.w->MSComm1->setPortOpen(false).ok());
        b->click();
        QCOMPARE(r.w->Label1->text(), console::kNotSent);
        QVERIFY(!r.w->PgmOn && !r.w->PvwOn && !r.w->FlashOn);
        QVERIFY(!b->font().bold());
        QVERIFY(r.w->MSComm1->setPortOpen(true).ok());
        b->click();
        QCOMPARE(r.pty.readBytes(frame.size()), frame);
        QVERIFY(b->font().bold());
    }
};

QTEST_MAIN(TestModal)
#include "test_modal.moc"
