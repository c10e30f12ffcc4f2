// Display configuration, parallel inputs, tally and text commands.
#include "tests/support/consolerig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using testsupport::ConsoleRig;

namespace {
bool bold(const QWidget *w) { return w->font().bold(); }
} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void displayMode_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("pxr");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("无") << 0 << false << QByteArray("\x02" "CFG0100\x03");
        QTest::newRow("宽度3") << 3 << false << QByteArray("\x02" "CFG0103\x03");
        QTest::newRow("宽度3 PXR-09") << 3 << true << QByteArray("\x02" "CFG0123\x03");
        QTest::newRow("宽度7") << 7 << false << QByteArray("\x02" "CFG0107\x03");
        QTest::newRow("反色") << 8 << false << QByteArray("\x02" "CFG0180\x03");
        QTest::newRow("反色 PXR-09") << 8 << true << QByteArray("\x02" "CFG01A0\x03");
        QTest::newRow("音量") << 9 << false << QByteArray("\x02" "CFG0140\x03");
        QTest::newRow("音量 PXR-09") << 9 << true << QByteArray("\x02" "CFG0160\x03");
    }
    void displayMode()
    {
        QFETCH(int, index);
        QFETCH(bool, pxr);
        QFETCH(QByteArray, frame);
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Check1->setChecked(pxr);
        QVERIFY(r.pty.drainFor(30).isEmpty());  // ticking sends nothing
        r.w->Combo2->setListIndex(index);
        QCOMPARE(r.pty.readFrame(), frame);
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }

    void displayModeWithNothingChosen()
    {
        ConsoleRig r;
        r.w->Combo2_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02" "CFG0000\x03"));
        QCOMPARE(r.w->TallyID->text(), QString("00"));
    }

    void inputChoices_data()
    {
        QTest::addColumn<bool>("pvw");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("monitor");
        QTest::newRow("PGM 05") << false << 4 << QByteArray("\x02GPI01E\x03") << "GPI01E";
        QTest::newRow("PGM 48") << false << 47 << QByteArray("\x02GPI01p\x03") << "GPI01p";
        QTest::newRow("PVW 01") << true << 0 << QByteArray("\x02GPW01A\x03") << "GPW01A";
    }
    void inputChoices()
    {
        QFETCH(bool, pvw);
        QFETCH(int, index);
        QFETCH(QByteArray, frame);
        QFETCH(QString, monitor);
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Check1->setChecked(true);
        QVERIFY(r.w->Combo3->isEnabled() && r.w->Combo4->isEnabled());
        QCOMPARE(r.w->Combo3->shownText(), QString("对应并行输入"));
        (pvw ? r.w->Combo4 : r.w->Combo3)->setListIndex(index);
        QCOMPARE(r.pty.readFrame(), frame);
        QCOMPARE(r.w->Label2->text(), monitor);
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }

    void untickingSendsAddressAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("1") << "1" << QByteArray("\x02GPI1@\x03");
        QTest::newRow("design text") << "??" << QByteArray("\x02GPI??@\x03");
        QTest::newRow("pasted STX and ETX") << QString("1\x02\x03") << QByteArray("\x02GPI1??@\x03");
        QTest::newRow("non-ASCII") << QString::fromUtf8("é1") << QByteArray("\x02GPI?1@\x03");
    }
    void untickingSendsAddressAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, frame);
        ConsoleRig r;
        r.w->Check1->setChecked(true);
        r.w->Combo3->setListIndex(4);
        r.pty.readFrame();
        r.w->TallyID->setText(typed);
        r.w->Label1->setText("kept");
        r.w->Check1->setChecked(false);
        QCOMPARE(r.pty.readFrame(), frame);
        QVERIFY(r.pty.drainFor(50).isEmpty());
        QCOMPARE(r.w->TallyID->text(), typed);
        QCOMPARE(r.w->Label2->text(), QString(frame.mid(1, frame.size() - 2)));
        QCOMPARE(r.w->Label1->text(), QString("kept"));
        QVERIFY(!r.w->Combo3->isEnabled() && !r.w->Combo4->isEnabled());
        QCOMPARE(r.w->Combo3->listIndex(), -1);
        QCOMPARE(r.w->Combo3->shownText(), QString("对应并行输入"));
    }

    void inputReports_data()
    {
        QTest::addColumn<bool>("tickedBefore");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("pgm");
        QTest::addColumn<QString>("pvw");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("gpiEB") << false << QByteArray("\x02gpiEB\x03") << true << "05" << "02" << QByteArray();
        QTest::newRow("gpiE@") << false << QByteArray("\x02gpiE@\x03") << true << "05" << "00" << QByteArray();
        QTest::newRow("gpi@@ while unticked") << false << QByteArray("\x02gpi@@\x03") << false << "对应并行输入"
                                             << "对应并行输入" << QByteArray();
        QTest::newRow("gpi@@ while ticked") << true << QByteArray("\x02gpi@@\x03") << false << "对应并行输入"
                                           << "对应并行输入" << QByteArray("\x02GPI07@\x03");
        QTest::newRow("gpi@x while ticked") << true << QByteArray("\x02gpi@x\x03") << false << "对应并行输入"
                                           << "对应并行输入" << QByteArray("\x02GPI07@\x03");
        QTest::newRow("short gpi ignored") << false << QByteArray("\x02gpiE\x03") << false << "对应并行输入"
                                          << "对应并行输入" << QByteArray();
        QTest::newRow("long gpi ignored") << false << QByteArray("\x02gpiEBC\x03") << false << "对应并行输入"
                                         << "对应并行输入" << QByteArray();
    }
    void inputReports()
    {
        QFETCH(bool, tickedBefore);
        QFETCH(QByteArray, reply);
        QFETCH(bool, ticked);
        QFETCH(QString, pgm);
        QFETCH(QString, pvw);
        QFETCH(QByteArray, sent);
        ConsoleRig r;
        r.w->TallyID->setText("07");
        r.w->Check1->setChecked(tickedBefore);
        r.pty.write(reply);
        QTRY_VERIFY(r.w->Label2->text().endsWith("[ETX]") || r.w->Label2->text().startsWith("GPI"));
        QCOMPARE(r.w->Check1->isChecked(), ticked);
        QCOMPARE(r.w->Combo3->listIndex(), -1);
        QCOMPARE(r.w->Combo4->listIndex(), -1);
        QCOMPARE(r.w->Combo3->shownText(), pgm);
        QCOMPARE(r.w->Combo4->shownText(), pvw);
        if (sent.isEmpty())
            QVERIFY(r.pty.drainFor(50).isEmpty());
        else
            QCOMPARE(r.pty.drainFor(100), sent);  // exactly one frame: no loop
    }

    void pgmToggles()
    {
        ConsoleRig r;
        r.w->TallyID->setText("??");
        r.w->Command22_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02TON00\x03"));
        QVERIFY(bold(r.w->Command22));
        QCOMPARE(r.w->TallyID->text(), QString("00"));
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
        r.w->Command22_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02TOF00\x03"));
        QVERIFY(!bold(r.w->Command22));
    }

    void flashSequence()
    {
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Command22_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02TON01\x03"));
        r.w->Command21_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02TFH01\x03"));
        QVERIFY(bold(r.w->Command21));
        r.w->Command21_Click();
        QCOMPARE(r.pty.drainFor(100), QByteArray("\x02TON01\x03\x02TWF01\x03"));
        QVERIFY(!bold(r.w->Command21));
        QVERIFY(bold(r.w->Command22));
        QVERIFY(!bold(r.w->Command23));
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }

    void pgmWhileFlashingStopsFlash()
    {
        ConsoleRig r;
        r.w->TallyID->setText("2");
        r.w->Command21_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02TFH02\x03"));
        r.w->Command22_Click();
        QCOMPARE(r.pty.drainFor(100), QByteArray("\x02TON02\x03"));
        QVERIFY(!bold(r.w->Command21));
        QVERIFY(!r.w->FlashOn);
    }

    void pvwIsMomentaryInPxrMode()
    {
        ConsoleRig r;
        r.w->TallyID->setText("3");
        r.w->Check1->setChecked(true);
        for (int i = 0; i < 3; ++i) {
            r.w->Command23_Click();
            QCOMPARE(r.pty.readFrame(), QByteArray("\x02TWN03\x03"));
            QVERIFY(!bold(r.w->Command23));
        }
    }

    void text_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start text") << "ABCDE" << QByteArray("\x02" "CHR01ABCDE\x03") << "ABCDE";
        QTest::newRow("AB") << "AB" << QByteArray("\x02" "CHR01   AB\x03") << "   AB";
        QTest::newRow("ABCDEFG") << "ABCDEFG" << QByteArray("\x02" "CHR01CDEFG\x03") << "CDEFG";
        QTest::newRow("empty") << "" << QByteArray("\x02" "CHR01     \x03") << "     ";
        QTest::newRow("non-ASCII") << QString::fromUtf8("中文AB") << QByteArray("\x02" "CHR01 ??AB\x03")
                                   << QString::fromUtf8(" 中文AB");
        QTest::newRow("pasted ETX") << QString("A\x03" "B") << QByteArray("\x02" "CHR01  A?B\x03")
                                    << QString("  A\x03" "B");
        QTest::newRow("one emoji is one byte") << QString::fromUtf8("x\xF0\x9F\x98\x80") << QByteArray("\x02" "CHR01   x?\x03")
                                               << QString::fromUtf8("   x\xF0\x9F\x98\x80");
    }
    void text()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, frame);
        QFETCH(QString, shown);
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Text3->setText(typed);
        r.w->Command13_Click();
        const QByteArray got = r.pty.readFrame();
        QCOMPARE(got, frame);
        QCOMPARE(got.size(), 12);
        QCOMPARE(r.w->Text3->text(), shown);
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
