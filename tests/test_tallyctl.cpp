// tallyctl in-process: against virtual units, against a pty driven by hand
// (replies a unit will not give: a bad checksum, err2 once), and its two
// watches reading hand-written frames.
#include "cli/tallyctl.h"
#include "platform/portmap.h"
#include "tests/support/files.h"
#include "tests/support/pty.h"
#include "unit/virtualunits.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>
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
        QTest::addColumn<QString>("port"); // "busy" (another program holds it) or "no permission"
        const QList<quint8> one{1}, three{1, 2, 3};
        auto row = [](const char *name, QList<quint8> units, QStringList args, QStringList frames, int code, QString out, QByteArray file = {}, QByteArray saved = {}, QString port = {}) {
            QTest::newRow(name) << units << args << frames << code << out << file << saved << port;
        };
        const QStringList writeFile{"write", "ram", "01", "x.LED"};
        row("STX SID ETX, three units, --json", three, {"ids", "--json"}, {"<STX>SID<ETX>"}, 0, "[{\"address\":\"01\"}\n,{\"address\":\"02\"}\n,{\"address\":\"03\"}\n]\n");
        row("STX QID 02 ETX, no such unit, --json", one, {"query", "02", "--json"}, {"<STX>QID02<ETX>"}, 1, "{\"error\":\"PTY: no reply to QID02 within 150 ms\",\"exit\":1}\n");
        row("nothing: port busy, --json", one, {"ids", "--json"}, {}, 3, "{\"error\":\"PTY: cannot open: busy: held by another program\",\"exit\":3}\n", {}, {}, "busy");
        row("nothing: port not permitted", one, {"ids", "--json"}, {}, 3, "{\"error\":\"PTY: cannot open: permission denied: root:GROUP 000, the user is nobody\",\"exit\":3}\n", {}, {}, "no permission");
        row("STX QID 01 ETX", one, {"query", "1"}, {"<STX>QID01<ETX>"}, 0, "01\n");
        row("STX SID ETX STX SETID 07 ETX STX QID 07 ETX", one, {"set-address", "7"}, {"<STX>SID<ETX>", "<STX>SETID07<ETX>", "<STX>QID07<ETX>"}, 0, "07\n");
        row("STX SID ETX, three units: refused", three, {"set-address", "07", "--json"}, {"<STX>SID<ETX>"}, 2, "{\"error\":\"PTY: units 01, 02, 03 answered: SETID would give all of them address 07 (--yes to do it)\",\"exit\":2}\n");
        row("STX SID ETX STX SETID 07 ETX, three units, --yes", three, {"set-address", "07", "--yes"}, {"<STX>SID<ETX>", "<STX>SETID07<ETX>", "<STX>QID07<ETX>"}, 0, "07\n");
        row("STX RDM 01 ETX, --json", one, {"read", "prom", "01", "--json"}, {"<STX>RDM01<ETX>"}, 0, "{\"address\":\"01\",\"image\":\"" + dark + "\",\"memory\":\"prom\"}\n");
        row("STX RDR 01 ETX, -o x.LED over a file", one, {"read", "ram", "01", "-o", "x.LED"}, {"<STX>RDR01<ETX>"}, 0, "x.LED\n", "old\r\n", QByteArray("00 ").repeated(32) + "\r\n");
        row("STX RDM 01 ETX, -o x.LED, --json", one, {"read", "prom", "01", "-o", "x.LED", "--json"}, {"<STX>RDM01<ETX>"}, 0, "{\"address\":\"01\",\"file\":\"x.LED\",\"memory\":\"prom\"}\n", {}, QByteArray("00 ").repeated(32) + "\r\n");
        row("STX WRR 01 CAM 1 B9 ETX STX RDR 01 ETX", one, {"write", "ram", "01", "--text", "CAM 1"}, {"<STX>WRR01007C82828244007E8888887E00FE402040FE000000000000000042FE02000000B9<ETX>", "<STX>RDR01<ETX>"}, 0, camImage + "\n");
        row("STX WRM 01 FF*32 E1 ETX STX RDM 01 ETX", one, {"write", "prom", "01", "--hex", lit}, {"<STX>WRM01" + QString("FF").repeated(32) + "E1<ETX>", "<STX>RDM01<ETX>"}, 0, lit + "\n");
        row("STX WRR 01 01*32 21 ETX STX RDR 01 ETX, file of \" 1\" pairs", one, writeFile, {"<STX>WRR01" + QString("01").repeated(32) + "21<ETX>", "<STX>RDR01<ETX>"}, 0, QString("01 ").repeated(32).trimmed() + "\n", QByteArray(" 1 ").repeated(32) + "\r\n");
        row("STX WRR 01 7E 00*31 7F ETX STX RDR 01 ETX, file \"7e\" LF", one, writeFile, {"<STX>WRR017E" + QString("00").repeated(31) + "7F<ETX>", "<STX>RDR01<ETX>"}, 0, "7E " + QString("00 ").repeated(31).trimmed() + "\n", "7e\n");
        row("nothing: a text file", one, writeFile + QStringList{"--json"}, {}, 2, "{\"error\":\"x.LED is not an image file: hex pairs and blanks only\",\"exit\":2}\n", "Tally notes for camera 1\r\n");
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
        row("nothing: unknown command, --json", one, {"frobnicate", "--json"}, {}, 2, "{\"error\":\"unknown command 'frobnicate'\",\"exit\":2}\n");
        row("nothing: query without its address, --json", one, {"query", "--json"}, {}, 2, "{\"error\":\"usage: tallyctl query ADDR\",\"exit\":2}\n");
        row("nothing: unknown option, --json", one, {"ids", "--bogus", "--json"}, {}, 2, "{\"error\":\"Unknown option 'bogus'.\",\"exit\":2}\n");
        row("nothing: text with a tab", one, {"text", "01", "CAM\t1"}, {}, 2, "");
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
        QFETCH(QString, port);
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
        QSerialPort other(line.path());
        if (port == "busy") QVERIFY(other.open(QIODevice::ReadWrite));
        // As root: as another user, whom a device of root's with no permissions refuses, until the run is over.
        const bool root = port == "no permission" && ::chmod(qPrintable(line.path()), 0) == 0 && ::geteuid() == 0;
        if (root) QVERIFY(::setresuid(65534, 65534, 0) == 0);
        Run run = tallyctl(QStringList{"--port", line.path(), "--timeout", "150"} + args);
        if (root) QVERIFY(::setresuid(0, 0, 0) == 0);
        QTEST(run.code, "code");
        // The pty's group is the system's (tty, or root in some containers).
        QTEST(run.out.replace(line.path(), "PTY").replace(":" + QFileInfo(line.path()).group() + " ", ":GROUP "), "out");
        QTRY_COMPARE(received, frames);
        if (run.code != 0) QVERIFY(!run.err.isEmpty());
        if (!saved.isEmpty()) QCOMPARE(testsupport::fileBytes("x.LED"), saved);
    }

    void unnamedPort_data()
    {
        QTest::addColumn<QStringList>("dev"); // a stand-in /dev: files, and links as "name>target"
        QTest::addColumn<QString>("list"); // --ports or TALLY_SERIAL_PORTS: "unset" when neither
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("adapters");
        const QStringList usb{"ttyS0", "ttyUSB0", "serial/by-id/usb-A-port0>../../ttyUSB0"};
        const QString byId = "DEV/serial/by-id/usb-A-port0";
        QTest::newRow("port 1 of the list") << usb << "/dev/pts/3::/dev/ttyUSB0" << "/dev/pts/3" << QStringList{};
        QTest::newRow("no port 1 in the list: the adapter") << usb << ":/dev/pts/3" << byId << QStringList{byId};
        QTest::newRow("ttyUSB0 and its by-id link: one adapter, by its link") << usb << "unset" << byId << QStringList{byId};
        QTest::newRow("ttyS0 and ttyS1: none") << QStringList{"ttyS0", "ttyS1"} << "unset" << "" << QStringList{};
        QTest::newRow("ttyUSB1 and ttyACM0: two, neither taken") << QStringList{"ttyS0", "ttyUSB1", "ttyACM0"} << "unset" << "" << QStringList{"DEV/ttyACM0", "DEV/ttyUSB1"};
        QTest::newRow("by-id link of an adapter unplugged: none") << usb.mid(2) << "unset" << "" << QStringList{};
    }

    void unnamedPort()
    {
        QFETCH(QStringList, dev);
        QFETCH(QString, list);
        QTemporaryDir root;
        for (const QString &entry : dev) {
            const QString path = root.filePath(entry.section('>', 0, 0));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && (entry.contains('>') ? QFile::link(entry.section('>', 1), path) : testsupport::writeFile(path, "")));
        }
        platform::UnnamedPort port = platform::unnamedPort(list == "unset" ? std::nullopt : std::optional(list), root.path());
        QTEST(port.device.replace(root.path(), "DEV"), "device");
        QTEST(port.adapters.replaceInStrings(root.path(), "DEV"), "adapters");
    }

    // The windows' port list when no list is named (given empty), as likely
    // wired; or where a bare name given to --ports, --port or --line leads.
    void likelyWired_data()
    {
        QTest::addColumn<QStringList>("dev"); // as above; run/ stands for the runtime folder
        QTest::addColumn<QString>("given");
        QTest::addColumn<QStringList>("ports");
        const QStringList uarts{"ttyS0", "ttyS1"}, unit{"pts3", "run/tally-unit>../pts3"};
        const QStringList usb{"ttyUSB0", "serial/by-id/usb-A-port0>../../ttyUSB0"};
        QTest::newRow("ttyS0 ttyS1 ttyUSB0, a unit running") << uarts + usb + unit << "" << QStringList{"DEV/serial/by-id/usb-A-port0", "DEV/run/tally-unit", "DEV/ttyS0", "DEV/ttyS1"};
        QTest::newRow("ttyS0 ttyS1 ttyACM0, its unit gone") << uarts + QStringList{"ttyACM0", "run/tally-unit>../pts9"} << "" << QStringList{"DEV/ttyACM0", "DEV/ttyS0", "DEV/ttyS1"};
        QTest::newRow("bare tally-unit: the link") << uarts + unit << "tally-unit" << QStringList{"DEV/run/tally-unit"};
        QTest::newRow("bare tally-unit, none running: still there") << uarts << "tally-unit" << QStringList{"DEV/run/tally-unit"};
        QTest::newRow("bare ttyS1: the device") << uarts + unit << "ttyS1" << QStringList{"DEV/ttyS1"};
        QTest::newRow("a path: as given") << uarts + unit << "./tally-unit" << QStringList{"./tally-unit"};
    }

    void likelyWired()
    {
        QFETCH(QStringList, dev);
        QFETCH(QString, given);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir("run"));
        for (const QString &entry : dev) {
            const QString path = root.filePath(entry.section('>', 0, 0));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && (entry.contains('>') ? QFile::link(entry.section('>', 1), path) : testsupport::writeFile(path, "")));
        }
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("run")));
        QStringList system; // as the system lists them: by name, every one
        for (const QString &tty : QDir(root.path()).entryList({"tty*"}, QDir::Files, QDir::Name)) system << root.filePath(tty);
        QStringList ports = given.isEmpty() ? platform::likelyWired(platform::serialAdapters(root.path()), platform::runtimePath("tally-unit"), system)
                                            : QStringList{platform::namedDevice(given, root.path())};
        qputenv("XDG_RUNTIME_DIR", runtime);
        QTEST(ports.replaceInStrings(root.path(), "DEV"), "ports");
    }

    void handDrivenLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<QByteArray>>("replies"); // one per frame heard
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<int>("code");
        const QByteArray wrr00 = stx("WRR01" + QByteArray(64, '0') + "01"), rdr01 = stx("RDR01");
        const QStringList writeDark{"write", "ram", "01", "--hex", dark};
        QTest::newRow("STX rdr FF*32 e0 ETX: checksum failure") << QStringList{"read", "ram", "01", "-o", "x.LED"} << QList<QByteArray>{stx("rdr" + QByteArray("FF").repeated(32) + "e0")} << QList<QByteArray>{rdr01} << 4;
        QTest::newRow("STX err2 ETX, then STX wrr ETX") << writeDark << QList<QByteArray>{stx("err2"), stx("wrr"), stx("rdr" + QByteArray(66, '0'))} << QList<QByteArray>{wrr00, wrr00, rdr01} << 0;
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
        QTest::newRow("STX gpi A ETX: one input short") << QStringList{"watch"} << stx("gpiA") << QStringList{"[STX]gpiA[ETX] gpi data A malformed"} << 0;
        QTest::newRow("STX ton ESC [2J ETX, STX ESC ]0;x BEL 9B ETX") << QStringList{"watch"} << stx("ton\x1b[2J") + stx("\x1b]0;x\x07\x9b") << QStringList{"[STX]ton\\x1b[2J[ETX] ton data \\x1b[2J", "[STX]\\x1b]0;x\\x07\\x9b[ETX] unknown data \\x1b]0;x\\x07\\x9b"} << 0;
        QTest::newRow("STX ton ESC FF ETX, --hex") << QStringList{"watch", "--hex"} << stx("ton\x1b\xff") << QStringList{"[STX]ton\\x1b\\xff[ETX] ton data \\x1b\\xff hex 02 74 6F 6E 1B FF 03"} << 0;
        QTest::newRow("nothing, SIGINT") << QStringList{"watch"} << QByteArray() << QStringList{} << SIGINT;
        QTest::newRow("STX si 03 ETX, STX err2 ETX, --json") << QStringList{"watch", "--json"} << stx("si03") + stx("err2") << QStringList{"[{\"address\":\"03\",\"frame\":\"[STX]si03[ETX]\",\"mnemonic\":\"si\"}", ",{\"data\":\"2\",\"error\":\"CRC Error\",\"frame\":\"[STX]err2[ETX]\",\"mnemonic\":\"err\"}", "]"} << 0;
        QTest::newRow("FF 0B 03 01 01 00*8") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B030101") + QByteArray(8, 0) << QStringList{"id 3 lit 1 8"} << 0;
        QTest::newRow("FF 0B 00 00*8 40 00, FF 0B 00 00*9 01") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B00" + QByteArray("00").repeated(8) + "4000FF0B00" + QByteArray("00").repeated(9) + "01") << QStringList{"id 0 lit 63", "id 0 lit 64"} << 0;
        QTest::newRow("FF 0B 09 00*10: ID above 7") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B09") + QByteArray(10, 0) << QStringList{"malformed FF 0B 09 00 00 00 00 00 00 00 00 00 00"} << 0;
        QTest::newRow("FF 0B 01 00 cut short, FF 0B 01 00*10") << QStringList{"switcher-watch"} << QByteArray::fromHex("FF0B0100FF0B01") + QByteArray(10, 0) << QStringList{"malformed FF 0B 01 00", "id 1 lit none"} << 0;
        QTest::newRow("nothing, SIGTERM, --json") << QStringList{"switcher-watch", "--json"} << QByteArray() << QStringList{"[]"} << SIGTERM;
        QTest::newRow("STX SID ETX, no answer, SIGTERM: no SETID") << QStringList{"set-address", "07", "--yes", "--timeout", "10000"} << QByteArray() << QStringList{} << SIGTERM;
        QTest::newRow("STX QID 07 ETX, no answer, SIGINT, --json") << QStringList{"query", "07", "--json", "--timeout", "10000"} << QByteArray() << QStringList{"{\"error\":\"PTY: interrupted\",\"exit\":130}"} << SIGINT;
    }

    void watches()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(int, signal);
        testsupport::Pty pty;
        // A watch ends only after its count of frames; should frames go missing,
        // the line hangs up and the watch ends with exit 3 instead of running on.
        QTimer hangUp;
        hangUp.callOnTimeout([&pty] { pty.closeMaster(); });
        hangUp.start(10000);
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
        if (!signal) args << "--count" << QString::number(lines.size() - args.contains("--json")); // "]" is no frame
        Run run = tallyctl(QStringList{"--port", pty.slavePath()} + args);
        QCOMPARE(run.code, args.first().endsWith("watch") ? 0 : 130); // a signal ends a watch, fails a command
        if (args.first() == "set-address") QCOMPARE(pty.readAvailable(), stx("SID")); // and nothing more went out
        QCOMPARE(run.out.replace(pty.slavePath(), "PTY").remove(QRegularExpression("^\\d+ |,\"ms\":\\d+", QRegularExpression::MultilineOption)).split('\n', Qt::SkipEmptyParts), lines);
        QCOMPARE(settings(), before);
    }
};

QTEST_MAIN(TestTallyctl)
#include "test_tallyctl.moc"
