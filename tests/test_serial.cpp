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
        QCOMPARE(map.device(4), QString());
        QCOMPARE(map.device(0), QString());
    }

    void opensPtyWithoutModemLines()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(comm.setCommPort(1).ok());
        QVERIFY(comm.setPortOpen(true).ok());
        QVERIFY(comm.portOpen());
        comm.setRTSEnable(true);
        QVERIFY(comm.portOpen());
        QVERIFY(comm.output("\x02SID\x03").ok());
        QCOMPARE(pty.readFrame(), QByteArray("\x02SID\x03"));
    }

    void failuresCarryNumberAndDevice_data()
    {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("absent number") << QStringList{"", ""} << 2 << "Com2";
        QTest::newRow("missing device") << QStringList{"/dev/tally-no-such-device"} << 1 << "/dev/tally-no-such-device";
    }
    void failuresCarryNumberAndDevice()
    {
        QFETCH(QStringList, devices);
        QFETCH(int, port);
        QFETCH(QString, mentions);
        SerialComm comm{PortMap(devices), {}};
        QVERIFY(comm.setCommPort(port).ok());
        const unitlink::PortResult e = comm.setPortOpen(true);
        QVERIFY(!e.ok());
        QVERIFY(e.error().number != 0);
        QVERIFY2(e.error().description.contains(mentions), qPrintable(e.error().description));
        QVERIFY(!comm.portOpen());
    }

    void portNumberOutOfRangeFailsAtSetting()
    {
        SerialComm comm{PortMap(), {}};
        QVERIFY(!comm.setCommPort(0).ok());
        QVERIFY(!comm.setCommPort(17).ok());
        QCOMPARE(unitlink::TryOpenPort(comm, 17), int(unitlink::SettingPort));
        QCOMPARE(unitlink::TryOpenPort(comm, 1), int(unitlink::Opening));
    }

    void burstArrivesOneCharacterPerNotification()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        QByteArray got;
        int notifications = 0;
        connect(&comm, &SerialComm::onComm, this, [&] {
            ++notifications;
            const QByteArray c = comm.input();
            QCOMPARE(c.size(), 1);
            got += c;
        });
        const QByteArray burst = "rdm" + QByteArray("FF").repeated(32) + "E0";
        QCOMPARE(burst.size(), 69);
        pty.write(burst);
        QTRY_COMPARE(got.size(), 69);
        QCOMPARE(got, burst);
        QCOMPARE(notifications, 69);
    }

    void handlerThatReadsNothingStillAdvances()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        int notifications = 0;
        connect(&comm, &SerialComm::onComm, this, [&] { ++notifications; });
        pty.write("abcde");
        QTRY_COMPARE(notifications, 5);
        QCOMPARE(comm.input(), QByteArray());
    }

    void charactersWaitWhileHandlerHoldsModalBox()
    {
        Pty pty;
        SerialComm comm(PortMap({pty.slavePath()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        QByteArray got;
        bool inBox = false;
        int reentered = 0;
        connect(&comm, &SerialComm::onComm, this, [&] {
            if (inBox) ++reentered;
            const QByteArray c = comm.input();
            got += c;
            if (c == "!") {
                // Like a modal box: the event loop runs while the operator reads.
                inBox = true;
                pty.write("late characters");
                QTest::qWait(300);
                pty.write("+more");
                QTest::qWait(100);
                inBox = false;
            }
        });
        pty.write("first!");
        QTRY_COMPARE(got, QByteArray("first!late characters+more"));
        QCOMPARE(reentered, 0);
        pty.write("after");
        QTRY_COMPARE(got, QByteArray("first!late characters+moreafter"));
    }

    void hangUpClosesThePortOnce()
    {
        auto pty = std::make_unique<Pty>();
        SerialComm comm(PortMap({pty->slavePath()}), {});
        QVERIFY(comm.setPortOpen(true).ok());
        QSignalSpy lost(&comm, &SerialComm::portLost);
        pty->write("\x02to");
        pty->closeMaster();
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!comm.portOpen());
        QVERIFY(lost.at(0).at(0).toString().contains(pty->slavePath()));
        QTest::qWait(200);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!comm.output("\x02SID\x03").ok());
    }

    void writeWithNoPortOpenIsRefused()
    {
        SerialComm comm{PortMap(), {}};
        QVERIFY(!comm.portOpen());
        QVERIFY(!comm.output("\x02SID\x03").ok());
    }

    void startupSearchTakesLowestUsable()
    {
        Pty three, five;
        SerialComm comm(PortMap({"", "/dev/tally-absent", three.slavePath(), "", five.slavePath()}), {});
        QCOMPARE(unitlink::startupSearch(comm), 3);
        QVERIFY(comm.portOpen());
        QCOMPARE(comm.commPort(), 3);
        QVERIFY(comm.output("x").ok());
        QCOMPARE(three.readBytes(1), QByteArray("x"));
    }

    void portHeldByAnotherProgramIsSkipped()
    {
        Pty three, five;
        const PortMap map({"", "", three.slavePath(), "", five.slavePath()});
        SerialComm holder(map, {});
        QVERIFY(holder.setCommPort(3).ok());
        QVERIFY(holder.setPortOpen(true).ok());
        SerialComm comm(map, {});
        QCOMPARE(unitlink::TryOpenPort(comm, 3), int(unitlink::Opening));
        QCOMPARE(unitlink::startupSearch(comm), 5);
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
