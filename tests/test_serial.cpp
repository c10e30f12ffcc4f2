// The serial component over real pseudo-terminals.
#include "link/portchoice.h"
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
    void portMapFromEnvironment()
    {
        qputenv("TALLY_SERIAL_PORTS", "/dev/pts/3::/dev/ttyUSB0");
        const PortMap map = PortMap::fromEnvironment();
        qunsetenv("TALLY_SERIAL_PORTS");
        QCOMPARE(map.device(1), QString("/dev/pts/3"));
        QCOMPARE(map.device(2), QString());
        QCOMPARE(map.device(3), QString("/dev/ttyUSB0"));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("absent number") << QStringList{""} << 2 << "8010: Com2: no serial device has this number";
        QTest::newRow("missing device") << QStringList{"/dev/tally-none"} << 1 << "8010: Com1 (/dev/tally-none): no such device";
    }
    void failures()
    {
        QFETCH(QStringList, devices);
        QFETCH(int, port);
        QFETCH(QString, prompt);
        SerialComm comm{PortMap(devices), {}};
        QVERIFY(!comm.setCommPort(port));
        const unitlink::PortResult e = comm.setPortOpen(true);
        QVERIFY(e && !comm.portOpen());
        QCOMPARE(unitlink::promptText(*e), prompt);
        QCOMPARE(unitlink::TryOpenPort(comm, 17), int(unitlink::SettingPort));
    }

    void alreadyOpen()
    {
        Pty one, two;
        SerialComm comm(PortMap({one.slavePath(), two.slavePath()}), {});
        QVERIFY(!comm.setPortOpen(true));
        for (const unitlink::PortResult &e : {comm.setCommPort(2), comm.setPortOpen(true)}) {
            QVERIFY(e);
            QCOMPARE(e->number, int(platform::PortAlreadyOpen));
            QVERIFY2(e->description.contains("Com1 (" + one.slavePath() + "): port already open"), qPrintable(e->description));
        }
        QCOMPARE(comm.commPort(), 1);
        QVERIFY(comm.output("x"));
        QCOMPARE(one.readBytes(1), QByteArray("x"));
    }

    void oneCharacterPerNotification()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(!comm.setPortOpen(true));
        QByteArray got;
        int idle = 0;
        connect(&comm, &SerialComm::onComm, this, [&] {
            // Every other notification is left unread: the component moves on by itself.
            if (idle++ % 2) return;
            const QByteArray c = comm.input();
            QCOMPARE(c.size(), 1);
            got += c;
        });
        pty.write("abcdef");
        QTRY_COMPARE(got, QByteArray("ace"));
        QCOMPARE(comm.input(), QByteArray());
    }

    void charactersWaitWhileHandlerHoldsModalBox()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(!comm.setPortOpen(true));
        QByteArray got;
        bool inBox = false, reentered = false;
        connect(&comm, &SerialComm::onComm, this, [&] {
            reentered = reentered || inBox;
            const QByteArray c = comm.input();
            got += c;
            if (c != "!") return;
            inBox = true;  // the event loop runs while the operator reads
            pty.write("late");
            QTest::qWait(200);
            inBox = false;
        });
        pty.write("first!");
        QTRY_COMPARE(got, QByteArray("first!late"));
        QVERIFY(!reentered);
    }

    void hangUpClosesThePortOnce()
    {
        testsupport::ReplugPort port;
        SerialComm comm(PortMap({port.path()}), {});
        QVERIFY(!comm.setPortOpen(true));
        QSignalSpy lost(&comm, &SerialComm::portLost);
        port.unplug();
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!comm.portOpen());
        QVERIFY(lost.at(0).at(0).toString().contains(port.path()));
        QVERIFY(!comm.output("x"));
        QTest::qWait(100);
        QCOMPARE(lost.count(), 1);
        port.replug();
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(comm.output("y"));
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
        if (held) QVERIFY(!other.setCommPort(held) && !other.setPortOpen(true));
        SerialComm comm(PortMap(devices), {});
        QCOMPARE(unitlink::startupSearch(comm), found);
        QVERIFY(comm.portOpen());
        for (int p : free) {  // every other free port is left closed
            if (p == found || p == held) continue;
            SerialComm next(PortMap(devices), {});
            QVERIFY(!next.setCommPort(p) && !next.setPortOpen(true));
        }
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
