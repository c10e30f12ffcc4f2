// tally-bridge running in-process on loopback and ptys: velk's window, a
// TSL sender and a vMix stand-in in front, the virtual units or a pty's
// master behind.
#include "bridge/service.h"
#include "simulator/simulatorwindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "unit/virtualunits.h"

#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace bridge;

namespace {
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}
} // namespace

class TestBridgeE2e : public QObject {
    Q_OBJECT
    QStringList m_log;
    const Service::Log log = [this](const QString &line) { m_log << line; };

private slots:
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
        Config c;
        c.line = line.path();
        c.refreshMs = 0;
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
            QTRY_COMPARE(asked += client->readAll(), QByteArray("SUBSCRIBE TALLY\r\n"));
            client->write("TALLY OK " + tally + "\r\n");
            QCOMPARE(line.pty().readBytes(13), tally == "12" ? QByteArray("\x02TLYAC\x03\x02TLWB\x03") : QByteArray("\x02TLYBC\x03\x02TLWA\x03"));
            client->close();
        }
        line.unplug();
        QTRY_VERIFY(!m_log.filter(": lost (unplugged or hung up)").isEmpty());
        line.replug();
        QCOMPARE(line.pty().readBytes(13, 5000), QByteArray("\x02TLYBC\x03\x02TLWA\x03"));
        QCOMPARE(m_log.filter(QRegularExpression("^vmix 127.0.0.1:\\d+: .*; its last tally stays on the lamps; trying again in 2 s$")).size(), 2);
    }

    // The program as systemd runs it: ready once started, then alive at
    // half the watchdog's 200 ms for as long as it runs, stopping on SIGTERM.
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
        QProcess bridge;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NOTIFY_SOCKET", path);
        env.insert("WATCHDOG_USEC", "200000");
        bridge.setProcessEnvironment(env);
        bridge.start(TALLY_BRIDGE_BIN, {"--line", line.slavePath(), "--tsl31", QString("127.0.0.1:%1").arg(freePort())});
        QTRY_COMPARE(heard().mid(0, 4), QStringList({"READY=1", "WATCHDOG=1", "WATCHDOG=1", "WATCHDOG=1"}));
        bridge.terminate();
        QTRY_COMPARE(bridge.state(), QProcess::NotRunning);
        QCOMPARE(heard().last(), "STOPPING=1");
        QCOMPARE(bridge.exitStatus(), QProcess::NormalExit);
        QCOMPARE(bridge.exitCode(), 0);
    }
};

QTEST_MAIN(TestBridgeE2e)
#include "test_bridge_e2e.moc"
