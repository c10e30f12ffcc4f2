// What a broken unit, a wrong baud rate or a loose connector puts on the
// line: the controllers stay alive, bounded and usable.
#include "console/receiver.h"
#include "demo/demowindow.h"
#include "tests/support/consolerig.h"
#include "tests/support/recordingview.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

using platform::MessageBoxes;
using testsupport::ConsoleRig;
using testsupport::Pty;
using testsupport::RecordingBoxes;

namespace {
QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (char &c : bytes) c = char(gen.bounded(256));
    return bytes;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

class TestRobustness : public QObject {
    Q_OBJECT
private slots:
    void consoleSurvivesNoise()
    {
        ConsoleRig r;
        r.pty.write(randomBytes(1 << 20, 7));
        r.pty.write("\x02ton\x03");
        QTRY_COMPARE_WITH_TIMEOUT(r.w->Label1->text(), QString("ton"), 120000);
        QVERIFY(r.w->ReplyBuffer().size() <= console::kReplyBufferLimit);
        QVERIFY(r.w->Label2->text().size() <= 70);
        r.pty.readAvailable();  // whatever the noise made the console send ("gpi" reports)
        r.w->TallyID->setText("1");
        r.w->Command9_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02RDR01\x03"));
        r.pty.write("\x02rdr" + QByteArray("00").repeated(32) + "00\x03");
        QTRY_COMPARE(r.w->Label1->text(), QString("Download finished!"));
    }

    void demoSurvivesNoise()
    {
        Pty pty;
        RecordingBoxes boxes;
        platform::SystemClock clock;
        demo::DemoWindow w(platform::PortMap({pty.slavePath()}), boxes, clock);
        pty.write(randomBytes(1 << 20, 11));
        pty.write("\x02si1A\x03");
        QTRY_COMPARE_WITH_TIMEOUT(w.Text2->text(), QString("1A"), 120000);
        w.Command4_Click();
        QCOMPARE(pty.readFrame(), QByteArray("\x02SID\x03"));
        QVERIFY(boxes.calls.isEmpty());
    }

    void everyLengthOfEveryKind_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *k : {"rdr", "rdm", "wrm", "wrr", "cfg", "rtm", "ton", "tof", "twn", "twf", "chr", "tfh", "gpi",
                              "TLY", "TLW", "err", "id0", "xyz"})
            QTest::newRow(k) << QString(k);
    }
    void everyLengthOfEveryKind()
    {
        QFETCH(QString, kind);
        testsupport::RecordingView view;
        console::Receiver receiver(view);
        for (int length = 0; length <= 200; ++length) {
            QString body = kind.left(length);
            while (body.size() < length) body += QLatin1Char("A1@F"[body.size() % 4]);
            view.status = "stale";
            receiver.OnComm("\x02");
            QCOMPARE(view.status, QString());
            QCOMPARE(view.mon, QString("[STX]"));
            for (QChar c : body) receiver.OnComm(QByteArray(1, char(c.unicode())));
            receiver.OnComm("\x03");

            // The monitor: "[STX]", the first 59 characters, the newest one, "[ETX]".
            const QString shown = body.size() <= 60 ? body : body.left(59) + body.right(1);
            QCOMPARE(view.mon, "[STX]" + shown + "[ETX]");
            QCOMPARE(receiver.replyBuffer(), body);

            const QString k = body.left(3);
            QString status;
            if (k == "wrm" || k == "wrr")
                status = "LED unit has been written!";
            else if (QStringList{"cfg", "rtm", "ton", "tof", "twn", "twf", "chr"}.contains(k))
                status = k;
            else if (k == "tfh")
                status = body.left(4);
            else if (k == "rdr" || k == "rdm")
                status = view.status == "Download finished!" ? view.status : "Download CRC Error";
            else if (k == "gpi" || k == "TLY" || k == "TLW" || k == "err")
                status = "";
            else
                status = body;
            QCOMPARE(view.status, status);
        }
    }

    void consoleUnplugMidFrameAndReplug()
    {
        testsupport::ReplugPort port;
        RecordingBoxes boxes;
        testsupport::RecordingDialogs dialogs;
        console::ConsoleWindow w(platform::PortMap({port.path()}), boxes, dialogs);
        QVERIFY(w.MSComm1->portOpen());
        port.pty().write("\x02rdr0102");
        QTRY_VERIFY(w.Label2->text().startsWith("[STX]rdr"));
        port.unplug();
        QTRY_VERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.Label1->text().contains("lost"));

        // Unplugged: nothing to wait on, so the console does nothing.
        const double cpu0 = cpuSeconds();
        QTest::qWait(500);
        QVERIFY2(cpuSeconds() - cpu0 < 0.2, "the console keeps working while its port is gone");

        port.replug();
        emit w.Combo1->activated(0);
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(boxes.calls.isEmpty());
        w.TallyID->setText("1");
        w.Command22_Click();
        QCOMPARE(port.pty().readFrame(), QByteArray("\x02TON01\x03"));
        port.pty().write("\x02ton\x03");
        QTRY_COMPARE(w.Label1->text(), QString("ton"));
    }

    void demoUnplugAndReplug()
    {
        testsupport::ReplugPort port;
        RecordingBoxes boxes;
        platform::SystemClock clock;
        demo::DemoWindow w(platform::PortMap({port.path()}), boxes, clock);
        w.Command5_Click();  // the show runs on: five frames a second with nowhere to go
        port.pty().write("\x02si");
        port.unplug();
        QTRY_VERIFY(!w.MSComm1->portOpen());
        const double cpu0 = cpuSeconds();
        QTest::qWait(500);
        QVERIFY(cpuSeconds() - cpu0 < 0.2);
        QVERIFY(boxes.calls.isEmpty());

        port.replug();
        emit w.Combo1->activated(0);
        QVERIFY(w.MSComm1->portOpen());
        QCOMPARE(port.pty().readFrame(1000), QByteArray("\x02TLY\x03"));
        port.pty().write("\x02id22\x03");
        QTRY_COMPARE(w.Text2->text(), QString("22"));
    }
};

QTEST_MAIN(TestRobustness)
#include "test_robustness.moc"
