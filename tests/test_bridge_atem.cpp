// tally-bridge's ATEM input against a switcher the test plays on loopback,
// written from the protocol's description (bridge/atem.h) rather than from
// the bridge's code: its handshake, its state dump spread over packets,
// packets lost, reordered and past the wrap of their ids, a switcher that
// refuses, falls silent, reboots or closes its session, and the closing
// handshake when the bridge stops; in-process with the timing shortened.
#include "bridge/http/statejson.h"
#include "bridge/service.h"
#include "tests/support/pty.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

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

const QByteArray inCm = command("InCm", QByteArray::fromHex("01000000"));

// A switcher: answers a handshake with a session of its own and sends its
// state dump, a packet a payload; acks what asks for it and sends again
// what it is asked for. It can lose a packet once, refuse, fall silent,
// reboot and close the session.
class FakeAtem : public QObject {
public:
    FakeAtem()
    {
        m_socket.bind(QHostAddress::LocalHost, 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, &FakeAtem::read);
    }
    QString at() const { return QStringLiteral("127.0.0.1:%1").arg(m_socket.localPort()); }

    QList<QByteArray> dump; // sent once a handshake is done
    QList<quint16> lose;    // packet ids not sent the first time
    bool refusing = false, silent = false;
    quint16 sessions = 0; // given since it started; the one open is the last, top bit set
    quint16 lastId = 0, acked = 0; // its last packet; the bridge's newest ack
    QList<quint16> resendsAsked;   // the first packet of each resend request
    int keepAlives = 0, closings = 0, closedAnswers = 0; // the bridge's keep-alives, closing requests, answers to ours

    // Packets of the open session, the last first when reversed.
    void send(const QList<QByteArray> &payloads, bool reversed = false)
    {
        QList<QByteArray> packets;
        for (const QByteArray &payload : payloads) {
            lastId = (lastId + 1) & 0x7FFF;
            m_sent[lastId] = header(0x08, 12 + int(payload.size()), session(), 0, 0, lastId) + payload;
            packets.insert(reversed ? 0 : packets.size(), m_sent[lastId]);
        }
        for (const QByteArray &p : packets)
            if (!lose.removeOne(word(p, 10))) write(p);
    }
    // Keep-alives of its own, 64 on their way at most.
    void ping(int count)
    {
        m_pings = count;
        topUp();
    }
    // Ends the session with a closing request.
    void close() { write(header(0x10, 20, session()) + words({0x0400, 0, 0, 0})); }

private:
    int session() const { return 0x8000 | sessions; }
    void write(const QByteArray &datagram) { m_socket.writeDatagram(datagram, m_peer, m_peerPort); }
    void topUp()
    {
        for (; m_pings > 0 && ((lastId - acked) & 0x7FFF) < 64; --m_pings) send({QByteArray()});
    }
    void read()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = m_socket.receiveDatagram();
            const QByteArray p = d.data();
            const int flags = quint8(p[0]) & 0xF8, s = word(p, 2);
            m_peer = d.senderAddress();
            m_peerPort = quint16(d.senderPort());
            if (silent) continue;
            if (flags & 0x10) {
                if (p[12] == 1) { // open: accepted, or rejected
                    m_client = s;
                    m_open = false;
                    sessions += refusing ? 0 : 1;
                    write(header(0x10, 20, s) + words({refusing ? 0x0300 : 0x0200, sessions, 0, 0}));
                }
                closings += p[12] == 4 && s == session();
                closedAnswers += p[12] == 5 && s == session();
            } else if (flags & 0x80 && s == m_client && !m_open) { // the handshake's ack
                m_open = true;
                lastId = acked = 0;
                send(dump);
            } else if (s == session() && m_open) {
                if (flags & 0x80) acked = word(p, 4), topUp();
                if (flags & 0x40) resendsAsked << word(p, 6);
                for (quint16 id = word(p, 6); flags & 0x40 && m_sent.contains(id); id = (id + 1) & 0x7FFF) {
                    write(char(m_sent[id][0] | 0x20) + m_sent[id].mid(1)); // a retransmit
                    if (id == lastId) break;
                }
                if (flags & 0x08) ++keepAlives, write(header(0x80, 12, session(), word(p, 10)));
            }
        }
    }

    QUdpSocket m_socket;
    QHostAddress m_peer;
    quint16 m_peerPort = 0, m_client = 0;
    bool m_open = false;
    int m_pings = 0;
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
    c.atem = readRemote(atem.at(), kAtemPort);
    return c;
}

// The unit line's pair for these program and preview inputs ("AC", "B").
QByteArray pair(const QByteArray &program, const QByteArray &preview)
{
    return "\x02TLY" + program + "\x03\x02TLW" + preview + "\x03";
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

    // The handshake; a dump over packets, one lost and sent again when
    // asked, whose tally goes out once, at its end, as its newest; the
    // inputs' names; keep-alives; two changes that come the other way
    // round; packet ids past 0x7FFF, 0x7FFF itself lost; the closing
    // handshake when the bridge stops (as it does on SIGTERM).
    void sessionWithTheSwitcher()
    {
        testsupport::Pty line;
        FakeAtem atem;
        atem.dump = {command("InPr", words({1}) + QByteArray("Camera 1").leftJustified(20, '\0') + "CAM1" + words({0})), tlIn({2, 1}), tlIn({1, 0, 2}), inCm};
        atem.lose = {3};
        Service service(quick(line.slavePath(), atem), log);
        QCOMPARE(service.start(), QString());
        QCOMPARE(line.readBytes(10 + 12), pair("", "") + pair("A", "C"));
        QCOMPARE(line.readBytes(1, 200), QByteArray()); // nothing of the dump's older tally
        QCOMPARE(atem.resendsAsked, QList<quint16>{3});
        QCOMPARE(lampsJson(service).at(0).toObject().value("label").toString(), "Camera 1");
        QCOMPARE(inputsJson(service).at(0).toObject().value("messages").toInt(), 1); // the dump's tally once
        QTRY_VERIFY(atem.keepAlives >= 3);
        atem.send({tlIn({0, 1}), tlIn({0, 0, 1})}, true); // 6 before 5
        QByteArray got;
        QTRY_VERIFY((got += line.readAvailable()).endsWith(pair("C", "")));
        atem.lose = {0x7FFF};
        atem.ping(0x7FFF); // ids 7 to 0x7FFF, then 0 to 5
        QTRY_VERIFY_WITH_TIMEOUT(atem.acked == atem.lastId && atem.lastId == 5, 30000);
        QVERIFY(atem.resendsAsked.contains(0x7FFF));
        atem.send({tlIn({0, 2})});
        QCOMPARE(line.readBytes(11), pair("", "B"));
        service.stop();
        QTRY_COMPARE(atem.closings, 1);
    }

    // Refused first (no room for another client); silent: lost after 0.3 s,
    // the lamps kept until stale_s, handshakes until it answers; back from
    // a reboot (its sessions from 1 again, the same session as before): the
    // new session's dump; it closes the session: answered, and a new one at
    // once.
    void refusedSilentRebootedClosed()
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
        atem.refusing = false;
        QCOMPARE(line.readBytes(12), pair("A", "B"));
        atem.silent = true;
        QTRY_VERIFY(m_log.contains(name + ": no packet for 0.3 s; its last tally stays on the lamps; trying again every 0.1 s"));
        QCOMPARE(line.readBytes(1, 600), QByteArray()); // kept
        QCOMPARE(line.readBytes(10, 2000), pair("", ""));
        QVERIFY(m_log.contains(name + ": no connection for 1 s; its tally is cleared"));
        atem.sessions = 0; // rebooted: its sessions count from 1 again
        atem.dump = {tlIn({0, 1}), inCm};
        atem.silent = false;
        QCOMPARE(line.readBytes(11), pair("B", ""));
        atem.dump = {tlIn({2}), inCm};
        atem.close();
        QCOMPARE(line.readBytes(11), pair("", "A"));
        QCOMPARE(atem.closedAnswers, 1);
    }
};

QTEST_GUILESS_MAIN(TestBridgeAtem)
#include "test_bridge_atem.moc"
