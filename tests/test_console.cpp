// The console window offscreen, its port on a pty.
#include "tests/support/consolerig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using console::ConsoleWindow;
using platform::MessageBoxes;
using platform::PortMap;
using testsupport::Pty;
using testsupport::RecordingBoxes;

using Rig = testsupport::ConsoleRig;
using testsupport::RecordingDialogs;

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void startState()
    {
        Rig r;
        ConsoleWindow &w = *r.w;
        QCOMPARE(w.windowTitle(), QString("ZIDID 显示控制器"));
        QCOMPARE(w.size(), QSize(628, 356));
        QCOMPARE(w.TallyID->text(), QString("??"));
        QCOMPARE(w.Combo1->count(), 16);
        QCOMPARE(w.Combo1->itemText(15), QString("Com16"));
        QCOMPARE(w.Combo1->listIndex(), 0);
        QCOMPARE(w.Combo2->count(), 10);
        QCOMPARE(w.Combo2->itemText(8), QString("反色"));
        QCOMPARE(w.Combo2->listIndex(), -1);
        QCOMPARE(w.Combo3->count(), 48);
        QCOMPARE(w.Combo3->itemText(47), QString("48"));
        QVERIFY(!w.Combo3->isEnabled());
        QVERIFY(!w.Combo4->isEnabled());
        QVERIFY(w.Test1->isHidden());
        QVERIFY(w.Command16->isHidden());
        QVERIFY(w.Text1->isHidden());
        QVERIFY(w.Command52->isHidden());
        QVERIFY(w.Label1->text().isEmpty());
        QCOMPARE(w.Command11->geometry(), QRect(472, 72, 121, 33));
        QCOMPARE(w.Command52->geometry(), QRect(528, 592, 65, 25));
        QCOMPARE(w.findChild<QWidget *>("Picture1")->geometry(), QRect(32, 168, 425, 105));
        QVERIFY(r.boxes.calls.isEmpty());
        QVERIFY(r.pty.drainFor(50).isEmpty());
    }

    void startupSearch_data()
    {
        QTest::addColumn<QList<int>>("free");
        QTest::addColumn<int>("chosen");
        QTest::newRow("3 and 5 free: port 3") << QList<int>{3, 5} << 3;
        QTest::newRow("only 16") << QList<int>{16} << 16;
        QTest::newRow("none") << QList<int>{} << 0;
    }
    void startupSearch()
    {
        QFETCH(QList<int>, free);
        QFETCH(int, chosen);
        std::vector<std::unique_ptr<Pty>> ptys;
        QStringList entries(16);
        for (int p : free) {
            ptys.push_back(std::make_unique<Pty>());
            entries[p - 1] = ptys.back()->slavePath();
        }
        qputenv("TALLY_SERIAL_PORTS", entries.join(':').toLocal8Bit());
        RecordingBoxes boxes;
        RecordingDialogs dialogs;
        ConsoleWindow w(PortMap::fromEnvironment(), boxes, dialogs);
        qunsetenv("TALLY_SERIAL_PORTS");

        QVERIFY(boxes.calls.isEmpty());
        QCOMPARE(w.Combo1->listIndex(), chosen - 1);
        QCOMPARE(w.MSComm1->portOpen(), chosen != 0);
        if (chosen == 0) {
            QCOMPARE(w.Combo1->shownText(), QString("选择串行端口"));
            return;
        }
        QCOMPARE(w.Combo1->currentText(), QString("Com%1").arg(chosen));
        QCOMPARE(w.MSComm1->commPort(), chosen);
        // Every other free port is left closed: another program can take it.
        for (int p : free) {
            if (p == chosen) continue;
            platform::SerialComm other(PortMap(entries), {});
            QVERIFY(other.setCommPort(p).ok());
            QVERIFY2(other.setPortOpen(true).ok(), "a port the search passed over was left open");
        }
    }

    void searchPassesOverHeldPort()
    {
        Pty three, five;
        const PortMap map({"", "", three.slavePath(), "", five.slavePath()});
        platform::SerialComm otherProgram(map, {});
        QVERIFY(otherProgram.setCommPort(3).ok());
        QVERIFY(otherProgram.setPortOpen(true).ok());
        RecordingBoxes boxes;
        RecordingDialogs dialogs;
        ConsoleWindow w(map, boxes, dialogs);
        QVERIFY(boxes.calls.isEmpty());
        QCOMPARE(w.Combo1->listIndex(), 4);
        QCOMPARE(w.MSComm1->commPort(), 5);
    }

    void choosingAbsentPortShowsPrompt()
    {
        Rig r;
        r.w->Label1->setText(console::kNoResponse);
        r.w->Combo1->setListIndex(15);
        QCOMPARE(r.boxes.calls.size(), 1);
        const RecordingBoxes::Call &c = r.boxes.calls.first();
        QCOMPARE(c.title, QString("Prompt"));
        QCOMPARE(c.icon, MessageBoxes::Icon::Information);
        QCOMPARE(c.buttons, MessageBoxes::Buttons::Ok);
        QVERIFY2(QRegularExpression("^\\d+: .*Com16").match(c.text).hasMatch(), qPrintable(c.text));
        QVERIFY(!r.w->MSComm1->portOpen());
        QVERIFY(r.w->Label1->text().isEmpty());
        // Choosing port 1 again works.
        r.w->Combo1->setListIndex(0);
        QVERIFY(r.w->MSComm1->portOpen());
    }

    void choosingOpenPortAgainReopensAndClearsStatus()
    {
        Rig r;
        r.w->Label1->setText(console::kNoResponse);
        emit r.w->Combo1->activated(0);
        QVERIFY(r.w->Label1->text().isEmpty());
        QVERIFY(r.w->MSComm1->portOpen());
        QVERIFY(r.boxes.calls.isEmpty());
    }

    void queryAddressOnEnter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("field");
        QTest::newRow("design text") << "??" << QByteArray("\x02QID00\x03") << "00";
        QTest::newRow("1a") << "1a" << QByteArray("\x02QID1A\x03") << "1A";
        QTest::newRow("123") << "123" << QByteArray("\x02QID23\x03") << "23";
    }
    void queryAddressOnEnter()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, frame);
        QFETCH(QString, field);
        Rig r;
        r.w->TallyID->setText(typed);
        r.w->Label1->setText("untouched");
        QTest::keyClick(r.w->TallyID, Qt::Key_Return);
        QCOMPARE(r.pty.readFrame(), frame);
        QCOMPARE(r.w->TallyID->text(), field);
        QCOMPARE(r.w->Label1->text(), QString("untouched"));
        QTest::keyClick(r.w->TallyID, Qt::Key_Enter);
        QCOMPARE(r.pty.readFrame(), frame);
    }

    void otherKeysSendNothing()
    {
        Rig r;
        r.w->TallyID->setText("");
        QTest::keyClicks(r.w->TallyID, "1a");
        QTest::keyClick(r.w->TallyID, Qt::Key_Tab);
        QTest::keyClick(r.w->TallyID, Qt::Key_Escape);
        QCOMPARE(r.w->TallyID->text(), QString("1a"));
        QVERIFY(r.pty.drainFor(100).isEmpty());
    }

    void showAddressClearsStatus()
    {
        Rig r;
        r.w->TallyID->setText("5");
        r.w->Label1->setText(console::kNoResponse);
        QTest::mouseClick(r.w->Command7, Qt::LeftButton);
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02SID\x03"));
        QVERIFY(r.w->Label1->text().isEmpty());
        QCOMPARE(r.w->TallyID->text(), QString("5"));
    }

    void setAddressControlsToggle()
    {
        Rig r;
        r.w->Command51_Click();
        QCOMPARE(r.boxes.calls.size(), 1);
        QCOMPARE(r.boxes.calls[0].title, QString("警告"));
        QCOMPARE(r.boxes.calls[0].text, QString("执行此操作时控制线只能连接单独一个泰丽灯！"));
        QCOMPARE(r.boxes.calls[0].icon, MessageBoxes::Icon::Critical);
        QVERIFY(!r.w->Command52->isHidden());
        QVERIFY(!r.w->Text1->isHidden());
        r.w->Command51_Click();
        QCOMPARE(r.boxes.calls.size(), 1);
        QVERIFY(r.w->Command52->isHidden());
        QVERIFY(r.w->Text1->isHidden());
    }

    void setAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("next");
        QTest::newRow("A1") << "A1" << QByteArray("\x02SETIDA1\x03") << "A2";
        QTest::newRow("FE") << "FE" << QByteArray("\x02SETIDFE\x03") << "01";
        QTest::newRow("FF") << "FF" << QByteArray("\x02SETID01\x03") << "02";
        QTest::newRow("five digits") << "10000" << QByteArray("\x02SETID01\x03") << "02";
    }
    void setAddress()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, frame);
        QFETCH(QString, next);
        Rig r;
        r.w->TallyID->setText("7");
        r.w->Label1->setText(console::kNoResponse);
        r.w->Text1->setText(text);
        r.w->Command52_Click();
        QCOMPARE(r.pty.readFrame(), frame);
        QCOMPARE(r.w->Text1->text(), next);
        QCOMPARE(r.w->TallyID->text(), QString("7"));
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }

    void noPortOpenSaysNotSent()
    {
        RecordingBoxes boxes;
        RecordingDialogs dialogs;
        ConsoleWindow w(PortMap(), boxes, dialogs);
        QVERIFY(!w.MSComm1->portOpen());
        w.Command7_Click();
        QCOMPARE(w.Label1->text(), console::kNotSent);
        w.Label1->clear();
        QTest::keyClick(w.TallyID, Qt::Key_Return);
        QCOMPARE(w.Label1->text(), console::kNotSent);
        w.Text1->setText("A1");
        w.Label1->clear();
        w.Command52_Click();
        QCOMPARE(w.Label1->text(), console::kNotSent);
        QCOMPARE(w.Text1->text(), QString("A1"));  // not given, so not moved on
        QVERIFY(boxes.calls.isEmpty());
    }

    void lostPortIsReportedAndChosenAgain()
    {
        testsupport::ReplugPort port;
        RecordingBoxes boxes;
        RecordingDialogs dialogs;
        ConsoleWindow w(PortMap({port.path()}), boxes, dialogs);
        QVERIFY(w.MSComm1->portOpen());
        port.unplug();
        QTRY_VERIFY(!w.MSComm1->portOpen());
        QVERIFY2(w.Label1->text().contains("lost"), qPrintable(w.Label1->text()));
        w.Command7_Click();
        QCOMPARE(w.Label1->text(), console::kNotSent);

        port.replug();
        emit w.Combo1->activated(0);
        QVERIFY(boxes.calls.isEmpty());
        QVERIFY(w.MSComm1->portOpen());
        w.Command7_Click();
        QCOMPARE(port.pty().readFrame(), QByteArray("\x02SID\x03"));
    }
};

QTEST_MAIN(TestConsole)
#include "test_console.moc"
