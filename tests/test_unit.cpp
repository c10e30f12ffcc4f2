// The virtual unit's answers, frame by frame (hand-written frames).
#include "unit/unitline.h"

#include <QTest>

using unit::UnitLine;
using Frames = QList<QByteArray>;

namespace {
const QByteArray kFF = QByteArray("FF").repeated(32);
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

class TestUnit : public QObject {
    Q_OBJECT
private slots:
    void replies_data()
    {
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<QString>("state");
        QTest::newRow("SID") << Frames{"SID"} << QByteArray("\x02si01\x03\x02si2A\x03") << QString("01; 2A");
        QTest::newRow("WRR01 FFx32 E1, RDR01") << Frames{"WRR01" + kFF + "E1", "RDR01"} << "\x02wrr\x03\x02rdr" + kFF + "E0\x03" << QString("01 ram FF; 2A");
        QTest::newRow("WRM2A FFx32 0A, RDM2A") << Frames{"WRM2A" + kFF + "0A", "RDM2A"} << "\x02wrm\x03\x02rdm" + kFF + "E0\x03" << QString("01; 2A prom FF");
        QTest::newRow("WRR01 FFx32 E0: err2") << Frames{"WRR01" + kFF + "E0", "RDR01"} << "\x02" "err2\x03\x02rdr" + k00 + "00\x03" << QString("01; 2A");
        QTest::newRow("WRR01FF01: err1") << Frames{"WRR01FF01"} << QByteArray("\x02" "err1\x03") << QString("01; 2A");
        QTest::newRow("other address") << Frames{"RDR07", "TON07"} << QByteArray() << QString("01; 2A");
        QTest::newRow("RTM01") << Frames{"WRR01" + kFF + "E1", "RTM01", "RDM01"} << "\x02wrr\x03\x02rtm\x03\x02rdm" + kFF + "E0\x03" << QString("01 ram FF prom FF; 2A");
        QTest::newRow("MTR") << Frames{"WRM01" + kFF + "E1", "WRR2A" + kFF + "0A", "MTR"} << QByteArray("\x02wrm\x03\x02wrr\x03") << QString("01 ram FF prom FF; 2A");
        QTest::newRow("QID2A QID03") << Frames{"QID2A", "QID03"} << QByteArray("\x02id2A\x03") << QString("01; 2A");
        QTest::newRow("SETID05") << Frames{"SETID05", "QID01", "SID"} << QByteArray("\x02si05\x03\x02si05\x03") << QString("05; 05");
        QTest::newRow("SETID07, WRR07 FFx32 E7, RDR07") << Frames{"SETID07", "WRR07" + kFF + "E7", "RDR07"}
                                                        << "\x02wrr\x03\x02wrr\x03\x02rdr" + kFF + "E0\x03\x02rdr" + kFF + "E0\x03" << QString("07 ram FF; 07 ram FF");
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
};

QTEST_GUILESS_MAIN(TestUnit)
#include "test_unit.moc"
