// tally-bridge without sockets: each protocol's bytes, written by hand from
// its layout, read in the pieces a socket may cut them into; what a message
// means under the configuration; the frames that go to the units.
#include "bridge/atem.h"
#include "bridge/http/testrequest.h"
#include "bridge/obs.h"
#include "bridge/sources.h"
#include "bridge/switcher.h"
#include "tests/support/files.h"

#include <QTemporaryDir>

#include <numeric>
#include <QTest>

using namespace bridge;

namespace {
// Pieces separated by "|", each in hex (fromHex passes over the blanks).
QList<QByteArray> pieces(const QByteArray &text)
{
    QList<QByteArray> out;
    for (const QByteArray &p : text.split('|')) out << QByteArray::fromHex(p);
    return out;
}

QString colours(const Tsl5Display &d)
{
    return QStringLiteral("%1,%2,%3").arg(int(d.colour(Tsl5Lamp::LeftHand))).arg(int(d.colour(Tsl5Lamp::Text))).arg(int(d.colour(Tsl5Lamp::RightHand)));
}

// What a reader made of the pieces, each item as describe says, and how
// many malformed runs it counted.
template <class Reader, class Describe>
std::pair<QStringList, qint64> readWith(Reader r, const QList<QByteArray> &in, Describe describe)
{
    QStringList out;
    for (const QByteArray &p : in)
        for (const auto &item : r.feed(p)) out << describe(item);
    return {out, r.malformed()};
}

std::pair<QStringList, qint64> readAll(const QString &reader, const QList<QByteArray> &in)
{
    const auto numbers = [](int count, auto on, int first) {
        QStringList n;
        for (int i = 0; i < count; ++i)
            if (on(i)) n << QString::number(i + first);
        return n;
    };
    if (reader == "tsl31")
        return readWith(Tsl31Reader(), in, [&](const Tsl31Message &m) {
            return QStringLiteral("%1:T%2:B%3:%4").arg(m.address).arg(numbers(4, [&](int t) { return m.tally(t + 1); }, 1).join("")).arg(m.brightness()).arg(QString::fromLatin1(m.text));
        });
    if (reader == "tsl5 tcp") return readWith(Tsl5Stream(), in, [](const QByteArray &packet) { return QString(packet.toHex(' ')); });
    if (reader == "vmix")
        return readWith(VmixReader(), in, [&](const QList<VmixState> &t) {
            return std::accumulate(t.begin(), t.end(), QString(), [](QString d, VmixState s) { return d + QString::number(int(s)); });
        });
    if (reader == "switcher")
        return readWith(SwitcherReader(), in, [&](const switcherlink::Tally &t) {
            return QStringLiteral("%1:%2").arg(t.id).arg(numbers(switcherlink::kLampCount, [&](int s) { return t.lamps[size_t(s)]; }, 1).join(','));
        });
    const std::optional<Tsl5Packet> packet = readTsl5Packet(in.join());
    QStringList out{packet ? QStringList() : QStringList{"none"}};
    for (const Tsl5Display &d : packet.value_or(Tsl5Packet()).displays) out << QStringLiteral("%1:%2:%3").arg(d.index).arg(colours(d), d.text);
    return {out, 0};
}
quint16 word(QByteArrayView b, qsizetype at)
{
    return quint16(quint8(b[at]) << 8 | quint8(b[at + 1]));
}

// What a datagram meant to an ATEM session: "ours accepted got Pk01 ack 1
// 8005": its flags, the packets it gave (by their first command), then each
// reply (ack N, resend N or synOPCODE, and the session it went under, in
// hex); "-" for nothing.
QString described(const AtemSession::Read &r)
{
    QStringList d;
    for (const auto &[on, text] : {std::pair(r.ours, "ours"), std::pair(r.accepted, "accepted"), std::pair(r.rejected, "rejected"), std::pair(r.closed, "closed"), std::pair(r.malformed > 0, "malformed")})
        if (on) d << text;
    for (const QByteArray &p : r.payloads) d << "got " + QString::fromLatin1(p.mid(4, 4));
    for (const QByteArray &reply : r.replies) {
        const QString session = QString::number(word(reply, 2), 16);
        switch (quint8(reply[0]) & 0xF8) {
        case 0x80: d << QStringLiteral("ack %1 %2").arg(word(reply, 4)).arg(session); break;
        case 0x40: d << QStringLiteral("resend %1 %2").arg(word(reply, 6)).arg(session); break;
        case 0x10: d << QStringLiteral("syn%1 %2").arg(int(reply[12])).arg(session); break;
        default: d << "other " + reply.toHex(' ');
        }
    }
    return d.isEmpty() ? "-" : d.join(' ');
}

// A packet of session 0x8005 asking for an ack, with its id and one command
// of that name, no data.
QByteArray atemCommandPacket(quint16 id, const char *name)
{
    return QByteArray::fromHex("08 14 8005 0000 0000 0000") + char(id >> 8) + char(id & 0xFF) + QByteArray::fromHex("0008 0000") + name;
}

// The switcher's answer to client 0x1234's SYN: accepted, session 5.
const QByteArray kAccepted = QByteArray::fromHex("10 14 1234 0000 0000 0000 0000 02 00 0005 00000000");
} // namespace

class TestBridge : public QObject {
    Q_OBJECT
private slots:
    void readers_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<int>("malformed");
        const QByteArray spaces11 = QByteArray("20").repeated(11), nul16 = QByteArray("00").repeated(16);
        QTest::newRow("E9 19 hello: address 105, tallies 1 and 4, brightness 1") << "tsl31" << "E9 19 68656C6C6F" + spaces11 << QStringList{"105:T14:B1:hello"} << 0;
        QTest::newRow("81 32 NULx16: address 1, tally 2, full brightness") << "tsl31" << "81 32" + nul16 << QStringList{"1:T2:B3:"} << 0;
        QTest::newRow("two messages in one datagram") << "tsl31" << "81 32" + nul16 + "82 01" + nul16 << QStringList{"1:T2:B3:", "2:T1:B0:"} << 0;
        QTest::newRow("garbage, two messages cut short by the next header, then one in three reads") << "tsl31" << "01 7F 80 | 81 41 | 82 08" + nul16.left(10) + "|" + nul16.mid(10) << QStringList{"2:T4:B0:"} << 3;
        QTest::newRow("control byte with bit 7 set") << "tsl31" << "81 82" + nul16 << QStringList{} << 1;
        QTest::newRow("E9 02 caf\\xe9: a Latin-1 label") << "tsl31" << "E9 02 636166E9" + spaces11 + "20" << QStringList{QString::fromUtf8("105:T2:B0:café")} << 0;
        QTest::newRow("15 00 ... two displays: text red CAM 2, text green") << "tsl5" << QByteArray("1500 00 00 0000 0200 0400 0500 43414D2032 0300 0800 0000") << QStringList{"2:0,1,0:CAM 2", "3:0,2,0:"} << 0;
        QTest::newRow("0A 00 ... FF FF: every display, text amber") << "tsl5" << QByteArray("0A00 00 00 0000 FFFF 0C00 0000") << QStringList{"65535:0,3,0:"} << 0;
        QTest::newRow("12 00 ... control data left out, then right-hand red") << "tsl5" << QByteArray("1200 00 00 0000 0100 0080 0200 0102 0400 0100 0000") << QStringList{"4:0,0,1:"} << 0;
        QTest::newRow("0E 00 00 01 ... UTF-16LE text, left-hand green") << "tsl5" << QByteArray("0E00 00 01 0000 0100 2000 0400 3A67 3100") << QStringList{QString::fromUtf8("1:2,0,0:机1")} << 0;
        QTest::newRow("PBC one short") << "tsl5" << QByteArray("0900 00 00 0000 0100 0400 0000") << QStringList{"none"} << 0;
        QTest::newRow("text past the packet's end") << "tsl5" << QByteArray("0A00 00 00 0000 0100 0400 0100") << QStringList{"none"} << 0;
        QTest::newRow("FE 02 ... FE FE ...: a DLE undoubled across reads") << "tsl5 tcp" << QByteArray("41 42 FE 41 FE 02 0A00 0000 0000 FE | FE 00 0100 0000 | FE 02 0600") << QStringList{"0a 00 00 00 00 00 fe 00 01 00 00 00"} << 1;
        QTest::newRow("FE 02 cut short by FE 02") << "tsl5 tcp" << QByteArray("FE 02 0A00 0000 FE 02 0400 00 00 0000") << QStringList{"04 00 00 00 00 00"} << 1;
        QTest::newRow("TALLY OK 0121 in two reads, the subscription's answer ignored") << "vmix" << QByteArray("5355425343524942 45204F4B2054414C4C590D0A 54414C4C59204F | 4B20303132310D0A") << QStringList{"0121"} << 0;
        QTest::newRow("1025 characters, then TALLY OK 1") << "vmix" << QByteArray("41").repeated(1025) + "0A 54414C4C59204F4B2031 0D0A" << QStringList{"1"} << 1;
        QTest::newRow("TALLY OK 01x1") << "vmix" << QByteArray("54414C4C59204F4B2030317831 0D0A 54414C4C59204F4B20 0A") << QStringList{""} << 1;
        QTest::newRow("FF0B03 0101..: lamps 1 and 8, then FF0B00 ..0001 in two reads") << "switcher" << QByteArray("FF0B03 01010000000000000000 FF0B00 0000 | 0000000000000001") << QStringList{"3:1,8", "0:64"} << 0;
        QTest::newRow("FF0B00 80..: bit 7 set; FF0C: wrong length; noise") << "switcher" << QByteArray("FF0B00 80000000000000000000 FF0C00 00000000000000000000 FF0B07 7F7F7F7F7F7F7F7F7F00 | 6E6F697365") << QStringList{"7:1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,38,39,40,41,42,43,44,45,46,47,48,49,50,51,52,53,54,55,56,57,58,59,60,61,62,63"} << 3;
        QTest::newRow("noise, then FF0B02 01..: lamp 1") << "switcher" << QByteArray("6E6F697365 | FF0B02 01000000000000000000") << QStringList{"2:1"} << 1;
    }
    void readers()
    {
        QFETCH(QString, reader);
        QFETCH(QByteArray, bytes);
        const auto [got, bad] = readAll(reader, pieces(bytes));
        QTEST(got, "read");
        QTEST(int(bad), "malformed");
    }

    // An ATEM session as client 0x1234, each datagram in turn: the
    // handshake, acks, the switcher's order kept whatever the network does.
    // Packets hex, "|" between them; "Pk01" is 506B3031.
    void atemSession_data()
    {
        QTest::addColumn<QByteArray>("datagrams");
        QTest::addColumn<QStringList>("read");
        const QByteArray accepted = kAccepted.toHex() + "|";
        QTest::newRow("accepted, the ack lost: accepted again; a keep-alive") << accepted + kAccepted.toHex() + "| 08 0C 8005 0000 0000 0000 0001" << QStringList{"ours accepted ack 0 1234", "ours ack 0 1234", "ours ack 1 8005"};
        QTest::newRow("two packets, in order") << accepted + "08 14 8005 0000 0000 0000 0001 0008 0000 506B3031 | 08 14 8005 0000 0000 0000 0002 0008 0000 506B3032" << QStringList{"ours accepted ack 0 1234", "ours got Pk01 ack 1 8005", "ours got Pk02 ack 2 8005"};
        QTest::newRow("276 bytes: the length's high bits beside the flags") << accepted + "09 14 8005 0000 0000 0000 0001 0108 0000 506B3031" + QByteArray("00").repeated(256) << QStringList{"ours accepted ack 0 1234", "ours got Pk01 ack 1 8005"};
        QTest::newRow("2 lost: asked for once, 3 and 4 held until it comes") << accepted + "08 14 8005 0000 0000 0000 0001 0008 0000 506B3031 | 08 14 8005 0000 0000 0000 0003 0008 0000 506B3033 | 08 14 8005 0000 0000 0000 0004 0008 0000 506B3034 | 28 14 8005 0000 0000 0000 0002 0008 0000 506B3032 | 28 14 8005 0000 0000 0000 0003 0008 0000 506B3033"
                                                                                   << QStringList{"ours accepted ack 0 1234", "ours got Pk01 ack 1 8005", "ours resend 2 8005", "ours", "ours got Pk02 got Pk03 got Pk04 ack 4 8005", "ours ack 4 8005"};
        QTest::newRow("2 and 4 lost: 2 asked for, then 4") << accepted + "08 14 8005 0000 0000 0000 0001 0008 0000 506B3031 | 08 14 8005 0000 0000 0000 0003 0008 0000 506B3033 | 08 14 8005 0000 0000 0000 0005 0008 0000 506B3035 | 08 14 8005 0000 0000 0000 0002 0008 0000 506B3032 | 08 14 8005 0000 0000 0000 0004 0008 0000 506B3034"
                                                           << QStringList{"ours accepted ack 0 1234", "ours got Pk01 ack 1 8005", "ours resend 2 8005", "ours", "ours got Pk02 got Pk03 ack 3 8005 resend 4 8005", "ours got Pk04 got Pk05 ack 5 8005"};
        QTest::newRow("a packet again: acked again, its commands not") << accepted + "08 14 8005 0000 0000 0000 0001 0008 0000 506B3031 | 28 14 8005 0000 0000 0000 0001 0008 0000 506B3031" << QStringList{"ours accepted ack 0 1234", "ours got Pk01 ack 1 8005", "ours ack 1 8005"};
        QTest::newRow("an ack of the client's keep-alive; a ping with an ack") << accepted + "80 0C 8005 0001 0000 0000 0000 | 88 0C 8005 0001 0000 0000 0001" << QStringList{"ours accepted ack 0 1234", "ours", "ours ack 1 8005"};
        QTest::newRow("before the handshake, another session, another client") << "08 0C 8005 0000 0000 0000 0001 |" + accepted + "08 0C 8004 0000 0000 0000 0001 | 10 14 4321 0000 0000 0000 0000 02 00 0006 00000000" << QStringList{"-", "ours accepted ack 0 1234", "-", "-"};
        QTest::newRow("the switcher closes: answered, nothing after") << accepted + "10 14 8005 0000 0000 0000 0000 04 00 0000 00000000 | 08 0C 8005 0000 0000 0000 0001" << QStringList{"ours accepted ack 0 1234", "ours closed syn5 8005", "-"};
        QTest::newRow("rejected") << QByteArray("10 14 1234 0000 0000 0000 0000 03 00 0000 00000000 | 08 0C 8005 0000 0000 0000 0001") << QStringList{"ours rejected", "-"};
        QTest::newRow("a length that is not the datagram's, 11 bytes, a SYN of 12, opcode 9") << accepted + "08 0D 8005 0000 0000 0000 0001 | 08 0B 8005 0000 0000 0000 00 | 10 0C 1234 0000 0000 0000 0000 | 10 14 8005 0000 0000 0000 0000 09 00 0000 00000000" << QStringList{"ours accepted ack 0 1234", "malformed", "malformed", "malformed", "malformed"};
    }
    void atemSession()
    {
        QFETCH(QByteArray, datagrams);
        AtemSession session;
        QCOMPARE(session.open(0x9234).toHex(' '), QByteArray("10 14 12 34 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00"));
        QStringList read;
        for (const QByteArray &d : pieces(datagrams)) read << described(session.read(d));
        QTEST(read, "read");
    }

    // Packets ahead of a missing one: at most kMaxHeld - 1 kept, the one
    // missing asked for once and again every kAskAgain after.
    void atemHeldBounded()
    {
        AtemSession session;
        session.open(0x1234);
        session.read(kAccepted);
        QStringList asked;
        for (int id = 2; id <= 200; ++id)
            if (const QString d = described(session.read(atemCommandPacket(quint16(id), "Pkxx"))); d != "ours") asked << QStringLiteral("%1: %2").arg(id).arg(d);
        QCOMPARE(asked.mid(0, 3), QStringList({"2: ours resend 1 8005", "18: ours resend 1 8005", "34: ours resend 1 8005"}));
        QCOMPARE(session.held(), AtemSession::kMaxHeld - 1);
        QVERIFY(described(session.read(atemCommandPacket(1, "Pk01"))).endsWith(QString("got Pkxx ack %1 8005 resend %2 8005").arg(AtemSession::kMaxHeld).arg(AtemSession::kMaxHeld + 1)));
        QCOMPARE(session.held(), 0);
    }

    void tsl5Wrapping()
    {
        QCOMPARE(wrapTsl5(QByteArray::fromHex("61 62 63 FE 65 FE 67")).toHex(' '), QByteArray("fe 02 61 62 63 fe fe 65 fe fe 67"));
    }

    // From the config file and a message to the frames on the unit line, or
    // to the error that names the file's line and key (nothing taken from it).
    void frames_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("frames");
        const QByteArray nul16 = QByteArray("00").repeated(16);
        QTest::newRow("STX TLYA ETX STX TLWB ETX: tally 2 program, tally 1 preview") << "" << "tsl31" << "81 02" + nul16 + "82 01" + nul16 << QByteArray("\x02TLYA\x03\x02TLWB\x03");
        QTest::newRow("STX TLY ETX STX TLWp ETX: program = 3, preview = 1, map = 1:48") << "[tsl31]\nprogram = 3 ; the red tally\npreview = 1, 4\t# green\nmap = 1:48\n" << "tsl31" << "81 0A" + nul16 << QByteArray("\x02TLY\x03\x02TLWp\x03");
        QTest::newRow("STX TLYAC ETX STX TLWBC ETX: text red, green, amber") << "" << "tsl5" << QByteArray("1600 00 00 0000 0100 0400 0000 0200 0800 0000 0300 0C00 0000") << QByteArray("\x02TLYAC\x03\x02TLWBC\x03");
        QTest::newRow("STX TLYB ETX: program = lh:red, a source past 48 mapped") << "[tsl5]\nprogram = lh:red\npreview = rh:amber\nmap = 200:2\n" << "tsl5" << QByteArray("1000 00 00 0000 C800 1000 0000 0100 0400 0000") << QByteArray("\x02TLYB\x03\x02TLW\x03");
        QTest::newRow("STX TLYA..p ETX: a broadcast reaches every mapped source") << "[tsl5]\nmap = 60:7\n" << "tsl5" << QByteArray("0A00 00 00 0000 FFFF 0400 0000") << QByteArray("\x02TLYABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop\x03\x02TLW\x03");
        QTest::newRow("STX TLYA ETX: screen 2's index 1 off, screen 7's every index off") << "" << "tsl5" << QByteArray("0A00 00 00 0100 0100 0400 0000 | 0A00 00 00 0200 0100 0000 0000 | 0A00 00 00 0700 FFFF 0000 0000") << QByteArray("\x02TLYA\x03\x02TLW\x03");
        QTest::newRow("STX TLYB ETX: screen = 2, screen 1 left out, every screen taken") << "[tsl5]\nscreen = 2\n" << "tsl5" << QByteArray("0A00 00 00 0100 0100 0400 0000 | 0A00 00 00 FFFF 0200 0400 0000") << QByteArray("\x02TLYB\x03\x02TLW\x03");
        QTest::newRow("STX TLYC ETX: every screen means the screens heard") << "" << "tsl5" << QByteArray("0A00 00 00 0100 0100 0400 0000 | 0A00 00 00 0300 0300 0400 0000 | 0A00 00 00 FFFF 0100 0000 0000") << QByteArray("\x02TLYC\x03\x02TLW\x03");
        QTest::newRow("STX TLYBD ETX STX TLWC ETX: vMix 0121") << "" << "vmix" << QByteArray("54414C4C59204F4B20 30313231 0D0A") << QByteArray("\x02TLYBD\x03\x02TLWC\x03");
        QTest::newRow("STX TLYEB ETX STX TLWC ETX: ATEM, map = 1:5; sources 49 and 50 passed over, then a TlIn counting 3 of 2") << "[atem]\nhost = atem.studio.example:9911\nmap = 1:5\n" << "atem" << QByteArray("0010 0000 546C496E 0005 01 01 02 00 00 00 | 000C 0000 496E436D 01000000 | 003C 0000 546C496E 0032 01 01 02" + QByteArray("00").repeated(45) + "03 03 000C 0000 546C496E 0003 02 01") << QByteArray("\x02TLYBE\x03\x02TLWC\x03");
        QTest::newRow("STX TLYB ETX STX TLWAH ETX: ID 3 is preview, two sources on input 2") << "[switcher]\nprogram_ids = 0-2\npreview_ids = 3\nmap = 9:2\n" << "switcher" << QByteArray("FF0B03 01010000000000000000 FF0B01 00020000000000000000") << QByteArray("\x02TLYB\x03\x02TLWAH\x03");
        QTest::newRow("input 49") << "[line]\ndevice = /dev/ttyUSB0\n[tsl31]\nmap = 3:5, 3:49\n" << "" << QByteArray() << QByteArray(":4: [tsl31] map: \"3:49\" is not source:input with an input of 1 to 48");
        QTest::newRow("unknown key") << "[line]\nspeed = 9600\n" << "" << QByteArray() << QByteArray(":2: [line] speed: unknown key");
        QTest::newRow("a colour TSL 5 has not") << "; studio A\n[tsl5]\nprogram = text:blue\n" << "" << QByteArray() << QByteArray(":3: [tsl5] program: wants text|lh|rh:red|green|amber");
        QTest::newRow("ID 8") << "[switcher]\nprogram_ids = 0-8\n" << "" << QByteArray() << QByteArray(":2: [switcher] program_ids: wants IDs 0 to 7");
        QTest::newRow("port 70000") << "[tsl31]\nudp = 0.0.0.0:70000\n" << "" << QByteArray() << QByteArray(":2: [tsl31] udp: wants [ADDR:]PORT");
        QTest::newRow("unknown section") << "[studio]\n" << "" << QByteArray() << QByteArray(":1: unknown section [studio]");
        QTest::newRow("a key twice") << "[tsl31]\nprogram = 2\nprogram = 3\n" << "" << QByteArray() << QByteArray(":3: [tsl31] program: given twice (lines 2 and 3)");
        QTest::newRow("a section twice") << "[tsl31]\nudp = 4003\n[TSL31]\n" << "" << QByteArray() << QByteArray(":3: [tsl31] given twice (lines 1 and 3)");
        QTest::newRow("a source mapped twice") << "[tsl31]\nmap = 3:5, 3:6\n" << "" << QByteArray() << QByteArray(":2: [tsl31] map: source 3 is mapped twice");
        QTest::newRow("an empty value") << "[tsl31]\nprogram =\n" << "" << QByteArray() << QByteArray(":2: [tsl31] program: wants a value");
        QTest::newRow("control maybe") << "[http]\ncontrol = maybe\n" << "" << QByteArray() << QByteArray(":2: [http] control: wants yes or no");
        QTest::newRow("a name for input 49") << "[names]\n48 = CAM 48\n49 = CAM 49\n" << "" << QByteArray() << QByteArray(":3: [names] 49: wants an input 1 to 48");
        QTest::newRow("key before any section") << "device = x\n" << "" << QByteArray() << QByteArray(":1: not a key = value line in a [section]");
    }
    void frames()
    {
        QFETCH(QString, config);
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, frames);
        QTemporaryDir dir;
        const QString path = dir.filePath("bridge.conf");
        QVERIFY(testsupport::writeFile(path, config.toUtf8()));
        Config c;
        if (const QString error = readConfigFile(path, c); !error.isEmpty()) {
            QCOMPARE(error, path + frames);
            QVERIFY(c.maps[int(Kind::Tsl31)].input(3) == 3 && c.line.isEmpty());
            return;
        }
        // Each message in turn, as an input hears them.
        TallyState state;
        AtemReader atem;
        for (const QByteArray &in : pieces(bytes)) {
            QMap<int, switcherlink::LampStates> ids;
            for (const switcherlink::Tally &t : SwitcherReader().feed(in)) ids[t.id] = t.lamps;
            const Kind k = kind == "tsl31" ? Kind::Tsl31 : kind == "tsl5" ? Kind::Tsl5 : kind == "vmix" ? Kind::Vmix : kind == "atem" ? Kind::Atem : Kind::Switcher;
            if (k == Kind::Atem) {
                const QList<AtemTally> tallies = atem.feed(in).tallies;
                if (!tallies.isEmpty()) state.replace("input", k, atemSources(tallies.last()));
                continue;
            }
            const SourceStates states = k == Kind::Tsl31 ? tsl31Sources(c, Tsl31Reader().feed(in))
                                        : k == Kind::Tsl5 ? tsl5Sources(c, readTsl5Packet(in).value(), state.states("input"))
                                        : k == Kind::Vmix ? vmixSources(VmixReader().feed(in).value(0))
                                                          : switcherSources(c, ids);
            state.update("input", k, states);
        }
        QCOMPARE(tallyFrames(state.lamps(c.maps)), frames);
    }

    // A scene or source name to its parallel input; [obs] map's names.
    void obsNames_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("input");
        const QString map = "Wide:20, \"Studio A, left\":21 ,\"Cam: 5\" : 22";
        QTest::newRow("Camera 03") << "" << "Camera 03" << "3";
        QTest::newRow("CAM 49") << "" << "CAM 49" << "0";
        QTest::newRow("Studio A, left, quoted") << map << "Studio A, left" << "21";
        QTest::newRow("Cam: 5, mapped over its number") << map << "Cam: 5" << "22";
        QTest::newRow("a quote not closed") << "\"Studio A:21" << "" << "a quote is not closed";
    }
    void obsNames()
    {
        QFETCH(QString, map);
        QFETCH(QString, name);
        QHash<QString, int> names{{"CAM 3", 9}};
        const QString error = readNameMap(map, names);
        QTEST(error.isEmpty() ? QString::number(obsInput(name, names)) : error, "input");
        QCOMPARE(names.contains("CAM 3"), !error.isEmpty()); // replaced whole, or not at all
    }

    // A lamp test as a client may send it: what is lit, or why not.
    void lampTestRequest_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("read");
        QTest::newRow("input 48 both 60 s") << QByteArray("{\"seconds\": 60, \"bus\": \"both\", \"input\": 48}") << "48 both 60";
        QTest::newRow("input 1 preview 1 s") << QByteArray("{\"input\":1,\"bus\":\"preview\",\"seconds\":1.0}") << "1 preview 1";
        QTest::newRow("input 0") << QByteArray("{\"input\":0,\"bus\":\"program\",\"seconds\":5}") << "input wants a whole number 1 to 48";
        QTest::newRow("input 2.5") << QByteArray("{\"input\":2.5,\"bus\":\"program\",\"seconds\":5}") << "input wants a whole number 1 to 48";
        QTest::newRow("input \"3\"") << QByteArray("{\"input\":\"3\",\"bus\":\"program\",\"seconds\":5}") << "input wants a whole number 1 to 48";
        QTest::newRow("bus red") << QByteArray("{\"input\":3,\"bus\":\"red\",\"seconds\":5}") << "bus wants \"program\", \"preview\" or \"both\"";
        QTest::newRow("61 s") << QByteArray("{\"input\":3,\"bus\":\"program\",\"seconds\":61}") << "seconds wants a whole number 1 to 60";
        QTest::newRow("no seconds") << QByteArray("{\"input\":3,\"bus\":\"program\"}") << "seconds wants a whole number 1 to 60";
        QTest::newRow("1e300 s") << QByteArray("{\"input\":3,\"bus\":\"program\",\"seconds\":1e300}") << "seconds wants a whole number 1 to 60";
        QTest::newRow("a member more") << QByteArray("{\"input\":3,\"bus\":\"program\",\"seconds\":5,\"unit\":\"01\"}") << "unknown member \"unit\"";
        QTest::newRow("an array") << QByteArray("[3]") << "wants an object: {\"input\": 1, \"bus\": \"program\", \"seconds\": 10}";
        QTest::newRow("cut short") << QByteArray("{\"input\":3") << "not JSON: invalid termination by number at 10";
    }
    void lampTestRequest()
    {
        QFETCH(QByteArray, body);
        const auto r = readTestRequest(body);
        const TestRequest *t = std::get_if<TestRequest>(&r);
        QTEST(t ? QStringLiteral("%1 %2 %3").arg(t->input).arg(busName(t->bus)).arg(t->seconds) : std::get<QString>(r), "read");
    }

    // The package's /etc/zidid-tally/bridge.conf reads as it is and enables
    // nothing; its examples (";key = value", where prose is "; ...") read
    // too once uncommented, so the file cannot show a value the bridge
    // refuses.
    void shippedConfig()
    {
        QFile shipped(QStringLiteral(TALLY_BRIDGE_CONF));
        QVERIFY(shipped.open(QIODevice::ReadOnly | QIODevice::Text));
        Config asShipped, examples;
        QCOMPARE(readConfigFile(shipped.fileName(), asShipped), QString());
        QVERIFY(asShipped.line.isEmpty() && !asShipped.hasInput());
        QCOMPARE(asShipped.http->text(), "127.0.0.1:8090"); // this machine only
        QByteArray uncommented;
        for (QByteArray line : shipped.readAll().split('\n')) {
            if (line.size() > 1 && line[0] == ';' && line[1] != ' ') line.remove(0, 1);
            uncommented += line + '\n';
        }
        QTemporaryDir dir;
        QVERIFY(testsupport::writeFile(dir.filePath("bridge.conf"), uncommented));
        QCOMPARE(readConfigFile(dir.filePath("bridge.conf"), examples), QString());
        QVERIFY(!examples.line.isEmpty() && examples.switcher && examples.tsl31Udp && examples.tsl31Tcp && examples.tsl5Udp && examples.tsl5Tcp && examples.vmix && examples.atem && examples.obs && examples.obsNames.value("Studio A, left") == 21);
        QVERIFY(examples.httpControl && !examples.httpTokenFile.isEmpty() && examples.names[2] == "CAM 2");
    }
};

QTEST_GUILESS_MAIN(TestBridge)
#include "test_bridge.moc"
