// The demonstration driver offscreen, its port on a pty and its clock set
// by the test. The window's timer is stopped so that each test runs the
// ticks itself; one test lets it run.
#include "demo/demowindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using demo::DemoWindow;
using demo::lampCentreX;
using platform::MessageBoxes;
using platform::PortMap;
using testsupport::Pty;
using testsupport::RecordingBoxes;
using Frames = QList<QByteArray>;

namespace {
class FakeClock : public platform::Clock {
public:
    QTime time{14, 3, 9};
    QTime now() const override { return time; }
};

const QColor kRed(255, 0, 0), kGrey(128, 128, 128), kDarkCyan(0, 128, 128), kCyan(0, 255, 255);

struct Rig {
    Pty pty;
    RecordingBoxes boxes;
    FakeClock clock;
    std::unique_ptr<DemoWindow> w;
    explicit Rig(QStringList ports = {}, bool manualTicks = true)
    {
        w = std::make_unique<DemoWindow>(PortMap(ports.isEmpty() ? QStringList{pty.slavePath()} : ports), boxes, clock);
        if (manualTicks) w->Timer1->stop();
        w->show();
    }
    // One tick's frames, and whatever else came soon after.
    Frames tick(int expected)
    {
        w->Timer1_Timer();
        Frames got;
        for (int k = 0; k < expected; ++k) got << pty.readFrame();
        if (const QByteArray extra = pty.drainFor(30); !extra.isEmpty()) got << extra;
        return got;
    }
    void press(int row, double x)
    {
        if (row == 1) w->Picture1_MouseDown(Qt::LeftButton, false, x, 100);
        else w->Picture2_MouseDown(Qt::LeftButton, false, x, 100);
    }
    QColor clockColour() const { return w->Label1->palette().color(QPalette::WindowText); }
};
} // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void startState()
    {
        Rig r({}, false);
        QCOMPARE(r.w->windowTitle(), QString("Kandrel"));
        QCOMPARE(r.w->size(), QSize(950, 228));
        QCOMPARE(r.w->Picture2->geometry(), QRect(152, 280, 769, 33));
        QCOMPARE(r.clockColour(), kDarkCyan);
        QCOMPARE(r.w->Label1->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(r.w->Text2->font().pointSize(), 18);
        QVERIFY(!r.w->Picture1->isEnabled() && !r.w->Picture2->isEnabled());
        QVERIFY(r.w->Timer1->isActive());
        QCOMPARE(r.w->Timer1->interval(), 200);
        QCOMPARE(r.w->Timer1->timerType(), Qt::PreciseTimer);
        // The timer runs from the start, but both shows are off: silence.
        QVERIFY(r.pty.drainFor(450).isEmpty());
    }

    void tick_data()
    {
        QTest::addColumn<bool>("clockOn");
        QTest::addColumn<bool>("virtualOn");
        QTest::addColumn<QList<int>>("pgm");
        QTest::addColumn<QList<int>>("pvw");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<QString>("text2After");
        QList<int> all;
        for (int i = 23; i >= 0; --i) all << i;
        const QTime t(14, 3, 9);
        QTest::newRow("idle") << false << false << all << all << "1a" << t << Frames{} << "1a";
        QTest::newRow("clock, ??") << true << false << all << all << "??" << QTime(9, 59, 59)
                                   << Frames{"\x02" "CHR0059:59\x03"} << "00";
        QTest::newRow("clock, 1a") << true << false << all << all << "1a" << QTime(10, 0, 0)
                                   << Frames{"\x02" "CHR1A00:00\x03"} << "1A";
        QTest::newRow("virtual, none on") << false << true << QList<int>{} << QList<int>{} << "1a" << t
                                          << Frames{"\x02TLY\x03", "\x02TLW\x03"} << "1a";
        QTest::newRow("virtual, all PGM, PVW X B") << false << true << all << QList<int>{23, 1} << "1a" << t
            << Frames{"\x02TLYABCDEFGHIJKLMNOPQRSTUVWX\x03", "\x02TLWBX\x03"} << "1a";
        QTest::newRow("both shows") << true << true << QList<int>{5, 0, 2} << QList<int>{} << "1a" << t
                                    << Frames{"\x02TLYACF\x03", "\x02TLW\x03"} << "1a";
    }
    void tick()
    {
        QFETCH(bool, clockOn);
        QFETCH(bool, virtualOn);
        QFETCH(QList<int>, pgm);
        QFETCH(QList<int>, pvw);
        QFETCH(QString, address);
        QFETCH(QTime, time);
        QFETCH(Frames, frames);
        QFETCH(QString, text2After);
        Rig r;
        r.clock.time = time;
        r.w->Text2->setText(address);
        if (clockOn) r.w->Command1_Click();
        if (virtualOn) r.w->Command5_Click();
        for (int i : pgm) r.press(1, lampCentreX(i));
        for (int i : pvw) r.press(2, lampCentreX(i));
        QCOMPARE(r.tick(int(frames.size())), frames);
        QCOMPARE(r.w->Text2->text(), text2After);
    }

    void virtualShowSuspendsTheClock_data()
    {
        QTest::addColumn<bool>("clockOn");
        QTest::newRow("clock running") << true;
        QTest::newRow("clock off") << false;
    }
    void virtualShowSuspendsTheClock()
    {
        QFETCH(bool, clockOn);
        Rig r;
        r.w->Text2->setText("7");
        if (clockOn) QTest::mouseClick(r.w->Command1, Qt::LeftButton);
        QCOMPARE(r.clockColour(), clockOn ? kCyan : kDarkCyan);
        QTest::mouseClick(r.w->Command5, Qt::LeftButton);
        QCOMPARE(r.clockColour(), kDarkCyan);
        QVERIFY(!r.w->Command1->isEnabled());
        QVERIFY(!r.w->Label4->isHidden() && r.w->Picture1->isEnabled() && r.w->Picture2->isEnabled());
        QTest::mouseClick(r.w->Command1, Qt::LeftButton);  // disabled: no effect
        QCOMPARE(r.tick(2), (Frames{"\x02TLY\x03", "\x02TLW\x03"}));
        QTest::mouseClick(r.w->Command5, Qt::LeftButton);
        QCOMPARE(r.clockColour(), clockOn ? kCyan : kDarkCyan);
        QVERIFY(r.w->Command1->isEnabled());
        QVERIFY(r.w->Label4->isHidden() && !r.w->Picture1->isEnabled());
        QCOMPARE(r.tick(clockOn ? 1 : 0), clockOn ? Frames{"\x02" "CHR0703:09\x03"} : Frames{});
    }

    void timerDrivesTheShow()
    {
        Rig r({}, false);
        r.w->Text2->setText("2b");
        r.w->Command1_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02" "CHR2B03:09\x03"));
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02" "CHR2B03:09\x03"));
    }

    void lampCells_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("x");
        QTest::addColumn<Frames>("frames");
        QTest::newRow("PGM 0") << 1 << 0.0 << Frames{"\x02TLYA\x03", "\x02TLW\x03"};
        QTest::newRow("PGM 199.9") << 1 << 199.9 << Frames{"\x02TLYA\x03", "\x02TLW\x03"};
        QTest::newRow("PGM 4799") << 1 << 4799.0 << Frames{"\x02TLYX\x03", "\x02TLW\x03"};
        QTest::newRow("PGM -0.5") << 1 << -0.5 << Frames{"\x02TLY\x03", "\x02TLW\x03"};
        QTest::newRow("PGM 4800") << 1 << 4800.0 << Frames{"\x02TLY\x03", "\x02TLW\x03"};
        QTest::newRow("PVW 0") << 2 << 0.0 << Frames{"\x02TLY\x03", "\x02TLWA\x03"};
        QTest::newRow("PVW 4799") << 2 << 4799.0 << Frames{"\x02TLY\x03", "\x02TLWX\x03"};
    }
    void lampCells()
    {
        QFETCH(int, row);
        QFETCH(double, x);
        QFETCH(Frames, frames);
        Rig r;
        r.w->Command5_Click();
        r.press(row, x);
        QCOMPARE(r.tick(2), frames);
    }

    void clicksBetweenTicks()
    {
        Rig r;
        r.w->Command5_Click();
        r.press(1, 100);
        QCOMPARE(r.tick(2).value(0), QByteArray("\x02TLYA\x03"));
        for (double x : {300.0, 399.0, 0.0, 150.0}) r.press(1, x);  // B on and off, A off and on
        QCOMPARE(r.tick(2).value(0), QByteArray("\x02TLYA\x03"));
    }

    void lampRowsTakeClicksOnlyDuringTheShow()
    {
        Rig r;
        QTest::mouseClick(r.w->Picture1, Qt::LeftButton, {}, QPoint(0, 16));
        r.w->Command5_Click();
        QTest::mouseClick(r.w->Picture1, Qt::RightButton, Qt::ShiftModifier, QPoint(r.w->Picture1->width() - 1, 2));
        QTest::mouseClick(r.w->Picture2, Qt::MiddleButton, {}, QPoint(0, 30));
        QCOMPARE(r.tick(2), (Frames{"\x02TLYX\x03", "\x02TLWA\x03"}));
        r.w->Command5_Click();
        QTest::mouseClick(r.w->Picture2, Qt::LeftButton, {}, QPoint(0, 16));
        r.w->Command5_Click();
        QCOMPARE(r.tick(2), (Frames{"\x02TLYX\x03", "\x02TLWA\x03"}));
    }

    void lampButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("address");
        QTest::addColumn<Frames>("frames");
        QTest::newRow("PGM 1A") << 2 << "1A" << Frames{"\x02TON1A\x03", "\x02TOF1A\x03"};
        QTest::newRow("PGM ??") << 2 << "??" << Frames{"\x02TON00\x03", "\x02TOF00\x03"};
        QTest::newRow("PVW 1a") << 3 << "1a" << Frames{"\x02TWN1A\x03", "\x02TWF1A\x03"};
    }
    void lampButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, address);
        QFETCH(Frames, frames);
        Rig r;
        QPushButton *b = button == 2 ? r.w->Command2 : r.w->Command3;
        r.w->Text2->setText(address);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(r.pty.readFrame(), frames[0]);
        QVERIFY(b->font().bold());
        QCOMPARE(r.w->Text2->text(), QString::fromLatin1(frames[0].mid(4, 2)));
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(r.pty.readFrame(), frames[1]);
        QVERIFY(!b->font().bold());
    }

    void addressQuery()
    {
        Rig r;
        r.w->Text2->setText("1a");
        QTest::mouseClick(r.w->Command4, Qt::LeftButton);
        QCOMPARE(r.pty.drainFor(50), QByteArray("\x02SID\x03"));
        QCOMPARE(r.w->Text2->text(), QString("1a"));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("shown");
        const QByteArray si = "\x02si";
        QTest::newRow("si1A") << QByteArray("\x02si1A\x03") << QStringList{"1A"};
        QTest::newRow("id1A") << QByteArray("\x02id1A\x03") << QStringList{"1A"};
        QTest::newRow("si1") << QByteArray("\x02si1\x03") << QStringList{"1"};
        QTest::newRow("others") << QByteArray("\x02ton\x03\x02SI1A\x03\x02s\x03\x02TLYid\x03") << QStringList{};
        QTest::newRow("before the first STX") << QByteArray("id55\x02si1A\x03") << QStringList{"1A"};
        QTest::newRow("4096 kept") << si + QByteArray(4094, 'x') + "\x03" << QStringList{"xx"};
        QTest::newRow("4097 dropped") << si + QByteArray(4095, 'x') + "\x03" + "id1A\x03" << QStringList{};
    }
    void replies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, shown);
        Rig r;
        QSignalSpy changes(r.w->Text2, &QLineEdit::textChanged);
        // A last reply that surely lands tells when the others are handled.
        r.pty.write(bytes + "\x02idEE\x03");
        QTRY_COMPARE(r.w->Text2->text(), QString("EE"));
        QStringList seen;
        for (const QList<QVariant> &args : changes) seen << args.at(0).toString();
        QCOMPARE(seen, shown << "EE");
    }

    void noPortOpen()
    {
        Rig r({""});
        QCOMPARE(r.w->Combo1->shownText(), QString("选择串行端口"));
        QVERIFY2(r.w->windowTitle().contains(demo::kNoPortMark), qPrintable(r.w->windowTitle()));
        r.w->Command2_Click();
        QVERIFY(!r.w->Command2->font().bold());  // no TON went out
        r.w->Command5_Click();
        r.w->Timer1_Timer();
        QVERIFY(r.boxes.calls.isEmpty());

        r.w->Combo1->setListIndex(15);
        QCOMPARE(r.boxes.calls.size(), 1);
        const RecordingBoxes::Call &c = r.boxes.calls.first();
        QCOMPARE(c.title, QString("Prompt"));
        QCOMPARE(c.icon, MessageBoxes::Icon::Information);
        // Number and description joined by the colon alone.
        QVERIFY2(QRegularExpression("^\\d+:[^ ]").match(c.text).hasMatch(), qPrintable(c.text));
        QVERIFY2(c.text.contains("Com16"), qPrintable(c.text));
    }

    void lostPortIsMarkedAndChosenAgain()
    {
        // The port is a link that the test re-points, as a re-plugged
        // adapter comes back under the same name.
        QTemporaryDir dir;
        const QString link = dir.filePath("ttyTALLY");
        auto first = std::make_unique<Pty>();
        QVERIFY(QFile::link(first->slavePath(), link));
        Rig r({link});
        r.w->Command5_Click();
        first->closeMaster();
        QTRY_VERIFY(!r.w->MSComm1->portOpen());
        QVERIFY2(r.w->windowTitle().contains("lost"), qPrintable(r.w->windowTitle()));
        r.w->Timer1_Timer();
        QVERIFY(r.boxes.calls.isEmpty());

        Pty second;
        QFile::remove(link);
        QVERIFY(QFile::link(second.slavePath(), link));
        emit r.w->Combo1->activated(0);
        QCOMPARE(r.w->windowTitle(), QString("Kandrel"));
        r.w->Timer1_Timer();
        QCOMPARE(second.readFrame(), QByteArray("\x02TLY\x03"));
    }

    void tallerWindowShowsBothLampRows()
    {
        Rig r;
        r.w->resize(950, 330);
        r.w->Text2->setText("1a");
        r.w->Command1_Click();
        r.w->Command2_Click();
        r.w->Command5_Click();
        for (int i : {0, 2, 5, 9, 10, 17}) r.press(1, lampCentreX(i));
        for (int i : {1, 5, 12, 23}) r.press(2, lampCentreX(i));
        QCOMPARE(r.w->Picture1->colorAt(lampCentreX(2), 100), QColor(Qt::black));  // drawn by the tick only
        r.w->Timer1_Timer();
        r.press(1, lampCentreX(2));
        r.w->Timer1_Timer();
        const QImage shot = r.w->grab().toImage();
        auto lamp = [&](const platform::PictureBox *row, int i) {
            const QPointF p = row->scale().toPixel({lampCentreX(i), 100}, row->size());
            return shot.pixelColor(row->geometry().topLeft() + p.toPoint());
        };
        QCOMPARE(lamp(r.w->Picture1, 0), kRed);
        QCOMPARE(lamp(r.w->Picture1, 2), kGrey);
        QCOMPARE(lamp(r.w->Picture1, 3), kGrey);
        QCOMPARE(lamp(r.w->Picture2, 23), kRed);
        QCOMPARE(lamp(r.w->Picture2, 22), kGrey);
        QCOMPARE(r.w->Picture1->colorAt(200, 100), QColor(Qt::black));  // between two lamps
        if (const QByteArray path = qgetenv("KANDREL_SCREENSHOT"); !path.isEmpty())
            QVERIFY(shot.save(QString::fromLocal8Bit(path)));
    }
};

QTEST_MAIN(TestDemo)
#include "test_demo.moc"
