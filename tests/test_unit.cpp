// The virtual unit's answers, frame by frame (hand-written frames).
#include "unit/unitline.h"
#include "unit/virtualunits.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using unit::FrameReader;
using unit::UnitLine;

namespace {
const QByteArray kFF = QByteArray("FF").repeated(32);
const QByteArray k00 = QByteArray("00").repeated(32);

// Runs the frames (without STX/ETX) and joins every reply.
QByteArray run(UnitLine &line, const QList<QByteArray> &frames)
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
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<QByteArray>("replies");
        QTest::newRow("SID from both") << QList<QByteArray>{"SID"} << QByteArray("\x02si01\x03\x02si2A\x03");
        QTest::newRow("fresh RAM") << QList<QByteArray>{"RDR01"} << "\x02rdr" + k00 + "00\x03";
        QTest::newRow("upload then read") << QList<QByteArray>{"WRR01" + kFF + "E1", "RDR01"}
                                          << "\x02wrr\x03\x02rdr" + kFF + "E0\x03";
        QTest::newRow("address in the checksum") << QList<QByteArray>{"WRM2A" + kFF + "0A", "RDM2A"}
                                                 << "\x02wrm\x03\x02rdm" + kFF + "E0\x03";
        QTest::newRow("wrong checksum") << QList<QByteArray>{"WRR01" + kFF + "E0", "RDR01"}
                                        << "\x02" "err2\x03\x02rdr" + k00 + "00\x03";
        QTest::newRow("short upload") << QList<QByteArray>{"WRR01FF01"} << QByteArray("\x02" "err1\x03");
        QTest::newRow("lower-case upload") << QList<QByteArray>{"WRR01" + QByteArray("ff").repeated(32) + "E1"}
                                           << QByteArray("\x02" "err1\x03");
        QTest::newRow("other address") << QList<QByteArray>{"RDR07", "TON07", "WRR07" + k00 + "07"} << QByteArray();
        QTest::newRow("RAM to PROM") << QList<QByteArray>{"WRR01" + kFF + "E1", "RTM01", "RDM01"}
                                     << "\x02wrr\x03\x02rtm\x03\x02rdm" + kFF + "E0\x03";
        QTest::newRow("PROM to RAM, no reply") << QList<QByteArray>{"WRM01" + kFF + "E1", "MTR", "RDR01"}
                                               << "\x02wrm\x03\x02rdr" + kFF + "E0\x03";
        QTest::newRow("QID") << QList<QByteArray>{"QID2A", "QID03"} << QByteArray("\x02id2A\x03");
        QTest::newRow("SETID moves every unit") << QList<QByteArray>{"SETID05", "QID01", "SID"}
                                                << QByteArray("\x02si05\x03\x02si05\x03");
        QTest::newRow("text") << QList<QByteArray>{"CHR01ABCDE", "CHR01AB"} << QByteArray("\x02" "chr\x03\x02" "err1\x03");
        QTest::newRow("tallies") << QList<QByteArray>{"TON01", "TOF01", "TWN01", "TWF01", "TFH01"}
                                 << QByteArray("\x02ton\x03\x02tof\x03\x02twn\x03\x02twf\x03\x02tfh1\x03");
        QTest::newRow("mode") << QList<QByteArray>{"CFG01A0", "CFG01"} << QByteArray("\x02" "cfg\x03\x02" "err1\x03");
        QTest::newRow("inputs") << QList<QByteArray>{"GPI01C", "GPW01E", "GPI01@"}
                                << QByteArray("\x02gpiC@\x03\x02gpi@E\x03");
        QTest::newRow("unknown mnemonic") << QList<QByteArray>{"XYZ01"} << QByteArray("\x02" "err1\x03");
        QTest::newRow("replies are not commands") << QList<QByteArray>{"ton", "si01", "rdr01"} << QByteArray();
        QTest::newRow("tally messages have no reply") << QList<QByteArray>{"TLYABC", "TLW"} << QByteArray();
        QTest::newRow("lower-case address") << QList<QByteArray>{"QID2a"} << QByteArray();
    }
    void replies()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(QByteArray, replies);
        UnitLine line({0x01, 0x2A});
        QCOMPARE(run(line, frames), replies);
    }

    void states()
    {
        UnitLine line({0x01});
        const unit::Unit &u = line.units()[0];
        run(line, {"TON01", "TWN01"});
        QVERIFY(u.pgm && u.pvw && !u.flash);
        run(line, {"TFH01"});
        QVERIFY(u.flash);
        run(line, {"TOF01"});
        QVERIFY(!u.pgm && u.pvw && !u.flash);  // a steady state ends flashing
        run(line, {"CHR01 12:3", "CFG0123"});
        QCOMPARE(u.text, QByteArray(" 12:3"));
        QCOMPARE(u.mode, quint8(0x23));
    }

    void parallelInputsDriveLamps()
    {
        UnitLine line({0x01, 0x02});
        run(line, {"GPI01C", "GPW01A"});
        const unit::Unit &driven = line.units()[0];
        const unit::Unit &free = line.units()[1];
        run(line, {"TLYAC", "TLWB"});
        QVERIFY(driven.pgm);
        QVERIFY(!driven.pvw);
        run(line, {"TLYAB", "TLWA"});
        QVERIFY(!driven.pgm);
        QVERIFY(driven.pvw);
        run(line, {"TLY", "TLW"});
        QVERIFY(!driven.pgm && !driven.pvw);
        QVERIFY(!free.pgm && !free.pvw);
        run(line, {"TON02", "TLYABCDEF"});
        QVERIFY(free.pgm);  // no input assigned: the message does not touch it
    }

    void frameReader_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::newRow("one") << QList<QByteArray>{"\x02SID\x03"} << QList<QByteArray>{"SID"};
        QTest::newRow("split") << QList<QByteArray>{"\x02RD", "R0", "1\x03\x02T", "ON01\x03"}
                               << QList<QByteArray>{"RDR01", "TON01"};
        QTest::newRow("noise around") << QList<QByteArray>{"xx\x03\xff\x02SID\x03yy"} << QList<QByteArray>{"SID"};
        QTest::newRow("high byte inside") << QList<QByteArray>{"\x02TO\x8fN01\x03\x02SID\x03"} << QList<QByteArray>{"SID"};
        QTest::newRow("control inside") << QList<QByteArray>{QByteArray("\x02TO\x00N01\x03", 8)} << QList<QByteArray>{};
        QTest::newRow("second STX restarts") << QList<QByteArray>{"\x02TO\x02TOF01\x03"} << QList<QByteArray>{"TOF01"};
        QTest::newRow("overlong") << QList<QByteArray>{"\x02" + QByteArray(200, 'A') + "\x03\x02SID\x03"}
                                  << QList<QByteArray>{"SID"};
        QTest::newRow("empty frame") << QList<QByteArray>{"\x02\x03"} << QList<QByteArray>{""};
    }
    void frameReader()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<QByteArray>, frames);
        FrameReader reader;
        QList<QByteArray> got;
        for (const QByteArray &c : chunks) got += reader.feed(c);
        QCOMPARE(got, frames);
    }

    void promKeptAcrossRuns()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("prom.txt");
        {
            unit::VirtualUnits units({{0x01, 0x02}, {}, file});
            QString error;
            QVERIFY2(units.start(&error), qPrintable(error));
            units.line().handle("WRM02" + kFF + "E2");
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), "01 " + k00 + "\n02 " + kFF + "\n");
        }
        unit::VirtualUnits again({{0x02}, {}, file});
        QString error;
        QVERIFY(again.start(&error));
        QCOMPARE(run(again.line(), {"RDM02", "RDR02"}), "\x02rdm" + kFF + "E0\x03\x02rdr" + kFF + "E0\x03");
    }

    void printableLog()
    {
        QCOMPARE(unit::VirtualUnits::printable(QByteArray("\x02ton\x03\x81", 6)), QString("<STX>ton<ETX><81>"));
    }
};

QTEST_GUILESS_MAIN(TestUnit)
#include "test_unit.moc"
