// tally-bridge's ATEM input against a switcher the test plays on loopback,
// written from the protocol's description (bridge/atem.h) rather than from
// the bridge's code: its handshake, its state dump spread over packets,
// packets lost, reordered and past the wrap of their ids, a switcher that
// falls silent, closes its session or reboots; in-process with the
// timing shortened, and as the built program.
#include "bridge/http/statejson.h"
#include "bridge/service.h"
#include "tests/support/pty.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <QUdpSocket>

#include <csignal>

using namespace bridge;

namespace {

quint16 word(QByteArrayView b, qsizetype at)
{
    return quint16(quint8(b[at]) << 8 | quint8(b[at + 1]));
}

QByteArray words(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values) out += char(v >> 8), out += char(v & 0xFF);
    return out;
}

// A header: flags, length, session, ack id, resend id, unknown, packet id.
QByteArray header(int flags, int length, int session, int ack = 0, int resend = 0, int id = 0)
{
    return words({flags << 8 | length, session, ack, resend, 0, id});
}

// A command: its length (header included), 2 bytes unused, its name, its data.
QByteArray command(const char *name, const QByteArray &data)
{
    return words({8 + int(data.size()), 0}) + name + data;
}

// Tally by index: a count, then each input's bits (1 program, 2 preview).
QByteArray tlIn(std::initializer_list<int> bits)
{
    QByteArray data = words({int(bits.size())});
    for (const int b : bits) data += char(b);
    return command("TlIn", data);
}

// Input properties: the input's id, its long name (20 bytes), short name (4).
QByteArray inPr(int input, const QByteArray &name)
{
    return command("InPr", words({input}) + name.leftJustified(20, '\0') + name.left(4).leftJustified(4, ' ') + words({0}));
}

const QByteArray inCm = command("InCm", QByteArray::fromHex("01000000"));

// A switcher: answers a handshake with a session of its own, sends its
// state dump a packet a payload, acks what asks for it and sends again what
// it is asked for. It can lose, reorder, fall silent, refuse, close and
// reboot.
class FakeAtem : public QObject {
public:
    FakeAtem()
    {
        m_socket.bind(QHostAddress::LocalHost, 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, &FakeAtem::read);
    }
    quint16 port() const { return m_socket.localPort(); }
    QString at() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    // How it behaves.
    QList<QByteArray> dump;      // the state dump's payloads, a packet each, once a handshake is done
    QList<int> order;            // the dump's packets in the order they go out (indexes), else in order
    QSet<quint16> loseOnce;      // packet ids not sent the first time
    bool silent = false;         // hears nothing, says nothing
    bool refusing = false;       // rejects handshakes
    bool resends = true;         // honours resend requests
    quint16 nextSession = 1;     // the next session it gives (top bit clear)
    int pingsLeft = 0;           // keep-alives of its own still to send, 64 on their way at most

    // What it saw.
    quint16 session = 0;         // the last it gave, top bit set
    quint16 lastId = 0;          // the last packet it sent
    quint16 acked = 0;           // the client's newest ack
    QList<quint16> resendsAsked; // the first packet of each resend request
    int handshakes = 0, keepAlives = 0, closings = 0, closedAnswers = 0;
    int synsHeard = 0; // handshakes asked for, silent or not

    // A packet of the open session; payloads sent in the order given.
    void send(const QList<QByteArray> &payloads, const QList<int> &inOrder = {})
    {
        QList<QByteArray> packets;
        for (const QByteArray &payload : payloads) {
            lastId = (lastId + 1) & 0x7FFF;
            const QByteArray p = header(0x08, 12 + int(payload.size()), session, 0, 0, lastId) + payload;
            m_sent[lastId] = p;
            packets << p;
        }
        for (int i = 0; i < packets.size(); ++i) {
            const QByteArray &p = packets[inOrder.isEmpty() ? i : inOrder[i]];
            if (!loseOnce.remove(word(p, 10))) write(p);
        }
    }
    void ping(int count)
    {
        pingsLeft = count;
        topUp();
    }
    // Ends the session with a closing request.
    void close() { write(header(0x10, 20, session) + QByteArray::fromHex("0400000000000000")); }
    // Off and on: it knows no session, and counts sessions from 1 again.
    void reboot()
    {
        m_open = false;
        session = 0;
        nextSession = 1;
        m_sent.clear();
    }

private:
    void write(const QByteArray &datagram) { m_socket.writeDatagram(datagram, m_peer, m_peerPort); }
    void topUp()
    {
        while (pingsLeft > 0 && ((lastId - acked) & 0x7FFF) < 64) {
            --pingsLeft;
            send({QByteArray()});
        }
    }
    void read()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = m_socket.receiveDatagram();
            const QByteArray p = d.data();
            if (p.size() >= 13 && (p[0] & 0x10) && p[12] == 1) ++synsHeard;
            if (silent || p.size() < 12) continue;
            m_peer = d.senderAddress();
            m_peerPort = quint16(d.senderPort());
            const int flags = quint8(p[0]) & 0xF8, s = word(p, 2);
            if (flags & 0x10) {
                if (p[12] == 1) { // open
                    ++handshakes;
                    m_client = quint16(s);
                    m_open = false;
                    if (refusing) {
                        write(header(0x10, 20, s) + QByteArray::fromHex("0300000000000000"));
                        continue;
                    }
                    session = 0x8000 | nextSession;
                    write(header(0x10, 20, s) + QByteArray::fromHex("0200") + words({nextSession++}) + QByteArray(4, 0));
                } else if (p[12] == 4 && s == session) { // closing
                    ++closings;
                    m_open = false;
                    write(header(0x10, 20, s) + QByteArray::fromHex("0500000000000000"));
                } else if (p[12] == 5 && s == session) { // closed: the answer to ours
                    ++closedAnswers;
                    m_open = false;
                }
                continue;
            }
            if (flags & 0x80 && s == m_client && session && !m_open) { // the handshake's ack
                m_open = true;
                lastId = acked = 0;
                m_sent.clear();
                send(dump, order);
                continue;
            }
            if (s != session || !m_open) continue;
            if (flags & 0x80) {
                acked = word(p, 4);
                topUp();
            }
            if (flags & 0x40) {
                const quint16 from = word(p, 6);
                resendsAsked << from;
                for (quint16 id = from; resends && m_sent.contains(id); id = (id + 1) & 0x7FFF) {
                    QByteArray again = m_sent[id];
                    again[0] = char(again[0] | 0x20);
                    write(again);
                    if (id == lastId) break;
                }
            }
            if (flags & 0x08) {
                ++keepAlives;
                write(header(0x80, 12, session, word(p, 10)));
            }
        }
    }

    QUdpSocket m_socket;
    QHostAddress m_peer;
    quint16 m_peerPort = 0, m_client = 0;
    bool m_open = false;
    QMap<quint16, QByteArray> m_sent;
};

// The studio's time-outs shortened: lost after 0.3 s, a handshake every
// 0.1 s, a keep-alive every 50 ms.
Config quick(const QString &line, const FakeAtem &atem)
{
    Config c;
    c.line = line;
    c.refreshMs = 0;
    c.timing = {300, 100, 100, 600, 300, 100, 20, 300, 50};
    c.atem = Remote{"127.0.0.1", atem.port()};
    return c;
}

// The unit line's pair for these program and preview inputs ("AC", "B").
QByteArray pair(const QByteArray &program, const QByteArray &preview)
{
    return "\x02TLY" + program + "\x03\x02TLW" + preview + "\x03";
}

// The input's member of /api/state's inputs, and a lamp's.
QJsonValue inputSays(const Service &service, const QString &key)
{
    return inputsJson(service).at(0).toObject().value(key);
}
QString label(const Service &service, int input)
{
    return lampsJson(service).at(input - 1).toObject().value("label").toString();
}
} // namespace

class TestBridgeAtem : public QObject {
    Q_OBJECT
    QStringList m_log;
    const Service::Log log = [this](const QString &line) { m_log << line; };

private slots:
    void cleanup()
    {
        if (QTest::currentTestFailed()) qDebug().noquote() << m_log.join('\n');
        m_log.clear();
    }

    // The handshake, a dump of many packets whose tally goes out once, at
    // its end, and as the switcher's newest; a change after it at once;
    // keep-alives both ways; the status page's input and labels; the
    // closing handshake when the bridge stops.
    void dumpOverPacketsThenChanges()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.nextSession = 5;
        atem.dump = {command("_ver", words({2, 30})), inPr(1, "Camera 1") + inPr(2, "Camera 2") + inPr(3, "Camera 3"), tlIn({1, 0, 2}), command("Pad ", QByteArray(1200, 0)), tlIn({0, 1, 2}), command("MPrp", QByteArray(40, 0)), inCm};
        Service service(quick(line.slavePath(), atem), log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10), pair("", ""));
        QCOMPARE(line.readBytes(12), pair("B", "C"));
        QCOMPARE(line.readBytes(1, 200), QByteArray()); // nothing of the dump's older tally
        QVERIFY(m_log.contains(QString("atem %1: connected").arg(atem.at())));
        QCOMPARE(atem.session, 0x8005);
        QTRY_COMPARE(atem.acked, 7);
        atem.send({tlIn({1, 0, 0, 2}) + command("Time", QByteArray(8, 0))});
        QCOMPARE(line.readBytes(12), pair("A", "D"));
        QTRY_VERIFY(atem.keepAlives >= 3);
        atem.ping(3);
        QTRY_COMPARE(atem.acked, 11);
        QCOMPARE(inputSays(service, "state").toString(), "connected");
        QCOMPARE(inputSays(service, "kind").toString(), "atem");
        QCOMPARE(inputSays(service, "endpoint").toString(), atem.at());
        QCOMPARE(inputSays(service, "messages").toInt(), 2);
        QCOMPARE(label(service, 1), "Camera 1");
        QCOMPARE(label(service, 4), "ATEM 4");
        service.stop();
        QTRY_COMPARE(atem.closings, 1);
    }

    // A packet lost in the dump: the next one is held, the lost one asked
    // for and sent again; the dump ends on the newest tally.
    void lostPacketIsAskedFor()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.dump = {inPr(1, "Camera 1"), tlIn({1}), tlIn({2, 1}), inCm};
        atem.loseOnce = {3};
        Service service(quick(line.slavePath(), atem), log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10 + 12), pair("", "") + pair("B", "A"));
        QCOMPARE(atem.resendsAsked, QList<quint16>{3});
        QTRY_COMPARE(atem.acked, 4);
        // Lost after the dump too.
        atem.loseOnce = {5};
        atem.send({tlIn({0, 0, 1}), tlIn({0, 0, 0, 1})});
        // C, unless the line was still busy with the pair before: the newest.
        QByteArray got;
        QTRY_VERIFY((got += line.readAvailable()).endsWith(pair("D", "")));
        QCOMPARE(line.readBytes(1, 200), QByteArray());
        QCOMPARE(atem.resendsAsked, (QList<quint16>{3, 5}));
    }

    // Two changes that arrive the other way round, a switcher that does
    // not send again: the later is held until the earlier comes, and the
    // lamps end on the later.
    void reorderedPacketsKeepTheirOrder()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.dump = {tlIn({1}), inCm};
        atem.resends = false;
        Service service(quick(line.slavePath(), atem), log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10 + 11), pair("", "") + pair("A", ""));
        atem.send({tlIn({0, 1}), tlIn({0, 0, 1})}, {1, 0});
        QByteArray got;
        QTRY_VERIFY((got += line.readAvailable()).endsWith(pair("C", "")));
        QCOMPARE(line.readBytes(1, 200), QByteArray()); // none after it
        QTRY_COMPARE(atem.acked, 4);
    }

    // Packet ids past 0x7FFF start again at 0, 0x7FFF itself lost: the
    // tally after the wrap is taken.
    void idsWrap()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.dump = {tlIn({1}), inCm};
        Service service(quick(line.slavePath(), atem), log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10 + 11), pair("", "") + pair("A", ""));
        atem.loseOnce = {0x7FFF};
        atem.ping(0x7FFF + 3);
        QTRY_VERIFY_WITH_TIMEOUT(atem.pingsLeft == 0 && atem.acked == atem.lastId, 30000);
        QCOMPARE(atem.lastId, 4);
        QVERIFY(atem.resendsAsked.contains(0x7FFF));
        atem.send({tlIn({0, 2})});
        QCOMPARE(line.readBytes(11), pair("", "B"));
        QTRY_COMPARE(atem.acked, 5);
    }

    // Refused first (no room for another client), then a dump; silent:
    // lost after 0.3 s, said once, the lamps kept until stale_s, a
    // handshake every 0.1 s; answering again: a new session and its dump.
    void silentSwitcherIsLost()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.refusing = true;
        atem.dump = {tlIn({1, 2}), inCm};
        Config c = quick(line.slavePath(), atem);
        c.staleOf[int(Kind::Atem)] = 1;
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10), pair("", ""));
        const QString name = "atem " + atem.at();
        QTRY_VERIFY(m_log.contains(name + ": refused: it takes no more clients; trying again every 0.1 s"));
        QCOMPARE(inputSays(service, "state").toString(), "retrying");
        atem.refusing = false;
        QCOMPARE(line.readBytes(12), pair("A", "B"));
        QCOMPARE(m_log.last(), name + ": back, connected");
        QElapsedTimer silent;
        silent.start();
        atem.silent = true;
        QTRY_VERIFY(m_log.contains(name + ": no packet for 0.3 s; its last tally stays on the lamps; trying again every 0.1 s"));
        QCOMPARE(inputSays(service, "state").toString(), "lost");
        const int syns = atem.synsHeard;
        QCOMPARE(line.readBytes(1, 600), QByteArray()); // kept
        QVERIFY2(atem.synsHeard - syns >= 3, "a handshake every 0.1 s");
        QCOMPARE(line.readBytes(10, 2000), pair("", ""));
        QVERIFY2(silent.elapsed() >= 1250, "stale_s counts from the loss, 0.3 s after the last packet");
        QVERIFY(m_log.contains(name + ": no connection for 1 s; its tally is cleared"));
        atem.dump = {tlIn({0, 1}), inCm};
        atem.silent = false;
        QCOMPARE(line.readBytes(11), pair("B", ""));
        QCOMPARE(inputSays(service, "state").toString(), "connected");
        QCOMPARE(inputSays(service, "reconnects").toInt(), 1);
        QCOMPARE(m_log.filter(": back, connected").size(), 2);
    }

    // The switcher closes the session: answered, and a new one at once;
    // then it reboots (sessions from 1 again, the old one unknown): lost,
    // and the new session's dump is taken from its first packet.
    void closedAndRebootedSwitcher()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.nextSession = 7;
        atem.dump = {tlIn({1}), inCm};
        Service service(quick(line.slavePath(), atem), log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10 + 11), pair("", "") + pair("A", ""));
        const QString name = "atem " + atem.at();
        atem.dump = {tlIn({2}), inCm};
        atem.close();
        QCOMPARE(line.readBytes(11), pair("", "A"));
        QCOMPARE(atem.closedAnswers, 1);
        QCOMPARE(atem.session, 0x8008);
        QVERIFY(m_log.contains(name + ": it closed the session; its last tally stays on the lamps; trying again every 0.1 s"));
        atem.send({tlIn({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3})});
        QCOMPARE(line.readBytes(12), pair("p", "p")); // input 48 lit, 49 and 50 passed over
        atem.reboot();
        atem.dump = {tlIn({0, 0, 1}), inCm};
        QCOMPARE(line.readBytes(11, 3000), pair("C", ""));
        QCOMPARE(atem.session, 0x8001);
        QVERIFY(m_log.contains(name + ": no packet for 0.3 s; its last tally stays on the lamps; trying again every 0.1 s"));
    }

    // The program: --atem, and the closing handshake on SIGTERM.
    void programClosesItsSession()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.dump = {tlIn({0, 1}), inCm};
        QProcess bridge;
        bridge.start(TALLY_BRIDGE_BIN, {"--line", line.slavePath(), "--refresh", "0", "--atem", atem.at()});
        QCOMPARE(line.readBytes(10 + 11), pair("", "") + pair("B", ""));
        ::kill(pid_t(bridge.processId()), SIGTERM);
        QVERIFY(bridge.waitForFinished(2000));
        QCOMPARE(bridge.exitCode(), 0);
        QTRY_COMPARE(atem.closings, 1);
        QVERIFY(QString::fromUtf8(bridge.readAllStandardError()).contains(QString("tally-bridge: atem %1: connected\n").arg(atem.at())));
    }
};

QTEST_GUILESS_MAIN(TestBridgeAtem)
#include "test_bridge_atem.moc"
