// velk's tally frame, lamp panel and port list, without windows. kandrel's
// show logic is in test_demo, through its window.
#include "simulator/lamppanel.h"
#include "simulator/portlist.h"
#include "simulator/tallyframe.h"

#include <QTest>

using simulator::PortChoice;

class TestPrograms : public QObject {
    Q_OBJECT
private slots:
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
        simulator::LampStates lamps{};
        for (int n : lit) lamps[std::size_t(n - 1)] = true;
        const simulator::TallyBytes f = simulator::packTally(lamps, id);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(f.data()), 13).toHex(' '), frame.toHex(' '));
    }

    void velkPanel()
    {
        QCOMPARE(simulator::cellAt(0.999, 7.0), (simulator::Cell{0, 7}));
        QCOMPARE(simulator::cellAt(8.0, 8.0), (simulator::Cell{7, 7}));  // the far edge
        QCOMPARE(simulator::portChoice("Com16"), (PortChoice{PortChoice::OpenPort, 16}));
        QCOMPARE(simulator::portChoice("Search"), (PortChoice{PortChoice::Search, 0}));
    }
};

QTEST_GUILESS_MAIN(TestPrograms)
#include "test_programs.moc"
