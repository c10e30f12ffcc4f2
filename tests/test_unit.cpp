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
    for (const QByteArray &f : frames)
        for (const QByteArray &r : line.handle(f)) replies += r;
    return replies;
}
} // namespace

class TestUnit : public QObject {
    Q_OBJECT
private slots:
    void replies_data()
    {
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<QByteArray>("replies");
        QTest::newRow("SID") << Frames{"SID"} << QByteArray("\x02si01\x03\x02si2A\x03");
        QTest::newRow("WRR01 FFx32 E1, RDR01") << Frames{"WRR01" + kFF + "E1", "RDR01"} << "\x02wrr\x03\x02rdr" + kFF + "E0\x03";
        QTest::newRow("WRM2A FFx32 0A, RDM2A") << Frames{"WRM2A" + kFF + "0A", "RDM2A"} << "\x02wrm\x03\x02rdm" + kFF + "E0\x03";
        QTest::newRow("WRR01 FFx32 E0: err2") << Frames{"WRR01" + kFF + "E0", "RDR01"} << "\x02" "err2\x03\x02rdr" + k00 + "00\x03";
        QTest::newRow("WRR01FF01: err1") << Frames{"WRR01FF01"} << QByteArray("\x02" "err1\x03");
        QTest::newRow("other address") << Frames{"RDR07", "TON07"} << QByteArray();
        QTest::newRow("RTM01") << Frames{"WRR01" + kFF + "E1", "RTM01", "RDM01"} << "\x02wrr\x03\x02rtm\x03\x02rdm" + kFF + "E0\x03";
        QTest::newRow("MTR") << Frames{"WRM01" + kFF + "E1", "MTR", "RDR01"} << "\x02wrm\x03\x02rdr" + kFF + "E0\x03";
        QTest::newRow("QID2A QID03") << Frames{"QID2A", "QID03"} << QByteArray("\x02id2A\x03");
        QTest::newRow("SETID05") << Frames{"SETID05", "QID01", "SID"} << QByteArray("\x02si05\x03\x02si05\x03");
        QTest::newRow("SETID07, QID07") << Frames{"SETID07", "QID07"} << QByteArray("\x02id07\x03\x02id07\x03");
        QTest::newRow("SETID07, WRR07 FFx32 E7, RDR07") << Frames{"SETID07", "WRR07" + kFF + "E7", "RDR07"}
                                                        << "\x02wrr\x03\x02wrr\x03\x02rdr" + kFF + "E0\x03\x02rdr" + kFF + "E0\x03";
        QTest::newRow("CHR") << Frames{"CHR01ABCDE", "CHR01AB"} << QByteArray("\x02" "chr\x03\x02" "err1\x03");
        QTest::newRow("tallies") << Frames{"TON01", "TWF01", "TFH01"} << QByteArray("\x02ton\x03\x02twf\x03\x02tfh1\x03");
        QTest::newRow("CFG") << Frames{"CFG01A0", "CFG01"} << QByteArray("\x02" "cfg\x03\x02" "err1\x03");
        QTest::newRow("GPI GPW GPI") << Frames{"GPI01C", "GPW01E", "GPI01@"} << QByteArray("\x02gpiC@\x03\x02gpi@E\x03");
        QTest::newRow("XYZ01") << Frames{"XYZ01"} << QByteArray("\x02" "err1\x03");
        QTest::newRow("replies and tally messages") << Frames{"ton", "si01", "TLYABC"} << QByteArray();
    }
    void replies()
    {
        QFETCH(Frames, frames);
        QFETCH(QByteArray, replies);
        UnitLine line({0x01, 0x2A});
        QCOMPARE(run(line, frames), replies);
    }

    void parallelInputsDriveLamps()
    {
        UnitLine line({0x01, 0x02});
        const unit::Unit &driven = line.units()[0], &free = line.units()[1];
        run(line, {"GPI01C", "GPW01A", "TON02"});
        run(line, {"TLYAC", "TLWB"});
        QVERIFY(driven.pgm && !driven.pvw);
        run(line, {"TLYAB", "TLWA"});
        QVERIFY(!driven.pgm && driven.pvw);
        QVERIFY(free.pgm && !free.pvw);  // no input assigned: untouched
    }

};

QTEST_GUILESS_MAIN(TestUnit)
#include "test_unit.moc"
