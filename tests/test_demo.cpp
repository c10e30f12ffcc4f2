// kandrel offscreen, its port on a pty and its clock set by the test. The
// timer is stopped so that each test runs the ticks itself (test_modal lets
// it run).
#include "demo/demowindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/shownpixel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using demo::DemoWindow;

namespace {
struct FakeClock : platform::Clock {
    QTime now() const override { return QTime(14, 3, 9); }
};

struct Rig {
    testsupport::Pty pty;
    testsupport::RecordingBoxes boxes;
    FakeClock clock;
    std::unique_ptr<DemoWindow> w;
    explicit Rig(QStringList ports = {})
    {
        w = std::make_unique<DemoWindow>(platform::PortMap(ports.isEmpty() ? QStringList{pty.slavePath()} : ports), boxes, clock);
        w->Timer1->stop();
    }
    // What one tick sends, up to a mark written after it.
    QByteArray tick(int bytes)
    {
        w->Timer1_Timer();
        if (!w->MSComm1->output("~").ok()) return "no port";
        const QByteArray got = pty.readBytes(bytes + 1);
        return got.endsWith('~') ? got.chopped(1) : got;
    }
};
} // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void shows()
    {
        Rig r;
        r.w->Text2->setText("1a");
        QCOMPARE(r.tick(0), QByteArray());
        r.w->Command1_Click();
        QCOMPARE(r.tick(12), QByteArray("\x02" "CHR1A03:09\x03"));
        QCOMPARE(r.w->Text2->text(), QString("1A"));
        r.w->Command5_Click();
        r.w->Picture1_MouseDown(Qt::LeftButton, false, 4799, 100);
        r.w->Picture1_MouseDown(Qt::RightButton, true, 100, 100);
        r.w->Picture1_MouseDown(Qt::LeftButton, false, 4800, 100);  // just past lamp 24: no lamp
        r.w->Picture2_MouseDown(Qt::LeftButton, false, 300, 100);
        QCOMPARE(r.tick(13), QByteArray("\x02TLYAX\x03\x02TLWB\x03"));
        // Each row shows its own inputs, lit red, dark grey, at the lamp's place.
        const auto lamp = [](platform::PictureBox *row, int i) { return testsupport::shownAt(*row, 200 * i + 100, 100); };
        const QColor lit(255, 0, 0), dark(128, 128, 128);
        QCOMPARE(lamp(r.w->Picture1, 23), lit);
        QCOMPARE(lamp(r.w->Picture1, 1), dark);
        QCOMPARE(lamp(r.w->Picture2, 1), lit);
        for (int i : {0, 22, 23}) QCOMPARE(lamp(r.w->Picture2, i), dark);
        r.w->Command5_Click();  // the clock show resumes
        QCOMPARE(r.tick(12), QByteArray("\x02" "CHR1A03:09\x03"));
    }

    void lampButtons()
    {
        Rig r;
        r.w->Text2->setText("??");
        for (QPushButton *b : {r.w->Command2, r.w->Command3, r.w->Command2, r.w->Command4}) QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(r.pty.readBytes(26), QByteArray("\x02TON00\x03\x02TWN00\x03\x02TOF00\x03\x02SID\x03"));
        QVERIFY(!r.w->Command2->font().bold() && r.w->Command3->font().bold());
        r.pty.write("\x02ton\x03\x02si1A\x03");  // the reply to SID fills in the address
        QTRY_COMPARE(r.w->Text2->text(), QString("1A"));
        QCOMPARE(r.w->windowTitle(), "Kandrel - Com1 (" + r.pty.slavePath() + ")");
        r.pty.closeMaster();
        QTRY_COMPARE(r.w->windowTitle(), "Kandrel - Com1 (" + r.pty.slavePath() + ") lost");
    }

    void noPortOpen()
    {
        Rig r({""});
        QCOMPARE(r.w->windowTitle(), QString("Kandrel - no serial port open"));
        r.w->Command2_Click();
        QVERIFY(!r.w->Command2->font().bold());  // no TON went out
        r.w->Combo1->setListIndex(15);
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.boxes.calls[0].text, QString("8010:Com16: no serial device has this number"));
    }
};

QTEST_MAIN(TestDemo)
#include "test_demo.moc"
