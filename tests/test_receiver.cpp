// The console's reply handling, fed through its window-free view.
#include "tests/support/recordingview.h"

#include <QTest>

using testsupport::ReceiverRig;

namespace {
const QByteArray kFF32 = QByteArray("FF").repeated(32);
const QString kFFText = QString("FF ").repeated(32);

QString lastBox(const testsupport::RecordingBoxes &b)
{
    if (b.calls.isEmpty()) return {};
    const auto &c = b.calls.last();
    static const char *icons[] = {"None", "Information", "Exclamation", "Critical", "Question"};
    static const char *buttons[] = {"Ok", "OkCancel", "RetryCancel"};
    return QStringLiteral("%1 %2 %3/%4").arg(icons[int(c.icon)], buttons[int(c.buttons)], c.title, c.text);
}
} // namespace

class TestReceiver : public QObject {
    Q_OBJECT
private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("image");
        const QString written = "LED unit has been written!";
        QTest::newRow("STX ton ETX") << QByteArray("\x02ton\x03") << "ton" << "" << "";
        QTest::newRow("STX tfh12 ETX") << QByteArray("\x02tfh12\x03") << "tfh1" << "" << "";
        QTest::newRow("STX wrr ETX") << QByteArray("\x02wrr\x03") << written << "" << "";
        QTest::newRow("STX wrm ETX") << QByteArray("\x02wrm\x03") << written << "" << "";
        QTest::newRow("STX TON ETX is unknown") << QByteArray("\x02TON\x03") << "TON" << "" << "";
        QTest::newRow("ab ETX before any STX") << QByteArray("ab\x03") << "ab" << "" << "";
        QTest::newRow("STX tf ETX h7 ETX") << QByteArray("\x02tf\x03h7\x03") << "tfh7" << "" << "";
        QTest::newRow("STX rdm FFx32 E0 ETX") << "\x02rdm" + kFF32 + "E0\x03" << "Download finished!" << "" << kFFText;
        QTest::newRow("STX rdr FFx32 e0 ETX") << "\x02rdr" + kFF32 + "e0\x03" << "Download CRC Error"
                                              << "Critical Ok Warning!/Download CRC Error" << kFFText;
        QTest::newRow("STX err1 ETX") << QByteArray("\x02" "err1\x03") << "" << "Critical Ok Warning!/Command Error" << "";
        QTest::newRow("STX err2 ETX") << QByteArray("\x02" "err2\x03") << "" << "Question RetryCancel Warning!/CRC Error" << "";
        QTest::newRow("STX err3 ETX") << QByteArray("\x02" "err3\x03") << "" << "Critical Ok Warning!/Programming Error" << "";
        QTest::newRow("STX err9 ETX") << QByteArray("\x02" "err9\x03") << "" << "" << "";
        QTest::newRow("STX a x5000 ETX dropped") << "\x02" + QByteArray(5000, 'a') + "\x03" << "" << "" << "";
    }
    void frames()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, status);
        QFETCH(QString, box);
        QFETCH(QString, image);
        ReceiverRig r;
        r.view.status = "No Response";
        r.feed(line);
        QCOMPARE(r.view.status, status);
        QCOMPARE(lastBox(r.view.recorded), box);
        QCOMPARE(r.view.image, image);
    }

    void tallyLists_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("pgm");
        QTest::addColumn<QString>("pvw");
        QTest::newRow("STX TLYAC ETX") << QByteArray("\x02TLYAC\x03") << "PGM: 03 01" << "";
        QTest::newRow("STX TLW ETX") << QByteArray("\x02TLW\x03") << "" << "PVW:";
        QTest::newRow("STX TLWX ETX") << QByteArray("\x02TLWX\x03") << "" << "PVW: 24";
        QTest::newRow("STX TLY0@ ETX") << QByteArray("\x02TLY0@\x03") << "PGM: 00 -16" << "";
    }
    void tallyLists()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, pgm);
        QFETCH(QString, pvw);
        ReceiverRig r;
        r.feed(line);
        QCOMPARE(r.view.programList, pgm);
        QCOMPARE(r.view.previewList, pvw);
        QCOMPARE(r.view.status, QString());
    }

    void inputReports_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("pxr");
        QTest::addColumn<QString>("pgm");
        QTest::addColumn<QString>("pvw");
        QTest::newRow("STX gpiEB ETX") << QByteArray("\x02gpiEB\x03") << 1 << "05" << "02";
        QTest::newRow("STX gpiE@ ETX") << QByteArray("\x02gpiE@\x03") << 1 << "05" << "00";
        QTest::newRow("STX gpi@x ETX") << QByteArray("\x02gpi@x\x03") << 0 << "" << "-";
        QTest::newRow("STX gpiE ETX ignored") << QByteArray("\x02gpiE\x03") << -1 << "-" << "-";
        QTest::newRow("STX gpiEBC ETX ignored") << QByteArray("\x02gpiEBC\x03") << -1 << "-" << "-";
    }
    void inputReports()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, pxr);
        QFETCH(QString, pgm);
        QFETCH(QString, pvw);
        ReceiverRig r;
        r.feed(line);
        QCOMPARE(r.view.pxr, pxr);
        QCOMPARE(r.view.pgmInput, pgm);
        QCOMPARE(r.view.pvwInput, pvw);
    }

    void monitorIsBounded()
    {
        ReceiverRig r;
        QByteArray body;
        for (int i = 0; i < 80; ++i) body += char('A' + i % 26);
        r.feed("\x02" + body + "\x03");
        QCOMPARE(r.view.mon, "[STX]" + QString(body.left(59)) + QString(body.right(1)) + "[ETX]");
        QCOMPARE(r.view.status, QString(body));
        r.feed("\x02tf\x03h7");
        QCOMPARE(r.view.mon, QString("[STX]tf[ETX]h7"));
        r.feed(QByteArray(2000, '\x03'));  // ETX without STX must not grow it
        QCOMPARE(r.view.mon.size(), 70);
    }
};

QTEST_GUILESS_MAIN(TestReceiver)
#include "test_receiver.moc"
