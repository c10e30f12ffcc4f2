// Run to completion: while a handler's box or dialog is open nothing that
// arrives on the line is handled and no timer ticks; afterwards every
// character is handled once, in order, and a missed tick runs once.
#include "demo/demowindow.h"
#include "platform/modalgate.h"
#include "tests/support/consolerig.h"
#include "tests/support/files.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace testsupport;

namespace {
const QString kTextFF = QString("FF ").repeated(32);
const QString kText00 = QString("00 ").repeated(32);

// A console whose boxes and dialogs, while "open", see this reply arrive and
// wait until the serial component holds all of it.
struct HeldReplyRig : ConsoleRig {
    explicit HeldReplyRig(const QByteArray &reply = "\x02rdm" + QByteArray("FF").repeated(32) + "E0\x03")
    {
        boxes.whileOpen = dialogs.whileOpen = [this, reply] {
            pty.write(reply);
            QTRY_COMPARE(w->MSComm1->waiting(), qsizetype(reply.size()));
        };
    }
};

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
        HeldReplyRig r;
        r.w->Command4_Click();
        const QByteArray wrm = "\x02WRM00" + QByteArray("00").repeated(32) + "00\x03";
        QCOMPARE(r.pty.readBytes(wrm.size()), wrm);
        QTRY_COMPARE(r.w->Test1->text(), kTextFF);
        QCOMPARE(r.w->Label1->text(), QString("Download finished!"));
    }

    void saveWritesTheImageOfTheClickOpenLoadsBeforeTheReply()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("a.LED");
        HeldReplyRig r;
        r.dialogs.names << name << name;
        r.w->Command2_Click();
        QTRY_COMPARE(r.w->Test1->text(), kTextFF);
        QCOMPARE(fileBytes(name), (kText00 + "\r\n").toLatin1());
        r.w->Command1_Click();
        QCOMPARE(r.w->Test1->text(), kText00 + "\r\n");
        QTRY_COMPARE(r.w->Test1->text(), kTextFF);
    }

    void gpiDuringWarningTicksAfterIt()
    {
        HeldReplyRig r("\x02gpiEB\x03");
        r.w->Command51_Click();
        QVERIFY(!r.w->Check1->isChecked());
        QTRY_VERIFY(r.w->Check1->isChecked());
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
        QCoreApplication::processEvents();
        QCOMPARE(clock.calls, 1);
    }

    // Boxes closed one after another in one handler reopen the line once:
    // reopenings do not pile up while no loop runs.
    void boxesClosedInOneHandlerReopenOnce()
    {
        QCoreApplication::processEvents();
        QSignalSpy reopened(&platform::ModalGate::instance(), &platform::ModalGate::reopened);
        for (int box = 0; box < 3; ++box) platform::ModalGate::Hold hold;
        QCOMPARE(reopened.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(reopened.count(), 1);
    }
};

QTEST_MAIN(TestModal)
#include "test_modal.moc"
