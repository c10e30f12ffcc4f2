// The dot image editor and the image transfers between console and unit.
#include "console/dotimage.h"
#include "tests/support/consolerig.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

using console::ConsoleWindow;
using platform::MessageBoxes;
using testsupport::ConsoleRig;

namespace {
const QString kZeroText = QString("00 ").repeated(32);
const QByteArray kZeros = QByteArray("00").repeated(32);
const QByteArray kCount = "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F";

void clickCanvas(ConsoleWindow &w, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(w.Picture1, button, Qt::NoModifier, at);
}
} // namespace

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void clicksSetDots_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("top-left") << QPoint(1, 1) << int(Qt::LeftButton) << "80 " + QString("00 ").repeated(31);
        QTest::newRow("bottom-left") << QPoint(1, 104) << int(Qt::LeftButton) << "01 " + QString("00 ").repeated(31);
        QTest::newRow("bottom-right") << QPoint(424, 104) << int(Qt::LeftButton) << QString("00 ").repeated(31) + "01 ";
        QTest::newRow("right button, column 1 row 6") << QPoint(20, 20) << int(Qt::RightButton)
                                                       << "00 40 " + QString("00 ").repeated(30);
    }
    void clicksSetDots()
    {
        QFETCH(QPoint, at);
        QFETCH(int, button);
        QFETCH(QString, text);
        ConsoleRig r;
        clickCanvas(*r.w, at, Qt::MouseButton(button));
        QCOMPARE(r.w->Test1->text(), text);
        clickCanvas(*r.w, at, Qt::MouseButton(button));
        QCOMPARE(r.w->Test1->text(), kZeroText);
    }

    void clickDrawsOnlyThatDot()
    {
        ConsoleRig r;
        clickCanvas(*r.w, QPoint(1, 1));
        QCOMPARE(r.w->Picture1->colorAt(100, 1500), QColor(255, 0, 0));
        QCOMPARE(r.w->Picture1->colorAt(300, 1500), QColor(0, 0, 0));
        clickCanvas(*r.w, QPoint(1, 1));
        QCOMPARE(r.w->Picture1->colorAt(100, 1500), QColor(0, 0, 0));
    }

    void hexTextReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("FF alone lights the left column") << "FF" << "FF " + QString("00 ").repeated(31);
        QTest::newRow("lower case") << "a5 " + QString("0f ").repeated(31) << "A5 " + QString("0F ").repeated(31);
        QTest::newRow("further lines ignored") << "80 " + QString("00 ").repeated(30) + "01 \r\nFF FF FF\r\n"
                                               << "80 " + QString("00 ").repeated(30) + "01 ";
        QTest::newRow("space inside a pair") << " 1 2" << "01 02 " + QString("00 ").repeated(30);
        QTest::newRow("no hex digits") << "zz yy" << kZeroText;
        QTest::newRow("position 95 never read") << QString("00 ").repeated(31) + "0F" << QString("00 ").repeated(31) + "0F ";
        QTest::newRow("empty") << "" << kZeroText;
    }
    void hexTextReading()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        ConsoleRig r;
        r.w->Test1->setText(text);
        r.w->HexToPicture();
        r.w->PictureToHex();
        QCOMPARE(r.w->Test1->text(), written);
    }

    void lastColumnReadsTwoCharactersOnly()
    {
        const console::DotGrid dots = console::hexToDots(QString("00 ").repeated(31) + "0FF");
        QCOMPARE(dots[31][0], true);
        QCOMPARE(dots[31][3], true);
        QCOMPARE(dots[31][4], false);
    }

    void clearLeavesTextEmpty()
    {
        ConsoleRig r;
        clickCanvas(*r.w, QPoint(1, 1));
        r.w->Label1->setText("x");
        r.w->Label2->setText("y");
        r.w->Command6_Click();
        QCOMPARE(r.w->Test1->text(), QString());
        QCOMPARE(r.w->Label1->text(), QString());
        QCOMPARE(r.w->Label2->text(), QString());
        QCOMPARE(r.w->Picture1->colorAt(100, 1500), QColor(0, 0, 0));
        clickCanvas(*r.w, QPoint(424, 104));
        QCOMPARE(r.w->Test1->text(), QString("00 ").repeated(31) + "01 ");
    }

    void canvasPointer()
    {
        ConsoleRig r;
        const QCursor c = r.w->Picture1->cursor();
        QCOMPARE(c.hotSpot(), QPoint(12, 1));
        QCOMPARE(c.pixmap().size(), QSize(32, 32));
    }

    void uploads_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("shown");
        QTest::newRow("dark to 01") << "1" << "" << "\x02WRR01" + kZeros + "01\x03" << "01";
        QTest::newRow("dark to 00") << "??" << "" << "\x02WRR00" + kZeros + "00\x03" << "00";
        QTest::newRow("lit to 01") << "01" << QString("FF ").repeated(32)
                                   << "\x02WRR01" + QByteArray("FF").repeated(32) + "E1\x03" << "01";
    }
    void uploads()
    {
        QFETCH(QString, address);
        QFETCH(QString, image);
        QFETCH(QByteArray, frame);
        QFETCH(QString, shown);
        ConsoleRig r;
        r.w->Test1->setText(image);
        r.w->HexToPicture();
        r.w->TallyID->setText(address);
        r.w->Command10_Click();
        const QByteArray got = r.pty.readFrame();
        QCOMPARE(got, frame);
        QCOMPARE(got.size(), 73);
        QCOMPARE(r.w->TallyID->text(), shown);
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }

    void uploadToPromAsksFirst()
    {
        ConsoleRig r;
        r.w->TallyID->setText("2");
        r.w->Label1->setText(console::kNoResponse);
        QString statusDuringBox = "unset";
        r.boxes.whileOpen = [&] { statusDuringBox = r.w->Label1->text(); };
        r.w->Command4_Click();
        QCOMPARE(r.pty.readFrame(), "\x02WRM02" + kZeros + "02\x03");
        QCOMPARE(statusDuringBox, QString());
        QCOMPARE(r.boxes.calls.size(), 1);
        const auto &c = r.boxes.calls[0];
        QCOMPARE(c.title, QString("Warning!"));
        QCOMPARE(c.text, QString("The programed data will been replaced!\r\nDo you want to go on?"));
        QCOMPARE(c.icon, MessageBoxes::Icon::Exclamation);
        QCOMPARE(c.buttons, MessageBoxes::Buttons::OkCancel);
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
    }

    void uploadToPromCancelled()
    {
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Test1->setText("kept");
        r.w->Label1->setText(console::kNoResponse);
        r.boxes.answers = {MessageBoxes::Button::Cancel};
        r.w->Command4_Click();
        QCOMPARE(r.w->Label1->text(), QString());
        QCOMPARE(r.w->TallyID->text(), QString("1"));
        QCOMPARE(r.w->Test1->text(), QString("kept"));
        QVERIFY(r.pty.drainFor(100).isEmpty());
    }

    void copyRamToProm_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("status");
        QTest::newRow("OK") << int(MessageBoxes::Button::Ok) << QByteArray("\x02RTM01\x03") << console::kNoResponse;
        QTest::newRow("Cancel") << int(MessageBoxes::Button::Cancel) << QByteArray() << QString();
    }
    void copyRamToProm()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, frame);
        QFETCH(QString, status);
        ConsoleRig r;
        r.w->TallyID->setText("1");
        r.w->Label1->setText("old");
        QString fieldDuringBox;
        r.boxes.whileOpen = [&] { fieldDuringBox = r.w->TallyID->text(); };
        r.boxes.answers = {MessageBoxes::Button(answer)};
        r.w->Command11_Click();
        QCOMPARE(fieldDuringBox, QString("01"));
        QCOMPARE(r.w->TallyID->text(), QString("01"));
        QCOMPARE(r.w->Label1->text(), status);
        if (frame.isEmpty())
            QVERIFY(r.pty.drainFor(100).isEmpty());
        else
            QCOMPARE(r.pty.readFrame(), frame);
    }

    void copyPromToRamHasNoAddress()
    {
        ConsoleRig r;
        r.w->Label1->setText(console::kNoResponse);
        r.w->Command12_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02MTR\x03"));
        QCOMPARE(r.w->TallyID->text(), QString("??"));
        QCOMPARE(r.w->Label1->text(), QString());
    }

    void downloadsEmptyTextAtOnce_data()
    {
        QTest::addColumn<bool>("prom");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("PROM") << true << QByteArray("\x02RDM00\x03");
        QTest::newRow("RAM") << false << QByteArray("\x02RDR00\x03");
    }
    void downloadsEmptyTextAtOnce()
    {
        QFETCH(bool, prom);
        QFETCH(QByteArray, frame);
        ConsoleRig r;
        r.w->Test1->setText(QString("FF ").repeated(32));
        prom ? r.w->Command3_Click() : r.w->Command9_Click();
        QCOMPARE(r.w->Test1->text(), QString());
        QCOMPARE(r.w->TallyID->text(), QString("00"));
        QCOMPARE(r.w->Label1->text(), console::kNoResponse);
        QCOMPARE(r.pty.readFrame(), frame);
    }

    void noPortMeansNotSent()
    {
        testsupport::RecordingBoxes boxes;
        testsupport::RecordingDialogs dialogs;
        ConsoleWindow w(platform::PortMap(), boxes, dialogs);
        w.Command10_Click();
        QCOMPARE(w.Label1->text(), console::kNotSent);
        w.Command3_Click();
        QCOMPARE(w.Label1->text(), console::kNotSent);
    }

    void roundTrip()
    {
        ConsoleRig r;
        r.w->TallyID->setText("5");
        r.w->Command9_Click();
        QCOMPARE(r.pty.readFrame(), QByteArray("\x02RDR05\x03"));
        r.pty.write("\x02rdr" + kCount + "F0\x03");  // 0 + 1 + ... + 31 = 0x1F0
        QTRY_COMPARE(r.w->Label1->text(), QString("Download finished!"));
        QVERIFY(r.boxes.calls.isEmpty());
        r.w->Command10_Click();
        QCOMPARE(r.pty.readFrame(), "\x02WRR05" + kCount + "F5\x03");  // 0x1F0 + 5
    }
};

QTEST_MAIN(TestImage)
#include "test_image.moc"
