// The line log's recorder without a window or port: what the serial
// component reports goes in, rows as the operator reads and saves them come out.
#include "console/linelogwindow.h"
#include "tests/support/files.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"

#include <QDateTime>
#include <QCheckBox>
#include <QLabel>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using console::LineLog;
using console::LogRow;
using Dir = LogRow::Direction;

namespace {
// Starts at noon; the test moves it on.
struct ManualClock : platform::Clock {
    QTime t{12, 0};
    QTime now() const override { return t; }
    QDate today() const override { return {2024, 2, 29}; }
};

const QByteArray kZeros31 = QByteArray("00").repeated(31);
const QString kPairs00 = QString("00 ").repeated(31) + "01";
const QString kPairsFF = QString("FF ").repeated(31) + "FF";

// upload, "wrr" arriving in pieces with a click between them, a download
// with a bad checksum, "err2", noise before an STX, an unplug and a write
// refused afterwards; each step a millisecond after the one before.
void exchange(LineLog &log, ManualClock &clock)
{
    const std::function<void()> steps[] = {
        [&] { log.port("opened: Com1 (/dev/pts/3)"); },
        [&] { log.written("\x02WRR01" + kZeros31 + "0102\x03"); },
        [&] { log.received("\x02wr"); },
        [&] { log.written("\x02RDR01\x03"); },
        [&] { log.received("r\x03"); },
        [&] { log.received("\x02rdr" + QByteArray("FF").repeated(32) + "E1\x03\x02" "err2"); },
        [&] { log.received("\x03zz\x01\\\x02ton\x03"); },
        [&] { log.port("Com1 (/dev/pts/3) lost: the device was unplugged or hung up", true); },
        [&] { log.refused("\x02TON01\x03", "no serial port open"); },
    };
    for (const auto &step : steps) {
        step();
        clock.t = clock.t.addMSecs(1);
    }
}

// Each row at the time its first byte came, in the order it was complete.
const QStringList kExchange = {
    "12:00:00.000\tport\t\topened: Com1 (/dev/pts/3)",
    "12:00:00.001\t→\t[STX]WRR01" + kZeros31 + "0102[ETX]\tWRR address 01, checksum 02, image " + kPairs00,
    "12:00:00.003\t→\t[STX]RDR01[ETX]\tRDR address 01",
    "12:00:00.002\t←\t[STX]wrr[ETX]\twrr: WRR done",
    "12:00:00.005\t←\t[STX]rdr" + QString("FF").repeated(32) + "E1[ETX]\trdr: checksum mismatch: E1, expected E0, image " + kPairsFF,
    "12:00:00.005\t←\t[STX]err2[ETX]\terr2: CRC Error",
    "12:00:00.006\t←\tzz\\x01\\x5c\toutside any frame",
    "12:00:00.006\t←\t[STX]ton[ETX]\tton: TON done",
    "12:00:00.007\tport\t\tCom1 (/dev/pts/3) lost: the device was unplugged or hung up",
    "12:00:00.008\t→\t[STX]TON01[ETX]\tNOT SENT (no serial port open): TON address 01",
};
const QList<int> kErrorRows = {4, 5, 6, 8, 9};
} // namespace

class TestLineLog : public QObject {
    Q_OBJECT

private slots:
    void meaning_data()
    {
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<bool>("error");
        QTest::newRow("STX CHR01ABCDE ETX") << true << QByteArray("CHR01ABCDE") << "CHR address 01, text \"ABCDE\"" << false;
        QTest::newRow("STX CFG01A0 ETX") << true << QByteArray("CFG01A0") << "CFG address 01, mode byte A0" << false;
        QTest::newRow("STX GPI01E ETX") << true << QByteArray("GPI01E") << "GPI address 01, input 05" << false;
        QTest::newRow("STX SETIDA1 ETX") << true << QByteArray("SETIDA1") << "SETID, new address A1" << false;
        QTest::newRow("STX rdm FFx32 E0 ETX") << false << "rdm" + QByteArray("FF").repeated(32) + "E0" << "rdm: checksum ok, image " + kPairsFF << false;
        QTest::newRow("STX rdr FFx32 e0 ETX") << false << "rdr" + QByteArray("FF").repeated(32) + "e0"
                                              << "rdr: checksum mismatch: e0, expected E0, image " + kPairsFF << true;
        QTest::newRow("STX gpiEB ETX") << false << QByteArray("gpiEB") << "gpi: PGM input 05, PVW input 02" << false;
        QTest::newRow("STX gpiE ETX") << false << QByteArray("gpiE") << "gpi: wrong length, not acted upon" << true;
        QTest::newRow("STX tfh1 ETX") << false << QByteArray("tfh1") << "tfh: flag 1" << false;
        QTest::newRow("STX TLYAC ETX") << false << QByteArray("TLYAC") << "TLY: PGM 01 03" << false;
        QTest::newRow("STX TLW ETX") << false << QByteArray("TLW") << "TLW: PVW none" << false;
        QTest::newRow("STX si01 ETX") << false << QByteArray("si01") << "si: address 01" << false;
        QTest::newRow("STX err9 ETX") << false << QByteArray("err9") << "err9: unknown error code" << true;
        QTest::newRow("STX RDR02 ETX from another controller") << false << QByteArray("RDR02") << "another controller: RDR address 02" << false;
        QTest::newRow("STX xyz ETX") << false << QByteArray("xyz") << "unknown reply" << true;
    }
    void meaning()
    {
        QFETCH(bool, sent);
        QFETCH(QByteArray, frame);
        ManualClock clock;
        LineLog log(clock);
        sent ? log.written('\x02' + frame + '\x03') : log.received('\x02' + frame + '\x03');
        QCOMPARE(log.size(), 1);
        QTEST(log.row(0).meaning, "meaning");
        QTEST(log.row(0).error, "error");
    }

    // A frame cut off by the next STX, and a run that never ends, are rows
    // of their own rather than part of the next frame or an endless buffer;
    // so is a frame the line leaves unfinished, once it has been quiet.
    void brokenFrames()
    {
        ManualClock clock;
        LineLog log(clock);
        log.received("\x02wr\x02ton\x03" + QByteArray(LineLog::kFrameLimit, 'x'));
        QCOMPARE(log.size(), 3);
        QCOMPARE(log.row(0).frameText() + " " + log.row(0).meaning, "[STX]wr incomplete frame");
        QCOMPARE(log.row(2).bytes.size(), LineLog::kFrameLimit);
        clock.t = QTime(12, 0, 1);
        log.received("\x02rd");
        clock.t = QTime(12, 0, 2);
        QTRY_COMPARE(log.size(), 4);
        QCOMPARE(log.row(3).tsvLine(), "12:00:01.000\t←\t[STX]rd\tincomplete frame");
    }

    void boundDropsOldest()
    {
        ManualClock clock;
        LineLog log(clock, 3);
        for (const char *f : {"\x02ton\x03", "\x02tof\x03", "\x02twn\x03", "\x02twf\x03", "\x02" "cfg\x03"}) log.received(f);
        QCOMPARE(log.dropped(), 2);
        QCOMPARE(log.first(), 2);
        QCOMPARE(log.row(0).frameText() + log.row(2).frameText(), "[STX]twn[ETX][STX]cfg[ETX]");
        log.clear();
        QCOMPARE(log.size() + log.dropped(), 0);
    }

    // The exchange's rows, and the file is the view: its rows under the
    // filter and the pause, with the hex column when it is shown.
    void savedFileIsTheView()
    {
        ManualClock clock;
        LineLog log(clock);
        testsupport::RecordingBoxes boxes;
        testsupport::RecordingDialogs dialogs;
        console::LineLogWindow w(log, boxes, dialogs);
        exchange(log, clock);
        for (qsizetype i = 0; i < log.size(); ++i) QCOMPARE(log.row(i).error, kErrorRows.contains(i));
        QTemporaryDir dir;
        const QString header = "Time (saved 2024-02-29 12:00:00)\tDirection\tFrame\tMeaning";
        const auto saved = [&] {
            dialogs.names << dir.filePath("line"); // saved as line.txt
            w.SaveAs_Click();
            return QString::fromUtf8(testsupport::fileBytes(dir.filePath("line.txt")));
        };
        QCOMPARE(saved(), header + '\n' + kExchange.join('\n') + '\n');

        w.Pause->click();
        log.received("\x02ton\x03");
        w.Search->setText("ton");
        w.HexColumn->setChecked(true);
        QCOMPARE(w.Status->text(), "2 rows shown of 11; paused, still recording");
        QCOMPARE(saved(), header + "\tHex\n12:00:00.006\t←\t[STX]ton[ETX]\tton: TON done\t02 74 6F 6E 03\n"
                          "12:00:00.008\t→\t[STX]TON01[ETX]\tNOT SENT (no serial port open): TON address 01\t02 54 4F 4E 30 31 03\n");
        QVERIFY(boxes.calls.isEmpty());
    }

    // At the size it opens with, every column shows in full, without
    // scrolling, and the search field shows its word.
    void defaultSizeShowsEveryColumn()
    {
        ManualClock clock;
        LineLog log(clock);
        testsupport::RecordingBoxes boxes;
        testsupport::RecordingDialogs dialogs;
        console::LineLogWindow w(log, boxes, dialogs);
        exchange(log, clock);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.Table->horizontalScrollBar()->maximum(), 0);
        QVERIFY(w.Table->horizontalHeader()->sectionSize(3) >= w.Table->fontMetrics().horizontalAdvance('0') * 60);
        QVERIFY(w.Search->width() > w.Search->fontMetrics().horizontalAdvance(w.Search->placeholderText()));
    }

    // The rows' times are the local time of the zone the console runs in.
    void systemClockIsLocalTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("offsetSeconds");
        QTest::newRow("UTC+8") << QByteArray("CST-8") << 8 * 3600;
        QTest::newRow("UTC-3:30") << QByteArray("NST3:30") << -(3 * 3600 + 30 * 60);
    }
    void systemClockIsLocalTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, offsetSeconds);
        const std::optional<QByteArray> saved = qEnvironmentVariableIsSet("TZ") ? std::optional(qgetenv("TZ")) : std::nullopt;
        qputenv("TZ", zone);
        const QTime shown = platform::SystemClock().now();
        const QTime expected = QDateTime::currentDateTimeUtc().addSecs(offsetSeconds).time();
        saved ? qputenv("TZ", *saved) : qunsetenv("TZ");
        const int apart = std::abs(shown.msecsTo(expected));
        QVERIFY2(std::min(apart, 86'400'000 - apart) < 2000, qPrintable(shown.toString() + " for " + expected.toString()));
    }
};

QTEST_MAIN(TestLineLog)
#include "test_linelog.moc"
