// velk: the tally frame, the lamp panel and the port list without windows,
// then the window offscreen with its ports on ptys.
#include "simulator/lamppanel.h"
#include "link/portchoice.h"
#include "simulator/portlist.h"
#include "simulator/simulatorwindow.h"
#include "simulator/tallyframe.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"

#include <QLabel>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <bit>
#include <map>
#include <sys/resource.h>

using platform::MessageBoxes;
using platform::PortMap;
using simulator::PortChoice;
using simulator::SimulatorWindow;
using testsupport::Pty;
using testsupport::RecordingBoxes;

namespace {

// Frames are written out by hand, in hexadecimal.
QByteArray hex(const char *digits) { return QByteArray::fromHex(digits); }
const QByteArray kStartupFrame = hex("FF0B01 00000000000000000000");  // all dark, ID "01"

QByteArray pack(const QList<int> &litLampNumbers, int id)
{
    simulator::LampStates lamps{};
    for (int n : litLampNumbers) lamps[std::size_t(n - 1)] = true;
    const simulator::TallyBytes f = simulator::packTally(lamps, id);
    return QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
}

QStringList entries(const platform::ListCombo *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// The operator picks an entry: the list moves there, then reports the
// choice (even of the entry already shown).
void choose(platform::ListCombo *combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// A press in the middle of a cell (the panel is 240 pixels square).
void clickCell(SimulatorWindow &w, int column, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(w.Picture1, button, {}, QPoint(column * 30 + 15, row * 30 + 15));
}

bool isDark(const SimulatorWindow &w, int column, int row)
{
    return w.Picture1->colorAt(column + 0.5, row + 0.5) == QColor(0x66, 0x66, 0x66);
}

// Ptys at the given port numbers, no device at the others, and the window.
// In Single mode (set before the timer can tick) only the test's own
// actions send.
struct Rig {
    std::map<int, std::unique_ptr<Pty>> ptys;
    QStringList devices = QStringList(unitlink::kPortCount);
    RecordingBoxes boxes;
    std::unique_ptr<SimulatorWindow> w;

    explicit Rig(const QList<int> &free = {1}, bool single = true)
    {
        for (int p : free) {
            ptys[p] = std::make_unique<Pty>();
            devices[p - 1] = ptys[p]->slavePath();
        }
        w = std::make_unique<SimulatorWindow>(PortMap(devices), boxes);
        if (single) w->Option2->setChecked(true);
        w->show();
    }
    Pty &pty(int port = 1) { return *ptys.at(port); }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT
private slots:
    void packTally_data()
    {
        QTest::addColumn<QList<int>>("lit");  // lamp numbers 1..64
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("frame");
        QList<int> all;
        for (int n = 1; n <= 64; ++n) all << n;
        QTest::newRow("start-up") << QList<int>{} << 1 << hex("FF0B01 00000000000000000000");
        QTest::newRow("lamps 1, 8, ID 03") << QList<int>{1, 8} << 3 << hex("FF0B03 01010000000000000000");
        QTest::newRow("lamp 7: bit 6") << QList<int>{7} << 2 << hex("FF0B02 40000000000000000000");
        QTest::newRow("lamps 15, 28") << QList<int>{15, 28} << 6 << hex("FF0B06 00000140000000000000");
        QTest::newRow("lamp 56") << QList<int>{56} << 4 << hex("FF0B04 00000000000000400000");
        QTest::newRow("lamp 57: offset 11") << QList<int>{57} << 0 << hex("FF0B00 00000000000000000100");
        QTest::newRow("lamp 63 only") << QList<int>{63} << 0 << hex("FF0B00 00000000000000004000");
        QTest::newRow("lamp 64 only") << QList<int>{64} << 0 << hex("FF0B00 00000000000000000001");
        QTest::newRow("top row") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << 0 << hex("FF0B00 7F010000000000000000");
        QTest::newRow("all 64, ID 07") << all << 7 << hex("FF0B07 7F7F7F7F7F7F7F7F7F01");
        all.removeLast();
        QTest::newRow("all but 64") << all << 5 << hex("FF0B05 7F7F7F7F7F7F7F7F7F00");
    }
    void packTally()
    {
        QFETCH(QList<int>, lit);
        QFETCH(int, id);
        QFETCH(QByteArray, frame);
        QCOMPARE(pack(lit, id).toHex(' '), frame.toHex(' '));
    }

    void onlyTheStartByteIsFF()
    {
        // A single lamp sets one bit; no mixture under any ID sets bit 7
        // of a byte after the start.
        for (int n = 1; n <= 64; ++n) {
            const QByteArray f = pack({n}, 7);
            int bits = 0;
            for (int i = 3; i < 13; ++i) bits += std::popcount(quint8(f[i]));
            QVERIFY2(bits == 1, qPrintable(QString("lamp %1: %2").arg(n).arg(QString(f.toHex(' ')))));
        }
        QRandomGenerator random(6);
        for (int round = 0; round < 500; ++round) {
            QList<int> lit;
            for (int n = 1; n <= 64; ++n)
                if (random.bounded(2)) lit << n;
            const QByteArray f = pack(lit, round % 8);
            QCOMPARE(f.size(), 13);
            QCOMPARE(quint8(f[0]), quint8(0xFF));
            for (int i = 1; i < 13; ++i) QVERIFY2((quint8(f[i]) & 0x80) == 0, qPrintable(f.toHex(' ')));
        }
    }

    void panelArithmetic()
    {
        QCOMPARE(simulator::readout({0, 0}), QString(" 0,  0 =>  1"));
        QCOMPARE(simulator::readout({7, 7}), QString(" 7,  7 =>  64"));
        QCOMPARE(simulator::readout({3, 1}), QString(" 3,  1 =>  12"));
        QCOMPARE(simulator::cellAt(0.999, 7.0), (simulator::Cell{0, 7}));
        QCOMPARE(simulator::cellAt(2.5, 5.5), (simulator::Cell{2, 5}));
        QCOMPARE(simulator::cellAt(8.0, 8.0), (simulator::Cell{7, 7}));  // the far edge
    }

    void portChoice()
    {
        QCOMPARE(simulator::portChoice("Com1"), (PortChoice{PortChoice::OpenPort, 1}));
        QCOMPARE(simulator::portChoice("Com16"), (PortChoice{PortChoice::OpenPort, 16}));
        QCOMPARE(simulator::portChoice("Search"), (PortChoice{PortChoice::Search, 0}));
        QCOMPARE(simulator::portChoice("Combo1"), PortChoice{});
        QCOMPARE(simulator::portChoice(""), PortChoice{});
    }

    void startState()
    {
        Rig r({1}, false);
        SimulatorWindow &w = *r.w;
        QCOMPARE(w.windowTitle(), QString("VELK Tally Simulater"));
        QCOMPARE(w.size(), QSize(319, 352));
        QCOMPARE(w.Combo2->geometry(), QRect(176, 24, 65, 20));
        QCOMPARE(w.Picture1->geometry(), QRect(40, 72, 240, 240));
        QCOMPARE(w.Label1->geometry(), QRect(40, 320, 241, 17));
        for (const char *name :
             {"Combo1", "Combo2", "Label1", "Label6", "Option1", "Option2", "Picture1", "Timer1", "MSComm1"})
            QVERIFY2(w.findChild<QObject *>(name), name);
        QCOMPARE(w.Label6->text(), QString("ID:"));
        QVERIFY(w.Label1->text().isEmpty());
        QCOMPARE(entries(w.Combo2), (QStringList{"00", "01", "02", "03", "04", "05", "06", "07"}));
        QCOMPARE(w.Combo2->listIndex(), 1);
        QVERIFY(!w.Combo1->isEditable());
        QVERIFY(!w.Combo2->isEditable());
        QCOMPARE(w.Option1->text(), QString("Continue"));
        QVERIFY(w.Option1->isChecked());
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(w.Timer1->interval(), 500);
        QCOMPARE(w.Timer1->timerType(), Qt::PreciseTimer);
        QCOMPARE(entries(w.Combo1), (QStringList{"Com1", "Search"}));
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(w.MSComm1->rtsEnable());
        QVERIFY(r.boxes.calls.isEmpty());
        QCOMPARE(w.Picture1->colorAt(0.02, 0.02), QColor(0x80, 0x80, 0x80));
        for (int c = 0; c < 8; ++c)
            for (int row = 0; row < 8; ++row) QVERIFY(isDark(w, c, row));
    }

    void click_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("readout");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("top left") << Qt::LeftButton << 0 << 0 << " 0,  0 =>  1" << hex("FF0B01 01000000000000000000");
        QTest::newRow("bottom right") << Qt::LeftButton << 7 << 7 << " 7,  7 =>  64"
            << hex("FF0B01 00000000000000000001");
        QTest::newRow("lamp 8") << Qt::LeftButton << 7 << 0 << " 7,  0 =>  8" << hex("FF0B01 00010000000000000000");
        QTest::newRow("lamp 57") << Qt::LeftButton << 0 << 7 << " 0,  7 =>  57" << hex("FF0B01 00000000000000000100");
        QTest::newRow("right button") << Qt::RightButton << 0 << 0 << " 0,  0 =>  1"
            << hex("FF0B01 01000000000000000000");
        QTest::newRow("middle button") << Qt::MiddleButton << 7 << 7 << " 7,  7 =>  64"
            << hex("FF0B01 00000000000000000001");
    }
    void click()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, readout);
        QFETCH(QByteArray, frame);
        Rig r;
        clickCell(*r.w, column, row, button);
        QCOMPARE(r.w->Label1->text(), readout);
        QCOMPARE(r.pty().readBytes(13).toHex(' '), frame.toHex(' '));
        for (int c = 0; c < 8; ++c)
            for (int rw = 0; rw < 8; ++rw) QCOMPARE(isDark(*r.w, c, rw), c != column || rw != row);
        QCOMPARE(r.w->Picture1->colorAt(column + 0.5, row + 0.5), simulator::kLitLamp);
        QVERIFY(r.pty().drainFor(100).isEmpty());
    }

    void twoClicksOnOneCellSendLitThenDark()
    {
        Rig r;
        clickCell(*r.w, 3, 1);
        clickCell(*r.w, 3, 1);
        QCOMPARE(r.pty().readBytes(13).toHex(' '), hex("FF0B01 00100000000000000000").toHex(' '));
        QCOMPARE(r.pty().readBytes(13).toHex(' '), kStartupFrame.toHex(' '));
        QVERIFY(isDark(*r.w, 3, 1));
        QVERIFY(r.pty().drainFor(100).isEmpty());
    }

    void continueRepeatsAndSingleStops()
    {
        Rig r({1}, false);
        for (int k = 0; k < 3; ++k) QCOMPARE(r.pty().readBytes(13, 2000), kStartupFrame);
        // Right after a timed frame the next tick is half a second away.
        clickCell(*r.w, 1, 0);
        const QByteArray lampTwo = hex("FF0B01 02000000000000000000");
        QCOMPARE(r.pty().readBytes(13), lampTwo);
        QTest::mouseClick(r.w->Option2, Qt::LeftButton);
        QVERIFY(!r.w->Timer1->isActive());
        QVERIFY(r.pty().drainFor(800).isEmpty());
        clickCell(*r.w, 1, 0);
        QCOMPARE(r.pty().readBytes(13), kStartupFrame);
        QTest::mouseClick(r.w->Option1, Qt::LeftButton);
        QCOMPARE(r.pty().readBytes(13, 2000), kStartupFrame);
        QVERIFY(r.boxes.calls.isEmpty());
    }

    void choosingModeOrIdSendsNothing()
    {
        Rig r;
        r.w->Combo2->setListIndex(5);
        choose(r.w->Combo2, 5);
        r.w->Option2->setChecked(true);
        QVERIFY(r.pty().drainFor(300).isEmpty());
        clickCell(*r.w, 0, 0);
        const QByteArray idFive = hex("FF0B05 01000000000000000000");
        QCOMPARE(r.pty().readBytes(13).toHex(' '), idFive.toHex(' '));
        // Back to Continue: as many frames as ticks, none for the choice.
        QSignalSpy ticks(r.w->Timer1, &QTimer::timeout);
        QTest::mouseClick(r.w->Option1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 3000);
        r.w->Option2->setChecked(true);
        for (qsizetype k = 0; k < ticks.count(); ++k) QCOMPARE(r.pty().readBytes(13).toHex(' '), idFive.toHex(' '));
        QVERIFY(r.pty().drainFor(100).isEmpty());
    }

    void startupSearch_data()
    {
        QTest::addColumn<QList<int>>("free");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("chosen");
        QTest::newRow("2 and 5: the last") << QList<int>{2, 5} << QStringList{"Com2", "Com5", "Search"} << 5;
        QTest::newRow("only 16") << QList<int>{16} << QStringList{"Com16", "Search"} << 16;
        QTest::newRow("1, 9, 10") << QList<int>{1, 9, 10} << QStringList{"Com1", "Com9", "Com10", "Search"} << 10;
        QTest::newRow("none") << QList<int>{} << QStringList{"Search"} << 0;
    }
    void startupSearch()
    {
        QFETCH(QList<int>, free);
        QFETCH(QStringList, list);
        QFETCH(int, chosen);
        std::map<int, std::unique_ptr<Pty>> ptys;
        QStringList devices(unitlink::kPortCount);
        for (int p : free) {
            ptys[p] = std::make_unique<Pty>();
            devices[p - 1] = ptys[p]->slavePath();
        }
        qputenv("TALLY_SERIAL_PORTS", devices.join(':').toLocal8Bit());
        RecordingBoxes boxes;
        SimulatorWindow w(PortMap::fromEnvironment(), boxes);
        qunsetenv("TALLY_SERIAL_PORTS");

        QVERIFY(boxes.calls.isEmpty());
        QCOMPARE(entries(w.Combo1), list);
        QCOMPARE(w.Combo1->listIndex(), list.size() - 2);
        QCOMPARE(w.MSComm1->portOpen(), chosen != 0);
        QVERIFY(w.MSComm1->rtsEnable());
        if (chosen == 0) {
            QVERIFY(w.Combo1->shownText().trimmed().isEmpty());
            clickCell(w, 2, 2);  // the panel works without a port
            QCOMPARE(w.Label1->text(), QString(" 2,  2 =>  19"));
            QCOMPARE(w.Picture1->colorAt(2.5, 2.5), simulator::kLitLamp);
            QVERIFY(boxes.calls.isEmpty());
            return;
        }
        QCOMPARE(w.MSComm1->commPort(), chosen);
        QCOMPARE(ptys[chosen]->readBytes(13, 2000), kStartupFrame);
        // The other ports were probed and closed again, and got nothing.
        for (int p : free) {
            if (p == chosen) continue;
            QVERIFY(ptys[p]->readAvailable().isEmpty());
            platform::SerialComm other(PortMap(devices), {});
            QVERIFY(other.setCommPort(p).ok());
            QVERIFY2(other.setPortOpen(true).ok(), "a probed port was left open");
        }
    }

    void searchClosesTheOpenPortFirst()
    {
        Rig r({2, 5});
        choose(r.w->Combo1, 2);  // "Search" while 5 is open
        QCOMPARE(entries(r.w->Combo1), (QStringList{"Com2", "Com5", "Search"}));
        QCOMPARE(r.w->Combo1->listIndex(), 1);
        QCOMPARE(r.w->MSComm1->commPort(), 5);
        QVERIFY(r.w->MSComm1->portOpen());
        QVERIFY(r.boxes.calls.isEmpty());
        clickCell(*r.w, 0, 0);
        QCOMPARE(r.pty(5).readBytes(13), hex("FF0B01 01000000000000000000"));
    }

    void portHeldByAnotherProgramIsNotListed()
    {
        Pty two, five;
        const PortMap map({"", two.slavePath(), "", "", five.slavePath()});
        platform::SerialComm otherProgram(map, {});
        QVERIFY(otherProgram.setCommPort(5).ok());
        QVERIFY(otherProgram.setPortOpen(true).ok());
        RecordingBoxes boxes;
        SimulatorWindow w(map, boxes);
        QVERIFY(boxes.calls.isEmpty());
        QCOMPARE(entries(w.Combo1), (QStringList{"Com2", "Search"}));
        QCOMPARE(w.MSComm1->commPort(), 2);
        QVERIFY(w.MSComm1->portOpen());
    }

    void choosingPortTakenMeanwhileShowsPrompt()
    {
        Rig r({2, 5});
        platform::SerialComm otherProgram(PortMap(r.devices), {});
        QVERIFY(otherProgram.setCommPort(2).ok());
        QVERIFY(otherProgram.setPortOpen(true).ok());
        choose(r.w->Combo1, 0);  // "Com2"
        QCOMPARE(r.boxes.calls.size(), 1);
        const RecordingBoxes::Call &c = r.boxes.calls.first();
        QCOMPARE(c.title, QString("Prompt"));
        QCOMPARE(c.icon, MessageBoxes::Icon::Information);
        QCOMPARE(c.buttons, MessageBoxes::Buttons::Ok);
        QVERIFY2(c.text.startsWith(QString("%1: ").arg(int(platform::DeviceUnavailable))), qPrintable(c.text));
        QVERIFY2(c.text.contains("Com2"), qPrintable(c.text));
        QVERIFY(!r.w->MSComm1->portOpen());  // port 5 was closed first
        choose(r.w->Combo1, 1);              // "Com5" again
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.w->MSComm1->commPort(), 5);
        QVERIFY(r.w->MSComm1->portOpen());
    }

    void lostPortSkipsWritesQuietlyUntilFoundAgain()
    {
        testsupport::ReplugPort port;
        RecordingBoxes boxes;
        SimulatorWindow w(PortMap({port.path()}), boxes);
        QCOMPARE(port.pty().readBytes(13, 2000), kStartupFrame);

        port.unplug();
        QTRY_VERIFY(!w.MSComm1->portOpen());
        QCOMPARE(w.Combo1->shownText(), QString("Com1 lost"));
        QVERIFY2(w.Label1->text().contains("lost"), qPrintable(w.Label1->text()));
        // Timed frames and clicks go nowhere, without a box and without
        // keeping the processor busy.
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        QSignalSpy ticks(w.Timer1, &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 3000);
        getrusage(RUSAGE_SELF, &after);
        const auto cpuMs = [](const rusage &u) {
            return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
        };
        QVERIFY2(cpuMs(after) - cpuMs(before) < 400, "velk keeps working while its port is gone");
        clickCell(w, 4, 0);
        QCOMPARE(w.Label1->text(), QString(" 4,  0 =>  5"));
        QVERIFY(boxes.calls.isEmpty());

        port.replug();
        choose(w.Combo1, w.Combo1->count() - 1);  // "Search"
        QVERIFY(boxes.calls.isEmpty());
        QCOMPARE(entries(w.Combo1), (QStringList{"Com1", "Search"}));
        QVERIFY(w.MSComm1->portOpen());
        QCOMPARE(port.pty().readBytes(13, 2000), hex("FF0B01 10000000000000000000"));
    }
};

QTEST_MAIN(TestSimulator)
#include "test_simulator.moc"
