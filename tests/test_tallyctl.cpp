// tallyctl in-process: against virtual units, against a pty driven by hand
// (replies a unit will not give: a bad checksum, err2 once), and its two
// watches reading hand-written frames.
#include "cli/tallyctl.h"
#include "tests/support/files.h"
#include "tests/support/pty.h"
#include "unit/virtualunits.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace {
struct Run {
    int code;
    QString out, err;
};

Run tallyctl(const QStringList &args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = cli::run(QStringList{"tallyctl"} + args, o, e); // a stream on a string holds nothing back
    return {code, out, err};
}

const QString dark = QString("00 ").repeated(32).trimmed();
const QString lit = QString("FF ").repeated(32).trimmed();
const QString camImage = "00 7C 82 82 82 44 00 7E 88 88 88 7E 00 FE 40 20 40 FE 00 00 00 00 00 00 00 00 42 FE 02 00 00 00";
QByteArray stx(const QByteArray &body) { return '\x02' + body + '\x03'; }

// A watch ends only after its count of frames; should frames go missing, the
// line hangs up and the watch ends with exit 3 instead of running on.
struct HangUp : QTimer {
    explicit HangUp(testsupport::Pty &pty) { connect(this, &QTimer::timeout, [&pty] { pty.closeMaster(); }); start(10000); }
};
} // namespace

class TestTallyctl : public QObject {
    Q_OBJECT
private slots:
    void againstUnits_data()
    {
        QTest::addColumn<QList<quint8>>("units");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("frames"); // as the units received them
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QByteArray>("file"); // x.LED, when not empty
        QTest::addColumn<QByteArray>("saved"); // x.LED afterwards, when not empty
        const QList<quint8> one{1}, three{1, 2, 3};
        auto row = [](const char *name, QList<quint8> units, QStringList args, QStringList frames, int code, QString out, QByteArray file = {}, QByteArray saved = {}) {
            QTest::newRow(name) << units << args << frames << code << out << file << saved;
        };
        const QStringList writeFile{"write", "ram", "01", "x.LED"};
        row("STX SID ETX, three units", three, {"ids"}, {"<STX>SID<ETX>"}, 0, "01\n02\n03\n");
        row("STX QID 01 ETX", one, {"query", "1"}, {"<STX>QID01<ETX>"}, 0, "01\n");
        row("STX QID 02 ETX, no such unit", one, {"query", "02"}, {"<STX>QID02<ETX>"}, 1, "");
        row("STX SID ETX STX SETID 07 ETX STX QID 07 ETX", one, {"set-address", "7"}, {"<STX>SID<ETX>", "<STX>SETID07<ETX>", "<STX>QID07<ETX>"}, 0, "07\n");
        row("STX SID ETX, three units: refused", three, {"set-address", "07"}, {"<STX>SID<ETX>"}, 2, "");
        row("STX SID ETX STX SETID 07 ETX, three units, --yes", three, {"set-address", "07", "--yes"}, {"<STX>SID<ETX>", "<STX>SETID07<ETX>", "<STX>QID07<ETX>"}, 0, "07\n");
        row("STX RDM 01 ETX, --json", one, {"read", "prom", "01", "--json"}, {"<STX>RDM01<ETX>"}, 0, "{\"address\":\"01\",\"image\":\"" + dark + "\",\"memory\":\"prom\"}\n");
        row("STX RDR 01 ETX, -o x.LED over a file", one, {"read", "ram", "01", "-o", "x.LED"}, {"<STX>RDR01<ETX>"}, 0, dark + "\n", "old\r\n", QByteArray("00 ").repeated(32) + "\r\n");
        row("STX WRR 01 CAM 1 B9 ETX STX RDR 01 ETX", one, {"write", "ram", "01", "--text", "CAM 1"}, {"<STX>WRR01007C82828244007E8888887E00FE402040FE000000000000000042FE02000000B9<ETX>", "<STX>RDR01<ETX>"}, 0, camImage + "\n");
        row("STX WRM 01 FF*32 E1 ETX STX RDM 01 ETX", one, {"write", "prom", "01", "--hex", lit}, {"<STX>WRM01" + QString("FF").repeated(32) + "E1<ETX>", "<STX>RDM01<ETX>"}, 0, lit + "\n");
        row("STX WRR 01 01*32 21 ETX STX RDR 01 ETX, file of \" 1\" pairs", one, writeFile, {"<STX>WRR01" + QString("01").repeated(32) + "21<ETX>", "<STX>RDR01<ETX>"}, 0, QString("01 ").repeated(32).trimmed() + "\n", QByteArray(" 1 ").repeated(32) + "\r\n");
        row("STX WRR 01 7E 00*31 7F ETX STX RDR 01 ETX, file \"7e\" LF", one, writeFile, {"<STX>WRR017E" + QString("00").repeated(31) + "7F<ETX>", "<STX>RDR01<ETX>"}, 0, "7E " + QString("00 ").repeated(31).trimmed() + "\n", "7e\n");
        row("nothing: a text file", one, writeFile, {}, 2, "", "Tally notes for camera 1\r\n");
        row("nothing: a file of blanks", one, writeFile, {}, 2, "", "   \r\n");
        row("STX RTM 01 ETX", one, {"copy", "ram-to-prom", "01"}, {"<STX>RTM01<ETX>"}, 0, "01 ram-to-prom\n");
        row("STX MTR ETX STX RDR 01 ETX STX RDM 01 ETX", one, {"copy", "prom-to-ram", "01"}, {"<STX>MTR<ETX>", "<STX>RDR01<ETX>", "<STX>RDM01<ETX>"}, 0, "01 prom-to-ram\n");
        row("STX TON 01 ETX", one, {"tally", "01", "pgm", "on"}, {"<STX>TON01<ETX>"}, 0, "01 pgm on\n");
        row("STX TWF 01 ETX", one, {"tally", "01", "pvw", "off"}, {"<STX>TWF01<ETX>"}, 0, "01 pvw off\n");
        row("STX TFH 01 ETX", one, {"tally", "01", "flash", "on"}, {"<STX>TFH01<ETX>"}, 0, "01 flash on\n");
        row("STX TOF 01 ETX STX TWF 01 ETX", one, {"tally", "01", "flash", "off"}, {"<STX>TOF01<ETX>", "<STX>TWF01<ETX>"}, 0, "01 flash off\n");
        row("STX CHR 01 CAM 1 ETX", one, {"text", "01", "CAM 1"}, {"<STX>CHR01CAM 1<ETX>"}, 0, "CAM 1\n");
        row("STX CFG 01 21 ETX", one, {"mode", "01", "1", "--pxr"}, {"<STX>CFG0121<ETX>"}, 0, "21\n");
        row("STX CFG 01 80 ETX", one, {"mode", "01", "8"}, {"<STX>CFG0180<ETX>"}, 0, "80\n");
        row("STX GPI 01 E ETX", one, {"input", "01", "pgm", "5"}, {"<STX>GPI01E<ETX>"}, 0, "01 pgm 5 (unit: pgm 05 pvw 00)\n");
        row("STX GPW 01 p ETX", one, {"input", "01", "pvw", "48"}, {"<STX>GPW01p<ETX>"}, 0, "01 pvw 48\n");
        row("nothing: unknown command", one, {"frobnicate"}, {}, 2, "");
        row("nothing: address G1", one, {"query", "G1"}, {}, 2, "");
        row("nothing: six characters of text", one, {"write", "ram", "01", "--text", "CAMERA"}, {}, 2, "");
        row("nothing: port 2 has no device", one, {"--ports", "x", "--port", "2", "ids"}, {}, 3, "");
    }

    void againstUnits()
    {
        QFETCH(QList<quint8>, units);
        QFETCH(QStringList, args);
        QFETCH(QStringList, frames);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        if (!file.isEmpty()) QVERIFY(testsupport::writeFile("x.LED", file));
        unit::VirtualUnits line{unit::Options{units, {}, {}}};
        QString error;
        QVERIFY2(line.start(&error), qPrintable(error));
        QStringList received;
        line.log = [&](const QString &entry) {
            if (const qsizetype at = entry.indexOf(" rx "); at >= 0) received << entry.mid(at + 4);
        };
        const Run run = tallyctl(QStringList{"--port", line.path(), "--timeout", "150"} + args);
        QTEST(run.code, "code");
        QTEST(run.out, "out");
        QTRY_COMPARE(received, frames);
        if (run.code != 0) QVERIFY(!run.err.isEmpty());
        if (run.code != 0 && !file.isEmpty()) QVERIFY(run.err.contains("x.LED"));
        if (run.code == 2 && !frames.isEmpty()) QVERIFY(run.err.contains("units 01, 02, 03 answered"));
        if (!saved.isEmpty()) QCOMPARE(testsupport::fileBytes("x.LED"), saved);
    }

    void handDrivenLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<QByteArray>>("replies"); // one per frame heard
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<int>("code");
        const QByteArray wrr00 = stx("WRR01" + QByteArray(64, '0') + "01"), rdr01 = stx("RDR01");
        const QByteArray darkReply = stx("rdr" + QByteArray(66, '0'));
        const QStringList writeDark{"write", "ram", "01", "--hex", dark};
        QTest::newRow("STX rdr FF*32 e0 ETX: checksum failure") << QStringList{"read", "ram", "01", "-o", "x.LED"} << QList<QByteArray>{stx("rdr" + QByteArray("FF").repeated(32) + "e0")} << QList<QByteArray>{rdr01} << 4;
        QTest::newRow("STX err2 ETX, then STX wrr ETX") << writeDark << QList<QByteArray>{stx("err2"), stx("wrr"), darkReply} << QList<QByteArray>{wrr00, wrr00, rdr01} << 0;
        QTest::newRow("STX err2 ETX twice, --retries 1") << writeDark + QStringList{"--retries", "1"} << QList<QByteArray>{stx("err2"), stx("err2")} << QList<QByteArray>{wrr00, wrr00} << 5;
        QTest::newRow("STX wrr ETX, STX rdr 01 00*31 01 ETX: verify failure") << writeDark << QList<QByteArray>{stx("wrr"), stx("rdr01" + QByteArray(62, '0') + "01")} << QList<QByteArray>{wrr00, rdr01} << 4;
        QTest::newRow("STX err1 ETX") << QStringList{"tally", "01", "pgm", "on"} << QList<QByteArray>{stx("err1")} << QList<QByteArray>{stx("TON01")} << 5;
        QTest::newRow("STX TLYA ETX passes by, STX id01 ETX") << QStringList{"query", "01"} << QList<QByteArray>{stx("TLYA") + stx("id01")} << QList<QByteArray>{stx("QID01")} << 0;
    }

    void handDrivenLine()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(QStringList, args);
        testsupport::Pty pty;
        QSocketNotifier notifier(pty.masterFd(), QSocketNotifier::Read);
        QByteArray heard;
        QList<QByteArray> frames;
        connect(&notifier, &QSocketNotifier::activated, this, [&] {
            heard += pty.readAvailable();
            for (qsizetype end; (end = heard.indexOf('\x03')) >= 0; heard.remove(0, end + 1)) {
                frames << heard.left(end + 1);
                if (frames.size() <= replies.size()) pty.write(replies[frames.size() - 1]);
            }
        });
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QTEST(tallyctl(QStringList{"--port", pty.slavePath(), "--timeout", "300"} + args).code, "code");
        QTEST(frames, "frames");
        QVERIFY(!QFile::exists("x.LED")); // nothing written after a checksum failure
    }

    void watches_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines"); // without the time
        QTest::addColumn<int>("signal"); // ends the watch instead of a count
        const QByteArray rdrBad = "rdr" + QByteArray("FF").repeated(32) + "e0";
        QTest::newRow("STX RDR 01 ETX") << QStringList{"watch"} << stx("RDR01") << QStringList{"[STX]RDR01[ETX] RDR address 01"} << 0;
        QTest::newRow("STX WRR 01 FF*32 E1 ETX") << QStringList{"watch"} << stx("WRR01" + QByteArray("FF").repeated(32) + "E1") << QStringList{"[STX]WRR01" + QString("FF").repeated(32) + "E1[ETX] WRR address 01 data " + QString("FF").repeated(32) + "E1 checksum ok"} << 0;
        QTest::newRow("STX rdr FF*32 e0 ETX") << QStringList{"watch"} << stx(rdrBad) << QStringList{"[STX]" + rdrBad + "[ETX] rdr data " + rdrBad.mid(3) + " checksum bad"} << 0;
        QTest::newRow("STX si 03 ETX, STX err2 ETX") << QStringList{"watch"} << stx("si03") + stx("err2") << QStringList{"[STX]si03[ETX] si address 03", "[STX]err2[ETX] err data 2 error CRC Error"} << 0;
        QTest::newRow("STX gpi A ETX: one input short") << QStringList{"watch"} << stx("gpiA") << QStringList{"[STX]gpiA[ETX] gpi data A malformed"} << 0;
        QTest::newRow("STX ton ESC [2J ETX, STX ESC ]0;x BEL 9B ETX") << QStringList{"watch"} << stx("ton\x1b[2J") + stx("\x1b]0;x\x07\x9b") << QStringList{"[STX]ton\\x1b[2J[ETX] ton data \\x1b[2J", "[STX]\\x1b]0;x\\x07\\x9b[ETX] unknown data \\x1b]0;x\\x07\\x9b"} << 0;
        QTest::newRow("STX ton ESC FF ETX, --hex") << QStringList{"watch", "--hex"} << stx("ton\x1b\xff") << QStringList{"[STX]ton\\x1b\\xff[ETX] ton data \\x1b\\xff hex 02 74 6F 6E 1B FF 03"} << 0;
        QTest::newRow("nothing, SIGINT") << QStringList{"watch"} << QByteArray() << QStringList{} << SIGINT;
        QTest::newRow("FF 0B 03 01 01 00*8") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B030101") + QByteArray(8, 0) << QStringList{"id 3 lit 1 8"} << 0;
        QTest::newRow("FF 0B 00 00*8 40 00, FF 0B 00 00*9 01") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B00" + QByteArray("00").repeated(8) + "4000FF0B00" + QByteArray("00").repeated(9) + "01") << QStringList{"id 0 lit 63", "id 0 lit 64"} << 0;
        QTest::newRow("FF 0B 09 00*10: ID above 7") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B09") + QByteArray(10, 0) << QStringList{"malformed FF 0B 09 00 00 00 00 00 00 00 00 00 00"} << 0;
        QTest::newRow("FF 0B 01 00 cut short, FF 0B 01 00*10") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B0100FF0B01") + QByteArray(10, 0) << QStringList{"malformed FF 0B 01 00", "id 1 lit none"} << 0;
        QTest::newRow("nothing, SIGTERM") << QStringList{"switcher-watch"} << QByteArray() << QStringList{} << SIGTERM;
    }

    void watches()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(int, signal);
        testsupport::Pty pty;
        HangUp guard(pty);
        // The line's settings as they were before: the watch must leave them so.
        const auto settings = [&pty] {
            termios t{};
            tcgetattr(pty.masterFd(), &t); // the master reads the settings of the line
            return QList<quint64>{t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, cfgetospeed(&t)};
        };
        const QList<quint64> before = settings();
        QTimer::singleShot(0, this, [&] { // once tallyctl waits on the line
            pty.write(bytes);
            if (signal) std::raise(signal);
        });
        if (!signal) args << "--count" << QString::number(lines.size());
        const Run run = tallyctl(QStringList{"--port", pty.slavePath()} + args);
        QCOMPARE(run.code, 0);
        QStringList got = run.out.split('\n', Qt::SkipEmptyParts);
        for (QString &line : got) line = line.section(' ', 1);
        QCOMPARE(got, lines);
        QCOMPARE(settings(), before);
    }

    // velk's own frames (Continue mode, ID 01, all dark) through a pty pair:
    // velk writes one, the test carries the bytes to the other.
    void velkThroughPtyPair()
    {
        testsupport::Pty velkEnd, watchEnd;
        QSocketNotifier notifier(velkEnd.masterFd(), QSocketNotifier::Read);
        connect(&notifier, &QSocketNotifier::activated, this, [&] { watchEnd.write(velkEnd.readAvailable()); });
        HangUp guard(watchEnd);
        QProcess velk;
        velk.setProcessEnvironment([] { auto env = QProcessEnvironment::systemEnvironment(); env.insert("QT_QPA_PLATFORM", "offscreen"); return env; }());
        velk.setChildProcessModifier([] { ::close_range(3, ~0U, 0); }); // the masters stay here
        velk.start(VELK_BIN, {"--ports", velkEnd.slavePath()});
        const Run run = tallyctl({"--port", watchEnd.slavePath(), "--count", "2", "switcher-watch"});
        notifier.setEnabled(false);
        velkEnd.closeMaster();
        QTRY_VERIFY(!testsupport::holdsOpen(velk.processId(), velkEnd.slavePath()));
        velk.kill();
        velk.waitForFinished();
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts).last().section(' ', 1), QString("id 1 lit none"));
    }
};

QTEST_MAIN(TestTallyctl)
#include "test_tallyctl.moc"
