// tally-bridge on loopback and ptys, in-process with the timing shortened
// and as the built program: velk's window, TSL senders and vMix stand-ins
// in front, the virtual units or a pty's master behind.
#include "bridge/service.h"
#include "simulator/simulatorwindow.h"
#include "tests/support/files.h"
#include "tests/support/freeport.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "unit/virtualunits.h"

#include <QDir>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <atomic>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace bridge;
using testsupport::freePort;

namespace {
// The studio's time-outs at a twentieth: the same rules, seconds sooner.
Config quick(const QString &line)
{
    Config c;
    c.line = line;
    c.refreshMs = 0;
    c.timing = {300, 100, 100, 600, 300, 100, 20};
    return c;
}

// Display address's program tally (bit 2) on or off.
QByteArray tsl31(int address, bool program)
{
    return char(0x80 + address) + QByteArray(1, program ? 2 : 0) + QByteArray(16, ' ');
}

void sendTsl31(quint16 port, int address, bool program)
{
    QUdpSocket().writeDatagram(tsl31(address, program), QHostAddress::LocalHost, port);
}
} // namespace

class TestBridgeE2e : public QObject {
    Q_OBJECT
    QStringList m_log;
    const Service::Log log = [this](const QString &line) { m_log << line; };

private slots:
    // A failure shows what the bridge said.
    void cleanup()
    {
        if (QTest::currentTestFailed()) qDebug().noquote() << m_log.join('\n');
        m_log.clear();
    }
    // velk's frames through a pty pair into the bridge, and out to the
    // units: unit 01 follows input 1 on PGM, unit 02 input 1 on PVW.
    void velkLightsTheUnitsLamps()
    {
        testsupport::Pty velkLine, switcherLine;
        QSocketNotifier relay(velkLine.masterFd(), QSocketNotifier::Read);
        connect(&relay, &QSocketNotifier::activated, this, [&] { switcherLine.write(velkLine.readAvailable()); });
        unit::VirtualUnits units{unit::Options{{1, 2}, {}, {}}};
        QString error;
        QVERIFY2(units.start(&error), qPrintable(error));
        units.line().handle("GPI01A");
        units.line().handle("GPW02A");
        Config c;
        c.line = units.path();
        c.switcher = switcherLine.slavePath();
        c.programIds = {1};
        c.previewIds = {1};
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        testsupport::RecordingBoxes boxes;
        simulator::SimulatorWindow velk(platform::PortMap({velkLine.slavePath()}), boxes);
        velk.Option2->setChecked(true);
        velk.show();
        QTest::mouseClick(velk.Picture1, Qt::LeftButton, {}, QPoint(15, 15));
        QTRY_VERIFY(units.line().units()[0].pgm && units.line().units()[1].pvw);
        QVERIFY(!units.line().units()[0].pvw && !units.line().units()[1].pgm);
    }

    // A TSL datagram of two messages gives one pair at once; vMix goes away
    // and comes back, the line is unplugged and plugged in: each is logged,
    // retried every 2 s, and the newest state goes out.
    void tslVmixAndLineComeBack()
    {
        testsupport::ReplugPort line;
        QTcpServer vmix;
        QVERIFY(vmix.listen(QHostAddress::LocalHost));
        Config c = quick(line.path());
        c.vmix = Remote{"127.0.0.1", vmix.serverPort()};
        c.tsl31Udp = Endpoint{QHostAddress::LocalHost, freePort()};
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.pty().readBytes(10), QByteArray("\x02TLY\x03\x02TLW\x03"));
        QUdpSocket().writeDatagram(QByteArray::fromHex("8302") + QByteArray(16, ' ') + QByteArray::fromHex("8500") + QByteArray(16, ' '), QHostAddress::LocalHost, c.tsl31Udp->port);
        QCOMPARE(line.pty().readBytes(11), QByteArray("\x02TLYC\x03\x02TLW\x03"));
        QCOMPARE(line.pty().readBytes(1, 300), QByteArray()); // no refresh asked for
        for (const QByteArray tally : {"12", "21"}) {
            QTRY_VERIFY(vmix.hasPendingConnections());
            QTcpSocket *client = vmix.nextPendingConnection();
            QByteArray asked;
            QTRY_VERIFY((asked += client->readAll()).startsWith("SUBSCRIBE TALLY\r\n"));
            client->write("TALLY OK " + tally + "\r\n");
            QCOMPARE(line.pty().readBytes(13), tally == "12" ? QByteArray("\x02TLYAC\x03\x02TLWB\x03") : QByteArray("\x02TLYBC\x03\x02TLWA\x03"));
            client->close();
        }
        line.unplug();
        // Back only after an attempt that failed: the line is tried again and again.
        QTRY_VERIFY(!m_log.filter(QRegularExpression("^line .*: cannot open: ")).isEmpty());
        line.replug();
        QCOMPARE(line.pty().readBytes(13), QByteArray("\x02TLYBC\x03\x02TLWA\x03"));
        QVERIFY(m_log.contains(QString("%1: The remote host closed the connection; its last tally stays on the lamps; trying again every 0.1 s").arg(c.inputs()[1].name())));
    }

    // vMix answering its polls stays connected and lit past the silence
    // and stale times; silent, it is dropped and connected again; gone
    // behind a host that never answers, its tally goes stale_s (seconds)
    // after the last connection that answered ended.
    void vmixProvesItIsAlive()
    {
        testsupport::Pty line;
        QTcpServer vmix;
        QVERIFY(vmix.listen(QHostAddress::LocalHost));
        Config c = quick(line.slavePath());
        c.vmix = Remote{"127.0.0.1", vmix.serverPort()};
        c.staleOf[int(Kind::Vmix)] = 1;
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        QTRY_VERIFY(vmix.hasPendingConnections());
        QTcpSocket *client = vmix.nextPendingConnection();
        bool answering = true;
        QByteArray asked, got;
        connect(client, &QTcpSocket::readyRead, this, [&] {
            asked += client->readAll();
            if (answering) client->write("TALLY OK 12\r\n");
        });
        QTRY_VERIFY_WITH_TIMEOUT(asked.count("TALLY\r\n") >= 13, 5000);
        QVERIFY((got += line.readAvailable()).endsWith("\x02TLYA\x03\x02TLWB\x03"));
        QCOMPARE(m_log.filter(QRegularExpression("dropped|cleared")), QStringList());
        answering = false;
        QElapsedTimer silent;
        silent.start();
        // Dropped, and the next connection, which never says a word, too.
        QTRY_VERIFY(m_log.filter("no byte for 0.6 s").size() >= 2);
        QVERIFY(m_log.contains(QString("vmix %1: no byte for 0.6 s; connection dropped; its last tally stays on the lamps; trying again every 0.1 s").arg(c.vmix->text())));
        // A full queue of a listener that never accepts drops the handshake.
        vmix.close();
        const int hole = ::socket(AF_INET, SOCK_STREAM, 0), one = 1;
        ::setsockopt(hole, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in at{AF_INET, htons(c.vmix->port), {htonl(INADDR_LOOPBACK)}, {}};
        QVERIFY(::bind(hole, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0 && ::listen(hole, 0) == 0);
        std::vector<QTcpSocket> fill(2);
        for (QTcpSocket &f : fill) f.connectToHost(QHostAddress::LocalHost, c.vmix->port);
        QTRY_VERIFY_WITH_TIMEOUT((got += line.readAvailable()).endsWith("\x02TLY\x03\x02TLW\x03"), 3000);
        QVERIFY2(silent.elapsed() >= 1400, "stale_s counts seconds from the last answering connection's end");
        QTRY_VERIFY(!m_log.filter(QRegularExpression("^vmix .*: no answer in 0.3 s")).isEmpty());
        ::close(hole);
    }

    // At most one pair on its way, and that for its time at 9600 baud even
    // where the device reports nothing queued: read at line speed after a
    // flood, the newest state is the last pair within a pair's time or two.
    void pairsAtLineSpeed()
    {
        testsupport::Pty pty;
        LineWriter writer(pty.slavePath(), 0, quick({}).timing, log);
        QCOMPARE(writer.open(), QString());
        const auto pair = [](int n) { return "\x02TLY" + QByteArray(n, 'A') + "\x03\x02TLW\x03"; };
        writer.setFrames(pair(1));
        writer.setFrames(pair(2));
        writer.setFrames(pair(3));
        QCOMPARE(pty.readBytes(11 + 13), pair(1) + pair(3));
        QByteArray got;
        QTimer reader, flood;
        connect(&reader, &QTimer::timeout, this, [&] {
            char ten[10];
            if (const ssize_t n = ::read(pty.masterFd(), ten, sizeof ten); n > 0) got.append(ten, n);
        });
        int sent = 0;
        connect(&flood, &QTimer::timeout, this, [&] {
            for (int i = 0; i < 10; ++i) writer.setFrames(pair(++sent % 40 + 1));
        });
        reader.start(10);
        flood.start(1);
        QTRY_VERIFY(sent >= 500);
        flood.stop();
        QTRY_VERIFY_WITH_TIMEOUT(got.endsWith(pair(sent % 40 + 1)), 1000);
    }

    // The lamps of the last run go out at once, until the inputs speak; a
    // damaged state file is told of and left, never fatal.
    void restartKeepsTheLamps()
    {
        testsupport::Pty line;
        QTemporaryDir dir;
        Config c = quick(line.slavePath());
        c.tsl31Udp = Endpoint{QHostAddress::LocalHost, freePort()};
        c.statePath = dir.filePath("later/state");
        auto first = std::make_unique<Service>(c, log);
        QCOMPARE(first->start(), QString());
        sendTsl31(c.tsl31Udp->port, 3, true);
        QCOMPARE(line.readBytes(21), QByteArray("\x02TLY\x03\x02TLW\x03\x02TLYC\x03\x02TLW\x03"));
        // A save that fails is tried again.
        QTRY_VERIFY(!m_log.filter(QString("state %1: cannot save: ").arg(c.statePath)).isEmpty());
        QVERIFY(QDir(dir.path()).mkdir("later"));
        QTRY_VERIFY(QFile::exists(c.statePath));
        first->stop();
        first.reset();
        Service second(c, log);
        QCOMPARE(second.start(), QString());
        QCOMPARE(line.readBytes(11), QByteArray("\x02TLYC\x03\x02TLW\x03"));
        QVERIFY(!m_log.filter(QRegularExpression("^restored the state of \\d\\d:\\d\\d:\\d\\d, \\d s old$")).isEmpty());
        sendTsl31(c.tsl31Udp->port, 3, false);
        QCOMPARE(line.readBytes(10), QByteArray("\x02TLY\x03\x02TLW\x03"));
        second.stop();
        QVERIFY(testsupport::writeFile(c.statePath, "tally-bridge state 1\nsaved 2026-12-07T12:01:33Z\nvmix\t1\n"));
        Service third(c, log);
        QCOMPARE(third.start(), QString());
        QCOMPARE(line.readBytes(10), QByteArray("\x02TLY\x03\x02TLW\x03"));
        QCOMPARE(m_log.last(), QString("state %1: line 3 is damaged; starting dark").arg(c.statePath));
    }

    // Sixteen senders that never speak keep their places, none is lost to
    // senders that closed before the bridge looked; a seventeenth takes the
    // place of the one silent longest.
    void sendersCannotHoldEverySlot()
    {
        testsupport::Pty line;
        Config c = quick(line.slavePath());
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        c.tsl31Tcp = Endpoint{QHostAddress::LocalHost, probe.serverPort()};
        probe.close();
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        for (int i = 0; i < 40; ++i) {
            QTcpSocket gone;
            gone.connectToHost(QHostAddress::LocalHost, c.tsl31Tcp->port);
            QVERIFY(gone.waitForConnected());
        }
        std::vector<QTcpSocket> idle(16);
        for (QTcpSocket &s : idle) s.connectToHost(QHostAddress::LocalHost, c.tsl31Tcp->port);
        for (QTcpSocket &s : idle) QTRY_VERIFY(m_log.contains(QString("%1: 127.0.0.1:%2 connected").arg(c.inputs()[0].name()).arg(s.localPort())));
        QCOMPARE(m_log.filter("senders already"), QStringList());
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost, c.tsl31Tcp->port);
        sender.write(tsl31(47, true));
        QByteArray got;
        QTRY_VERIFY((got += line.readAvailable()).endsWith("\x02TLYo\x03\x02TLW\x03"));
        QTRY_COMPARE(idle[0].state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(idle[1].state(), QAbstractSocket::ConnectedState);
        QCOMPARE(m_log.filter("senders already").size(), 1);
    }

    // A reload maps anew, moves the line, adds vMix and finds the switcher
    // line: the new map is on the new line at once. Then a port moves: what
    // came on the old one lights nothing, and the old port is free. One that
    // cannot listen leaves all as it was. A missing switcher line is no
    // reason to stop.
    void reloadAppliesTheWholeFile()
    {
        testsupport::Pty line, moved, switcher;
        Config c = quick(line.slavePath());
        const quint16 first = freePort();
        c.tsl31Udp = Endpoint{QHostAddress::LocalHost, first};
        c.switcher = "/nonexistent/ttyUSB9";
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        QVERIFY(m_log.contains("switcher /nonexistent/ttyUSB9: cannot open: absent; trying again every 0.1 s"));
        sendTsl31(first, 1, true);
        QCOMPARE(line.readBytes(21), QByteArray("\x02TLY\x03\x02TLW\x03\x02TLYA\x03\x02TLW\x03"));
        QTcpServer vmix, taken;
        QVERIFY(vmix.listen(QHostAddress::LocalHost) && taken.listen(QHostAddress::LocalHost));
        Config next = c;
        next.line = moved.slavePath();
        next.vmix = Remote{"127.0.0.1", vmix.serverPort()};
        next.switcher = switcher.slavePath();
        next.maps[int(Kind::Tsl31)].set(1, 2);
        QString changes;
        QCOMPARE(service.reload(next, &changes), QString());
        QCOMPARE(changes, QString("line %1 → %2; switcher: /nonexistent/ttyUSB9 → %3; vmix %4 added").arg(line.slavePath(), moved.slavePath(), switcher.slavePath(), next.vmix->text()));
        QCOMPARE(moved.readBytes(11), QByteArray("\x02TLYB\x03\x02TLW\x03"));
        QTRY_VERIFY(vmix.hasPendingConnections());
        QTRY_VERIFY(m_log.contains(QString("switcher %1: no frame for 0.3 s since it opened").arg(switcher.slavePath())));
        next.tsl31Udp->port = freePort();
        QCOMPARE(service.reload(next, &changes), QString());
        QCOMPARE(changes, QString("tsl31: udp 127.0.0.1:%1 → 127.0.0.1:%2").arg(first).arg(next.tsl31Udp->port));
        QCOMPARE(moved.readBytes(10), QByteArray("\x02TLY\x03\x02TLW\x03"));
        QVERIFY(QUdpSocket().bind(QHostAddress::LocalHost, first, QUdpSocket::DontShareAddress));
        Config refused = next;
        refused.tsl31Tcp = Endpoint{QHostAddress::LocalHost, taken.serverPort()};
        refused.maps[int(Kind::Tsl31)].set(3, 4);
        QVERIFY(service.reload(refused, &changes).contains("cannot listen"));
        sendTsl31(next.tsl31Udp->port, 3, true);
        QCOMPARE(moved.readBytes(11), QByteArray("\x02TLYC\x03\x02TLW\x03"));
    }

    // The program as systemd runs it: ready once started, then alive at
    // half the watchdog's 200 ms for as long as it runs, stopping on
    // SIGTERM. Under a UDP flood a TCP sender is still served and SIGTERM
    // still ends it at once; the last line of its log, stamped with the
    // time outside the journal, is the end's.
    void tellsSystemdItIsAlive()
    {
        testsupport::Pty line;
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("notify"));
        sockaddr_un at{};
        at.sun_family = AF_UNIX;
        qstrncpy(at.sun_path, path.constData(), sizeof at.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const auto closing = qScopeGuard([fd] { ::close(fd); });
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0);
        QStringList told;
        const auto heard = [&] {
            char datagram[256];
            for (ssize_t n; (n = ::recv(fd, datagram, sizeof datagram, 0)) > 0;) told << QString::fromLatin1(datagram, n);
            return told;
        };
        QTcpServer vmix, tcp;
        QVERIFY(vmix.listen(QHostAddress::LocalHost) && tcp.listen(QHostAddress::LocalHost));
        const quint16 udp = freePort(), tcpPort = tcp.serverPort();
        tcp.close();
        QProcess bridge;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NOTIFY_SOCKET", path);
        env.insert("WATCHDOG_USEC", "200000");
        env.remove("JOURNAL_STREAM");
        bridge.setProcessEnvironment(env);
        bridge.start(TALLY_BRIDGE_BIN, {"--line", line.slavePath(), "--refresh", "0", "--tsl31", QString("127.0.0.1:%1").arg(udp), "--tsl31-tcp", QString("127.0.0.1:%1").arg(tcpPort), "--vmix", QString("127.0.0.1:%1").arg(vmix.serverPort()), "--verbose"});
        QTRY_COMPARE(heard().mid(0, 4), QStringList({"READY=1", "WATCHDOG=1", "WATCHDOG=1", "WATCHDOG=1"}));
        QTRY_VERIFY(vmix.hasPendingConnections());
        // Each datagram a new state, which --verbose logs: faster than it can
        // take them, for 5 s at most.
        std::atomic<bool> flooding = true;
        std::thread flood([&] {
            const int out = ::socket(AF_INET, SOCK_DGRAM, 0);
            const sockaddr_in to{AF_INET, htons(udp), {htonl(INADDR_LOOPBACK)}, {}};
            const QByteArray states[] = {tsl31(1, true), tsl31(1, false)};
            QElapsedTimer t;
            t.start();
            for (int n = 0; flooding && t.elapsed() < 5000; ++n) ::sendto(out, states[n % 2].data(), 18, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
            ::close(out);
        });
        const auto joining = qScopeGuard([&] { flooding = false, flood.join(); });
        QByteArray got;
        QTRY_VERIFY((got += line.readAvailable()).contains("\x02TLYA\x03"));
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost, tcpPort);
        sender.write(tsl31(47, true));
        QTRY_VERIFY_WITH_TIMEOUT((got += line.readAvailable()).contains("o\x03\x02TLW"), 1000);
        heard(); // its queue holds ten
        ::kill(pid_t(bridge.processId()), SIGTERM);
        ::kill(pid_t(bridge.processId()), SIGHUP); // told after the end: not acted on
        QVERIFY(bridge.waitForFinished(1000));
        QCOMPARE(heard().last(), "STOPPING=1");
        QCOMPARE(bridge.exitStatus(), QProcess::NormalExit);
        QCOMPARE(bridge.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(bridge.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.last().endsWith(" tally-bridge: ending on signal 15"));
        QCOMPARE(lines.filter(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} tally-bridge: ")), lines);
    }
};

QTEST_MAIN(TestBridgeE2e)
#include "test_bridge_e2e.moc"
