// The line's two ends without ports or windows, in hand-written rows: the
// protocol core, the switcher's tally frame, the console's reply handling
// (fed through its window-free view) and the virtual unit's answers, frame
// by frame.
#include "link/frame.h"
#include "link/framemeaning.h"
#include "link/protocol.h"
#include "link/replycollector.h"
#include "link/switcherframe.h"
#include "tests/support/recordingview.h"
#include "unit/unitline.h"

#include <QTest>

using namespace unitlink;
using unit::UnitLine;
using Frames = QList<QByteArray>;

Q_DECLARE_METATYPE(unitlink::Mnemonic)
Q_DECLARE_METATYPE(unitlink::Reading)

namespace {
const QByteArray kFF32 = QByteArray("FF").repeated(32);
const QString kFFText = QString("FF ").repeated(32);

// What the view shows that differs from a fresh one.
QStringList shown(const testsupport::RecordingView &v)
{
    QStringList s;
    static const char *icons[] = {"None", "Information", "Exclamation", "Critical", "Question"};
    static const char *buttons[] = {"Ok", "OkCancel", "RetryCancel"};
    if (!v.status.isEmpty()) s << "status " + v.status;
    for (const auto &c : v.recorded.calls)
        s << QStringLiteral("box %1 %2 %3/%4").arg(icons[int(c.icon)], buttons[int(c.buttons)], c.title, c.text);
    if (!v.image.isEmpty()) s << "image " + v.image;
    if (!v.programList.isEmpty() || !v.previewList.isEmpty()) s << "lists " + v.programList + "|" + v.previewList;
    if (v.pxr >= 0) s << QStringLiteral("PXR-09 %1").arg(v.pxr);
    if (v.pgmInput != "-" || v.pvwInput != "-") s << "inputs " + v.pgmInput + "|" + v.pvwInput;
    return s;
}

const QByteArray k00 = QByteArray("00").repeated(32);

// Runs the frames (without STX/ETX) and joins every reply.
QByteArray run(UnitLine &line, const Frames &frames)
{
    QByteArray replies;
    for (const QByteArray &f : frames) replies += line.handle(f).join();
    return replies;
}

// The units as their lamps and memories would show them, leaving out
// what is as at start: "01 ram FF pgm flash; 2A".
QString state(const QList<unit::Unit> &units)
{
    const auto image = [](const char *name, const unit::Image &i) {
        const QByteArray hex = QByteArray(reinterpret_cast<const char *>(i.data()), 32).toHex().toUpper();
        return i == unit::Image{} ? QString() : QString(" %1 %2").arg(name, hex == hex.left(2).repeated(32) ? hex.left(2) : hex);
    };
    QStringList all;
    for (const unit::Unit &u : units)
        all << QString::asprintf("%02X", u.address) + image("ram", u.ram) + image("prom", u.prom) + (u.pgm ? " pgm" : "") +
                   (u.pvw ? " pvw" : "") + (u.flash ? " flash" : "") + (u.text != "     " ? " text " + u.text : "") +
                   (u.mode ? QString::asprintf(" mode %02X", u.mode) : "") +
                   (u.pgmInput != '@' || u.pvwInput != '@' ? QString(" inputs ") + u.pgmInput + u.pvwInput : "");
    return all.join("; ");
}
} // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void addresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");  // the address; SETID's address sent and the next one
        QTest::newRow("1a") << "1a" << "1A 1A 1B";
        QTest::newRow("123 keeps the low byte") << "123" << "23 01 02";
        QTest::newRow("??") << "??" << "00 00 01";
        QTest::newRow("FE wraps") << "FE" << "FE FE 01";
        QTest::newRow("FF sent as 01") << "FF" << "FF 01 02";
        QTest::newRow("42 digits") << QString(40, QLatin1Char('F')) + "3c" << "3C 01 02";
        QTest::newRow("7 then non-ASCII") << QString::fromUtf8("7中") << "07 07 08";
    }
    void addresses()
    {
        QFETCH(QString, text);
        const SetIdStep step = setIdStep(text);
        QTEST(QStringList({normaliseAddress(text), step.sent, step.next}).join(' '), "read");
    }

    // One row, two rules: the line reads leading digits only, hex image
    // text leaves blanks out first.
    void pairValues_data()
    {
        QTest::addColumn<QString>("pair");
        QTest::addColumn<int>("onLine");
        QTest::addColumn<int>("inHexText");
        QTest::newRow("' 1'") << " 1" << 0 << 1;
        QTest::newRow("'1 '") << "1 " << 1 << 1;
        QTest::newRow("'\\t1'") << "\t1" << 0 << 1;
        QTest::newRow("'1\\n'") << "1\n" << 1 << 1;
        QTest::newRow("'G1'") << "G1" << 0 << 0;
        QTest::newRow("'1G'") << "1G" << 1 << 1;
        QTest::newRow("''") << "" << 0 << 0;
        QTest::newRow("'f'") << "f" << 15 << 15;
        QTest::newRow("'FF'") << "FF" << 255 << 255;
    }
    void pairValues()
    {
        QFETCH(QString, pair);
        QTEST(linePairValue(pair), "onLine");
        QTEST(hexTextPairValue(pair), "inHexText");
    }

    void imageReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("hexText");
        const QString ff32 = QString("FF").repeated(32), ffText = QString("FF ").repeated(32);
        QTest::newRow("rdm FFx32 e0") << "rdm" + ff32 + "e0" << false << ffText;
        QTest::newRow("rdr FFx32 E1") << "rdr" + ff32 + "E1" << false << ffText;
        QTest::newRow("rdr0a0b15 kept as received") << "rdr0a0b15" << true << "0a 0b ";
        QTest::newRow("rdm") << "rdm" << false << "";
        QTest::newRow("rdr01010: 2.5 pairs round to 2") << "rdr01010" << true << "01 ";
        QTest::newRow("rdr0102037: 3.5 pairs round to 4") << "rdr0102037" << false << "01 02 03 ";
        // " 1" is 0 on the line: the sum is 00 and the checksum 01 is wrong.
        QTest::newRow("rdm ' 1' 00x31 01") << "rdm 1" + QString("00").repeated(31) + "01" << false << " 1 " + QString("00 ").repeated(31);
    }
    void imageReplies()
    {
        QFETCH(QString, reply);
        const ImageReply r = readImageReply(reply);
        QTEST(r.checksumOk, "ok");
        QTEST(r.hexText, "hexText");
    }

    void uploads_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("hexText");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("STX WRR00 00x32 00 ETX") << "00" << "" << "\x02WRR00" + QByteArray("00").repeated(32) + "00\x03";
        QTest::newRow("STX WRR02 FFx32 E2 ETX") << "02" << QString("FF ").repeated(32) << "\x02WRR02" + QByteArray("FF").repeated(32) + "E2\x03";
        QTest::newRow("STX WRR10 80 01 00x30 91 ETX") << "10" << "80 01" << "\x02WRR10" "8001" + QByteArray("00").repeated(30) + "91\x03";
        QTest::newRow("STX WRR01 00 01x31 20 ETX: ' 1' is 00") << "01" << " 1 " + QString("01 ").repeated(31) << "\x02WRR0100" + QByteArray("01").repeated(31) + "20\x03";
    }
    void uploads()
    {
        QFETCH(QString, address);
        QFETCH(QString, hexText);
        QTEST(uploadFrame(u"WRR", address, hexText), "expected");
    }

    void commands_data()
    {
        QTest::addColumn<Mnemonic>("mnemonic");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("STX RDM 01 ETX") << Mnemonic::RDM << "01" << "" << QByteArray("\x02RDM01\x03");
        QTest::newRow("STX SID ETX") << Mnemonic::SID << "" << "" << QByteArray("\x02SID\x03");
        QTest::newRow("STX SETID A1 ETX") << Mnemonic::SETID << "" << "A1" << QByteArray("\x02SETIDA1\x03");
        QTest::newRow("STX GPI 01 p ETX") << Mnemonic::GPI << "01" << QString(inputCode(48)) << QByteArray("\x02GPI01p\x03");
        QTest::newRow("STX TLW AX ETX") << Mnemonic::TLW << "" << "AX" << QByteArray("\x02TLWAX\x03");
        const QString ff = QString(64, u'F');
        QTest::newRow("STX WRR 01 FFx32 E1 ETX") << Mnemonic::WRR << "01" << ff + "E1" << QByteArray("\x02WRR01") + ff.toLatin1() + "E1\x03";
    }
    void commands()
    {
        QFETCH(Mnemonic, mnemonic);
        QFETCH(QString, address);
        QFETCH(QString, data);
        QFETCH(QByteArray, frame);
        const Command command(mnemonic, address, data);
        QCOMPARE(command.frame(), frame);
        QVERIFY(Command::parse(frame) == command);
    }

    void rejectedFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("STX RDM 0a ETX: lower-case address") << QByteArray("\x02RDM0a\x03");
        QTest::newRow("STX RDM 01 X ETX: data where none belongs") << QByteArray("\x02RDM01X\x03");
        QTest::newRow("STX SID 01 ETX: broadcast with address") << QByteArray("\x02SID01\x03");
        QTest::newRow("STX GPI 01 q ETX: input 49") << QByteArray("\x02GPI01q\x03");
        QTest::newRow("STX WRR 01 FFx32 E ETX: short checksum") << "\x02WRR01" + QByteArray(64, 'F') + "E\x03";
    }
    void rejectedFrames()
    {
        QFETCH(QByteArray, frame);
        QVERIFY(!Command::parse(frame));
    }

    // What the line log and tallyctl do not show: a command's checksum
    // verdict and the pair it should carry, a tally list's lamp whichever
    // way it is read, a fault only where replies are read.
    void meanings_data()
    {
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("meaning");
        QTest::newRow("STX WRR 01 FFx32 E0 ETX") << Reading::CommandsFirst << "WRR01" + QString(64, u'F') + "E0" << "command WRR 01 image bad E0 expected E1";
        QTest::newRow("STX TLW AC ETX, a command") << Reading::CommandsFirst << "TLWAC" << "command TLW preview AC";
        QTest::newRow("STX TLW AC ETX, a reply") << Reading::RepliesFirst << "TLWAC" << "reply TLW preview AC";
        QTest::newRow("STX xyz ETX, sent") << Reading::Commands << "xyz" << "unknown";
        QTest::newRow("STX xyz ETX, received") << Reading::RepliesFirst << "xyz" << "unknown fault";
    }
    void meanings()
    {
        QFETCH(Reading, reading);
        QFETCH(QString, body);
        const FrameMeaning m = frameMeaning(body, reading);
        static const char *roles[] = {"command", "reply", "unknown"};
        QStringList s{roles[int(m.role)], m.mnemonic, m.address};
        if (m.image) s << "image" << (m.image->checksumOk ? "ok" : "bad") << m.image->received << "expected" << m.image->expected;
        if (m.tallies) s << (m.tallies->lamp == TallyLamp::Program ? "program" : "preview") << m.tallies->codes;
        if (m.fault) s << "fault";
        s.removeAll(QString());
        QTEST(s.join(' '), "meaning");
    }

    void replyBufferBound()
    {
        using Fed = ReplyCollector::Fed;
        for (int length : {4096, 4097}) {
            ReplyCollector b;
            b.feed("\x02");
            for (int i = 0; i < length; ++i) b.feed("x");
            QCOMPARE(b.feed("\x03"), length == 4096 ? Fed::Completed : Fed::Discarded);
            QCOMPARE(b.text().size(), length == 4096 ? 4096 : 0);
        }
    }

    void frames_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("view");
        const QString written = "status LED unit has been written!";
        QTest::newRow("STX ton ETX") << QByteArray("\x02ton\x03") << QStringList{"status ton"};
        QTest::newRow("STX tfh12 ETX") << QByteArray("\x02tfh12\x03") << QStringList{"status tfh1"};
        QTest::newRow("STX wrr ETX") << QByteArray("\x02wrr\x03") << QStringList{written};
        QTest::newRow("STX wrm ETX") << QByteArray("\x02wrm\x03") << QStringList{written};
        QTest::newRow("STX TON ETX is unknown") << QByteArray("\x02TON\x03") << QStringList{"status TON"};
        QTest::newRow("ab ETX before any STX") << QByteArray("ab\x03") << QStringList{"status ab"};
        QTest::newRow("STX tf ETX h7 ETX") << QByteArray("\x02tf\x03h7\x03") << QStringList{"status tfh7"};
        QTest::newRow("STX rdm FFx32 E0 ETX") << "\x02rdm" + kFF32 + "E0\x03" << QStringList{"status Download finished!", "image " + kFFText};
        QTest::newRow("STX rdr FFx32 e0 ETX") << "\x02rdr" + kFF32 + "e0\x03"
            << QStringList{"status Download CRC Error", "box Critical Ok Warning!/Download CRC Error", "image " + kFFText};
        QTest::newRow("STX err1 ETX") << QByteArray("\x02" "err1\x03") << QStringList{"box Critical Ok Warning!/Command Error"};
        QTest::newRow("STX err2 ETX") << QByteArray("\x02" "err2\x03") << QStringList{"box Question RetryCancel Warning!/CRC Error"};
        QTest::newRow("STX err3 ETX") << QByteArray("\x02" "err3\x03") << QStringList{"box Critical Ok Warning!/Programming Error"};
        QTest::newRow("STX err9 ETX") << QByteArray("\x02" "err9\x03") << QStringList{};
        QTest::newRow("STX a x5000 ETX dropped") << "\x02" + QByteArray(5000, 'a') + "\x03" << QStringList{};
        QTest::newRow("STX TLYAC ETX") << QByteArray("\x02TLYAC\x03") << QStringList{"lists PGM: 03 01|"};
        QTest::newRow("STX TLW ETX") << QByteArray("\x02TLW\x03") << QStringList{"lists |PVW:"};
        QTest::newRow("STX TLWX ETX") << QByteArray("\x02TLWX\x03") << QStringList{"lists |PVW: 24"};
        QTest::newRow("STX TLY0@ ETX") << QByteArray("\x02TLY0@\x03") << QStringList{"lists PGM: 00 -16|"};
        QTest::newRow("STX gpiEB ETX") << QByteArray("\x02gpiEB\x03") << QStringList{"PXR-09 1", "inputs 05|02"};
        QTest::newRow("STX gpiE@ ETX") << QByteArray("\x02gpiE@\x03") << QStringList{"PXR-09 1", "inputs 05|00"};
        QTest::newRow("STX gpi@x ETX") << QByteArray("\x02gpi@x\x03") << QStringList{"PXR-09 0", "inputs |-"};
        QTest::newRow("STX gpiE ETX ignored") << QByteArray("\x02gpiE\x03") << QStringList{};
        QTest::newRow("STX gpiEBC ETX ignored") << QByteArray("\x02gpiEBC\x03") << QStringList{};
    }
    void frames()
    {
        QFETCH(QByteArray, line);
        testsupport::ReceiverRig r;
        r.view.status = "No Response";  // until the STX
        r.feed(line);
        QTEST(shown(r.view), "view");
    }

    void monitorIsBounded()
    {
        testsupport::ReceiverRig r;
        QByteArray body;
        for (int i = 0; i < 80; ++i) body += char('A' + i % 26);
        r.feed("\x02" + body + "\x03");
        QCOMPARE(r.view.mon, "[STX]" + QString(body.left(59)) + QString(body.right(1)) + "[ETX]");
        r.feed("\x02tf\x03h7");
        QCOMPARE(r.view.mon, QString("[STX]tf[ETX]h7"));
        r.feed(QByteArray(2000, '\x03'));  // ETX without STX must not grow it
        QCOMPARE(r.view.mon.size(), 70);
    }

    void replies_data()
    {
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<QString>("state");
        QTest::newRow("SID") << Frames{"SID"} << QByteArray("\x02si01\x03\x02si2A\x03") << QString("01; 2A");
        QTest::newRow("WRR01 FFx32 E1, RDR01") << Frames{"WRR01" + kFF32 + "E1", "RDR01"} << "\x02wrr\x03\x02rdr" + kFF32 + "E0\x03" << QString("01 ram FF; 2A");
        QTest::newRow("WRM2A FFx32 0A, RDM2A") << Frames{"WRM2A" + kFF32 + "0A", "RDM2A"} << "\x02wrm\x03\x02rdm" + kFF32 + "E0\x03" << QString("01; 2A prom FF");
        QTest::newRow("WRR01 FFx32 E0: err2") << Frames{"WRR01" + kFF32 + "E0", "RDR01"} << "\x02" "err2\x03\x02rdr" + k00 + "00\x03" << QString("01; 2A");
        QTest::newRow("WRR01FF01: err1") << Frames{"WRR01FF01"} << QByteArray("\x02" "err1\x03") << QString("01; 2A");
        QTest::newRow("other address") << Frames{"RDR07", "TON07"} << QByteArray() << QString("01; 2A");
        QTest::newRow("RTM01") << Frames{"WRR01" + kFF32 + "E1", "RTM01", "RDM01"} << "\x02wrr\x03\x02rtm\x03\x02rdm" + kFF32 + "E0\x03" << QString("01 ram FF prom FF; 2A");
        QTest::newRow("MTR") << Frames{"WRM01" + kFF32 + "E1", "WRR2A" + kFF32 + "0A", "MTR"} << QByteArray("\x02wrm\x03\x02wrr\x03") << QString("01 ram FF prom FF; 2A");
        QTest::newRow("QID2A QID03") << Frames{"QID2A", "QID03"} << QByteArray("\x02id2A\x03") << QString("01; 2A");
        QTest::newRow("SETID05") << Frames{"SETID05", "QID01", "SID"} << QByteArray("\x02si05\x03\x02si05\x03") << QString("05; 05");
        QTest::newRow("SETID07, WRR07 FFx32 E7, RDR07") << Frames{"SETID07", "WRR07" + kFF32 + "E7", "RDR07"}
                                                        << "\x02wrr\x03\x02wrr\x03\x02rdr" + kFF32 + "E0\x03\x02rdr" + kFF32 + "E0\x03" << QString("07 ram FF; 07 ram FF");
        QTest::newRow("CHR") << Frames{"CHR01ABCDE", "CHR01AB"} << QByteArray("\x02" "chr\x03\x02" "err1\x03") << QString("01 text ABCDE; 2A");
        QTest::newRow("tallies") << Frames{"TON01", "TWF01", "TFH01"} << QByteArray("\x02ton\x03\x02twf\x03\x02tfh1\x03") << QString("01 pgm flash; 2A");
        QTest::newRow("TFH01, TON01: steady") << Frames{"TFH01", "TON01"} << QByteArray("\x02tfh1\x03\x02ton\x03") << QString("01 pgm; 2A");
        QTest::newRow("TWN01, TOF01: PVW stays") << Frames{"TWN01", "TOF01"} << QByteArray("\x02twn\x03\x02tof\x03") << QString("01 pvw; 2A");
        QTest::newRow("CFG") << Frames{"CFG01A0", "CFG01"} << QByteArray("\x02" "cfg\x03\x02" "err1\x03") << QString("01 mode A0; 2A");
        QTest::newRow("GPI GPW GPI") << Frames{"GPI01C", "GPW01E", "GPI01@"} << QByteArray("\x02gpiC@\x03\x02gpi@E\x03") << QString("01 inputs @E; 2A");
        const Frames assigned{"GPI01C", "GPW01A", "TON2A", "TLYAC", "TLWB"}; // 2A has no input: TLY, TLW pass it by
        QTest::newRow("TLYAC TLWB") << assigned << QByteArray("\x02gpiC@\x03\x02ton\x03") << QString("01 pgm inputs CA; 2A pgm");
        QTest::newRow("TLYAC TLWB, TLYAB TLWA") << assigned + Frames{"TLYAB", "TLWA"} << QByteArray("\x02gpiC@\x03\x02ton\x03") << QString("01 pvw inputs CA; 2A pgm");
        QTest::newRow("XYZ01") << Frames{"XYZ01"} << QByteArray("\x02" "err1\x03") << QString("01; 2A");
        QTest::newRow("replies and tally messages") << Frames{"ton", "si01", "TLYABC"} << QByteArray() << QString("01; 2A");
    }
    void replies()
    {
        QFETCH(Frames, frames);
        UnitLine line({0x01, 0x2A});
        QTEST(run(line, frames), "replies");
        QTEST(state(line.units()), "state");
    }

    // The switcher's tally frame, rows named by its bytes.
    void tallyFrames_data()
    {
        QTest::addColumn<QList<int>>("lit");  // lamp numbers 1..64
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("frame");
        QList<int> all;
        for (int n = 1; n <= 64; ++n) all << n;
        QTest::newRow("FF0B01 00..") << QList<int>{} << 1 << QByteArray::fromHex("FF0B01 00000000000000000000");
        QTest::newRow("FF0B03 0101..") << QList<int>{1, 8} << 3 << QByteArray::fromHex("FF0B03 01010000000000000000");
        QTest::newRow("FF0B00 7F01..") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << 0 << QByteArray::fromHex("FF0B00 7F010000000000000000");
        QTest::newRow("FF0B00 ..0100") << QList<int>{57} << 0 << QByteArray::fromHex("FF0B00 00000000000000000100");
        QTest::newRow("FF0B00 ..0001") << QList<int>{64} << 0 << QByteArray::fromHex("FF0B00 00000000000000000001");
        QTest::newRow("FF0B07 7Fx9 01") << all << 7 << QByteArray::fromHex("FF0B07 7F7F7F7F7F7F7F7F7F01");
    }
    void tallyFrames()
    {
        QFETCH(QList<int>, lit);
        QFETCH(int, id);
        QFETCH(QByteArray, frame);
        switcherlink::LampStates lamps{};
        for (int n : lit) lamps[std::size_t(n - 1)] = true;
        const switcherlink::TallyBytes f = switcherlink::packTally(lamps, id);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(f.data()), 13).toHex(' '), frame.toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
