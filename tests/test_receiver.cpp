// The console's reply handling, fed through a pty.
#include "tests/support/consolerig.h"
#include "tests/support/recordingview.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

using console::ConsoleWindow;
using platform::MessageBoxes;
using testsupport::ConsoleRig;

namespace {
const QByteArray kFF32 = QByteArray("FF").repeated(32);
const QString kFFText = QString("FF ").repeated(32);

bool allLit(const ConsoleWindow &w)
{
    for (const auto &column : w.Dots)
        for (bool dot : column)
            if (!dot) return false;
    return true;
}
} // namespace

class TestReceiver : public QObject {
    Q_OBJECT
private slots:
    void statusReplies_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("monitor");
        QTest::newRow("ton") << QByteArray("\x02ton\x03") << "ton" << "[STX]ton[ETX]";
        QTest::newRow("chr") << QByteArray("\x02" "chr\x03") << "chr" << "[STX]chr[ETX]";
        QTest::newRow("cfg") << QByteArray("\x02" "cfg\x03") << "cfg" << "[STX]cfg[ETX]";
        QTest::newRow("rtm") << QByteArray("\x02rtm\x03") << "rtm" << "[STX]rtm[ETX]";
        QTest::newRow("tfh1") << QByteArray("\x02tfh1\x03") << "tfh1" << "[STX]tfh1[ETX]";
        QTest::newRow("tfh keeps 4") << QByteArray("\x02tfh12\x03") << "tfh1" << "[STX]tfh12[ETX]";
        QTest::newRow("wrr") << QByteArray("\x02wrr\x03") << "LED unit has been written!" << "[STX]wrr[ETX]";
        QTest::newRow("wrm") << QByteArray("\x02wrm\x03") << "LED unit has been written!" << "[STX]wrm[ETX]";
        QTest::newRow("id01 shown as received") << QByteArray("\x02id01\x03") << "id01" << "[STX]id01[ETX]";
        QTest::newRow("upper-case TON is unknown") << QByteArray("\x02TON\x03") << "TON" << "[STX]TON[ETX]";
        QTest::newRow("before first STX") << QByteArray("ab\x03") << "ab" << "ab[ETX]";
        QTest::newRow("HTML stays text") << QByteArray("\x02<b>x</b>\x03") << "<b>x</b>" << "[STX]<b>x</b>[ETX]";
        QTest::newRow("empty frame") << QByteArray("\x02\x03") << "" << "[STX][ETX]";
    }
    void statusReplies()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, status);
        QFETCH(QString, monitor);
        ConsoleRig r;
        r.w->Label1->setText(console::kNoResponse);
        r.pty.write(line);
        QTRY_COMPARE(r.w->Label2->text(), monitor);
        QCOMPARE(r.w->Label1->text(), status);
        QVERIFY(r.boxes.calls.isEmpty());
    }

    void longFrameInMonitor()
    {
        ConsoleRig r;
        QByteArray body;
        for (int i = 0; i < 80; ++i) body += char('A' + i % 26);
        r.pty.write("\x02" + body + "\x03");
        QTRY_VERIFY(r.w->Label2->text().endsWith("[ETX]"));
        QCOMPARE(r.w->Label2->text(), "[STX]" + QString(body.left(59)) + QString(body.right(1)) + "[ETX]");
        QCOMPARE(r.w->Label1->text(), QString(body));
    }

    void charactersAfterEtxJoinTheOldFrame()
    {
        ConsoleRig r;
        r.pty.write(QByteArray("\x02tf\x03") + "h7\x03");
        QTRY_COMPARE(r.w->Label1->text(), QString("tfh7"));
        QCOMPARE(r.w->ReplyBuffer(), QString("tfh7"));
    }

    void goodDownload()
    {
        ConsoleRig r;
        r.w->Label1->setText(console::kNoResponse);
        r.pty.write("\x02rdm" + kFF32 + "E0\x03");
        QTRY_COMPARE(r.w->Label1->text(), QString("Download finished!"));
        QVERIFY(r.boxes.calls.isEmpty());
        QCOMPARE(r.w->Test1->text(), kFFText);
        QCOMPARE(r.w->Test1->text().size(), 96);
        QVERIFY(allLit(*r.w));
        QCOMPARE(r.w->Picture1->colorAt(100, 100), QColor(255, 0, 0));
        QCOMPARE(r.w->Picture1->colorAt(6300, 1500), QColor(255, 0, 0));
    }

    void downloadWithWrongChecksum()
    {
        ConsoleRig r;
        QString statusDuringBox = "unset";
        r.boxes.whileOpen = [&] { statusDuringBox = r.w->Label1->text(); };
        r.pty.write("\x02rdr" + kFF32 + "e0\x03");
        QTRY_COMPARE(r.w->Label1->text(), QString("Download CRC Error"));
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.boxes.calls[0].title, QString("Warning!"));
        QCOMPARE(r.boxes.calls[0].text, QString("Download CRC Error"));
        QCOMPARE(r.boxes.calls[0].icon, MessageBoxes::Icon::Critical);
        QCOMPARE(r.boxes.calls[0].buttons, MessageBoxes::Buttons::Ok);
        QCOMPARE(statusDuringBox, QString());  // the box comes first, the image after it
        QCOMPARE(r.w->Test1->text(), kFFText);
        QVERIFY(allLit(*r.w));
    }

    void pairsLoadedAsReceived()
    {
        ConsoleRig r;
        const QByteArray pairs = "ff0a" + QByteArray("00").repeated(30);
        r.pty.write("\x02rdr" + pairs + "09\x03");  // 0xFF + 0x0A = 0x109
        QTRY_COMPARE(r.w->Label1->text(), QString("Download finished!"));
        QVERIFY(r.w->Test1->text().startsWith("ff 0a 00 "));
        QVERIFY(r.w->Dots[1][1] && r.w->Dots[1][3] && !r.w->Dots[1][0]);
    }

    void emptyImageReplyFailsCheck()
    {
        ConsoleRig r;
        r.pty.write("\x02rdm\x03");
        QTRY_COMPARE(r.w->Label1->text(), QString("Download CRC Error"));
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.w->Test1->text(), QString());
    }

    void unitErrors_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::newRow("err1") << QByteArray("\x02" "err1\x03") << "Command Error" << int(MessageBoxes::Icon::Critical)
                              << int(MessageBoxes::Buttons::Ok);
        QTest::newRow("err2") << QByteArray("\x02" "err2\x03") << "CRC Error" << int(MessageBoxes::Icon::Question)
                              << int(MessageBoxes::Buttons::RetryCancel);
        QTest::newRow("err3") << QByteArray("\x02" "err3\x03") << "Programming Error"
                              << int(MessageBoxes::Icon::Critical) << int(MessageBoxes::Buttons::Ok);
        QTest::newRow("err9") << QByteArray("\x02" "err9\x03") << "" << 0 << 0;
        QTest::newRow("err alone") << QByteArray("\x02" "err\x03") << "" << 0 << 0;
    }
    void unitErrors()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Command9_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02RDR01\x03"));
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
        r.pty.write(line);
        QTRY_VERIFY(r.w->Label2->text().endsWith("[ETX]"));
        QCOMPARE(r.w->Label1->text(), QString());
        if (text.isEmpty()) {
            QVERIFY(r.boxes.calls.isEmpty());
            return;
        }
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.boxes.calls[0].title, QString("Warning!"));
        QCOMPARE(r.boxes.calls[0].text, text);
        QCOMPARE(int(r.boxes.calls[0].icon), icon);
        QCOMPARE(int(r.boxes.calls[0].buttons), buttons);
    }

    void tallyLists_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("pgm");
        QTest::addColumn<QString>("pvw");
        QTest::newRow("TLY A C") << QByteArray("\x02TLYAC\x03") << "PGM: 03 01" << "";
        QTest::newRow("empty TLW") << QByteArray("\x02TLW\x03") << "" << "PVW:";
        QTest::newRow("TLW X") << QByteArray("\x02TLWX\x03") << "" << "PVW: 24";
        QTest::newRow("below @ keeps sign") << QByteArray("\x02TLY0@\x03") << "PGM: 00 -16" << "";
    }
    void tallyLists()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, pgm);
        QFETCH(QString, pvw);
        ConsoleRig r;
        r.w->Label1->setText(console::kNoResponse);
        r.pty.write(line);
        QTRY_VERIFY(r.w->Label2->text().endsWith("[ETX]"));
        QCOMPARE(r.w->Label3->text(), pgm);
        QCOMPARE(r.w->Label4->text(), pvw);
        QCOMPARE(r.w->Label1->text(), QString());
    }

    void boxHoldsLaterCharacters()
    {
        ConsoleRig r;
        QString statusDuringBox, bufferDuringBox;
        r.boxes.whileOpen = [&] {
            // The operator reads the box while the unit keeps talking.
            r.pty.write("\x02tof\x03\x02TLYB\x03");
            QTest::qWait(300);
            statusDuringBox = r.w->Label1->text();
            bufferDuringBox = r.w->ReplyBuffer();
        };
        r.pty.write("\x02rdm" + kFF32 + "e0\x03");
        QTRY_COMPARE(r.w->Label3->text(), QString("PGM: 02"));
        QCOMPARE(statusDuringBox, QString());
        QVERIFY(bufferDuringBox.startsWith("rdm"));
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.w->Label1->text(), QString());  // the TLY frame's STX cleared "tof"
        QCOMPARE(r.w->Test1->text(), kFFText);
        QCOMPARE(r.w->Label2->text(), QString("[STX]TLYB[ETX]"));
    }

    void replyBufferIsBounded()
    {
        ConsoleRig r;
        r.pty.write("\x02" + QByteArray(5000, 'a') + "\x03");
        QTRY_VERIFY(r.w->Label2->text().endsWith("[ETX]"));
        QCOMPARE(r.w->Label1->text(), QString());  // dropped whole, not shown
        QVERIFY(r.w->ReplyBuffer().size() <= console::kReplyBufferLimit);
        r.pty.write("zz\x03");  // still dropped: collecting waits for STX
        QTRY_VERIFY(r.w->Label2->text().endsWith("az[ETX]"));
        QCOMPARE(r.w->Label1->text(), QString());
        r.pty.write("\x02ton\x03");
        QTRY_COMPARE(r.w->Label1->text(), QString("ton"));
    }

    void strayEtxKeepMonitorBounded()
    {
        // Straight into the receiver: every ETX must have been handled
        // before the monitor is measured.
        testsupport::RecordingView view;
        console::Receiver receiver(view);
        for (char c : QByteArray("\x02ton\x03\x03")) receiver.OnComm(QByteArray(1, c));
        QCOMPARE(view.mon, QString("[STX]ton[ETX][ETX]"));
        for (int i = 0; i < 2000; ++i) receiver.OnComm("\x03");
        QCOMPARE(view.mon.size(), 70);
        QCOMPARE(view.status, QString("ton"));
    }

    void frameAtTheBoundIsKept()
    {
        ConsoleRig r;
        const QByteArray body(int(console::kReplyBufferLimit), 'q');
        r.pty.write("\x02" + body + "\x03");
        QTRY_COMPARE(r.w->Label1->text().size(), body.size());
    }
};

QTEST_MAIN(TestReceiver)
#include "test_receiver.moc"
