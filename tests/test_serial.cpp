// The serial component over real pseudo-terminals.
#include "platform/linesettings.h"
#include "platform/portchoice.h"
#include "platform/modalgate.h"
#include "platform/serialcomm.h"
#include "tests/support/pty.h"

#include <QSignalSpy>
#include <QTest>

using platform::PortMap;
using platform::SerialComm;
using testsupport::Pty;

class TestSerial : public QObject {
    Q_OBJECT
private slots:
    // A refused open names the device's owner, group and mode and the user;
    // the dialout hint only where it would help.
    void permissionHints_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("now");
        QTest::addColumn<QString>("text");
        QTest::newRow("root:dialout 660, not a member") << "dialout" << 0660u << false << false << "permission denied: root:dialout 660, the user is alice; the user needs to be in the dialout group";
        QTest::newRow("root:dialout 660, added, not this session") << "dialout" << 0660u << true << false << "permission denied: root:dialout 660, the user is alice; the user is in the dialout group, but this session is not yet: log in again";
        QTest::newRow("root:dialout 600, a member") << "dialout" << 0600u << true << true << "permission denied: root:dialout 600, the user is alice";
        QTest::newRow("root:tty 620, root's pty") << "tty" << 0620u << false << false << "permission denied: root:tty 620, the user is alice";
        QTest::newRow("root:root 600") << "root" << 0600u << false << false << "permission denied: root:root 600, the user is alice";
    }
    void permissionHints()
    {
        QFETCH(QString, group);
        QFETCH(unsigned, mode);
        QFETCH(bool, listed);
        QFETCH(bool, now);
        QTEST(platform::permissionText({"root", group, mode, "alice", now, listed}), "text");
    }

    void failures()
    {
        qputenv("TALLY_SERIAL_PORTS", ":/dev/tally-none");
        SerialComm comm(PortMap::fromEnvironment(), {});
        qunsetenv("TALLY_SERIAL_PORTS");
        QVERIFY(comm.setCommPort(2).ok());
        const platform::PortResult e = comm.setPortOpen(true);
        QCOMPARE(e.ok() ? "opened" : platform::promptText(e.error()), "8010: Com2 (/dev/tally-none): no such device");
        QCOMPARE(platform::TryOpenPort(comm, 17), int(platform::SettingPort));
        QVERIFY(!comm.portOpen() && !comm.output("x").ok());
    }

    void alreadyOpen()
    {
        Pty one, two;
        SerialComm comm(PortMap({one.slavePath(), two.slavePath()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        for (const platform::PortResult &e : {comm.setCommPort(2), comm.setPortOpen(true)})
            QCOMPARE(platform::promptText(e.ok() ? platform::PortError{} : e.error()), "8005: Com1 (" + one.slavePath() + "): port already open");
        QVERIFY(comm.output("x").ok());
        QCOMPARE(one.readBytes(1), QByteArray("x"));
    }

    void oneCharacterPerNotification()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        QByteArray got;
        int calls = 0;
        connect(&comm, &SerialComm::onComm, this, [&] {
            if (calls++ % 2 == 0) got += comm.input();  // a notification left unread moves on by itself
        });
        pty.write("abcdef");
        QTRY_COMPARE(got, QByteArray("ace"));
    }

    // A receive handler's box is open while the reply's tail arrives in
    // pieces and the adapter is pulled: each piece is taken off the port as
    // it comes (a watcher sees it then); after the box the handler gets
    // every character once, in order, and only then hears of the loss, once;
    // the adapter plugged in again opens as before.
    void heldCharactersComeBeforeTheLoss()
    {
        testsupport::ReplugPort port;
        SerialComm comm(PortMap({port.path()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        QByteArray seen, handled;
        connect(&comm, &SerialComm::bytesRead, this, [&](const QByteArray &bytes) { seen += bytes; });
        connect(&comm, &SerialComm::portLost, this, [&](const QString &why) { handled += "|" + why.toUtf8(); });
        connect(&comm, &SerialComm::onComm, this, [&] {
            handled += comm.input();
            if (handled != "!") return;
            platform::ModalGate::Hold box;
            for (const char *piece : {"t", "o", "n"}) {
                port.pty().write(piece);
                QTRY_VERIFY(seen.endsWith(piece));
            }
            QCOMPARE(comm.waiting(), qsizetype(3));
            port.unplug();
            QTRY_VERIFY(!comm.portOpen());
            QCOMPARE(handled, QByteArray("!"));
        });
        port.pty().write("!");
        QTRY_COMPARE(handled, "!ton|Com1 (" + port.path().toUtf8() + ") lost: the device was unplugged or hung up");
        QCOMPARE(seen, QByteArray("!ton"));
        port.replug();
        QVERIFY(comm.setPortOpen(true).ok());
        QVERIFY(comm.output("y").ok());
        QCOMPARE(port.pty().readBytes(1), QByteArray("y"));
    }

    void startupSearch_data()
    {
        QTest::addColumn<QList<int>>("free");
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("found");
        QTest::newRow("3 and 5") << QList<int>{3, 5} << 0 << 3;
        QTest::newRow("3 held elsewhere, 5") << QList<int>{3, 5} << 3 << 5;
        QTest::newRow("only 16") << QList<int>{16} << 0 << 16;
    }
    void startupSearch()
    {
        QFETCH(QList<int>, free);
        QFETCH(int, held);
        QFETCH(int, found);
        std::vector<std::unique_ptr<Pty>> ptys;
        QStringList devices(16);
        devices[1] = "/dev/tally-absent";
        for (int p : free) devices[p - 1] = ptys.emplace_back(std::make_unique<Pty>())->slavePath();
        SerialComm other(PortMap(devices), {});
        if (held) QVERIFY(other.setCommPort(held).ok() && other.setPortOpen(true).ok());
        SerialComm comm(PortMap(devices), {});
        QCOMPARE(platform::startupSearch(comm), found);
        for (int p : free) {  // every other free port is left closed
            SerialComm next(PortMap(devices), {});
            if (p != found && p != held) QVERIFY(next.setCommPort(p).ok() && next.setPortOpen(true).ok());
        }
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
