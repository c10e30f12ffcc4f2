// The console's reply handling, fed through its window-free view.
#include "tests/support/recordingview.h"

#include <QTest>

namespace {
const QByteArray kFF32 = QByteArray("FF").repeated(32);
const QString kFFText = QString("FF ").repeated(32);

// What the view shows that differs from a fresh one.
QStringList shown(const testsupport::RecordingView &v)
{
    QStringList s;
    static const char *icons[] = {"None", "Information", "Exclamation", "Critical", "Question"};
    static const char *buttons[] = {"Ok", "OkCancel", "RetryCancel"};
    if (!v.status.isEmpty()) s << "status " + v.status;
    for (const auto &c : v.recorded.calls)
        s << QStringLiteral("box %1 %2 %3/%4").arg(icons[int(c.icon)], buttons[int(c.buttons)], c.title, c.text);
    if (!v.image.isEmpty()) s << "image " + v.image;
    if (!v.programList.isEmpty() || !v.previewList.isEmpty()) s << "lists " + v.programList + "|" + v.previewList;
    if (v.pxr >= 0) s << QStringLiteral("PXR-09 %1").arg(v.pxr);
    if (v.pgmInput != "-" || v.pvwInput != "-") s << "inputs " + v.pgmInput + "|" + v.pvwInput;
    return s;
}
} // namespace

class TestReceiver : public QObject {
    Q_OBJECT
private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("view");
        const QString written = "status LED unit has been written!";
        QTest::newRow("STX ton ETX") << QByteArray("\x02ton\x03") << QStringList{"status ton"};
        QTest::newRow("STX tfh12 ETX") << QByteArray("\x02tfh12\x03") << QStringList{"status tfh1"};
        QTest::newRow("STX wrr ETX") << QByteArray("\x02wrr\x03") << QStringList{written};
        QTest::newRow("STX wrm ETX") << QByteArray("\x02wrm\x03") << QStringList{written};
        QTest::newRow("STX TON ETX is unknown") << QByteArray("\x02TON\x03") << QStringList{"status TON"};
        QTest::newRow("ab ETX before any STX") << QByteArray("ab\x03") << QStringList{"status ab"};
        QTest::newRow("STX tf ETX h7 ETX") << QByteArray("\x02tf\x03h7\x03") << QStringList{"status tfh7"};
        QTest::newRow("STX rdm FFx32 E0 ETX") << "\x02rdm" + kFF32 + "E0\x03" << QStringList{"status Download finished!", "image " + kFFText};
        QTest::newRow("STX rdr FFx32 e0 ETX") << "\x02rdr" + kFF32 + "e0\x03"
            << QStringList{"status Download CRC Error", "box Critical Ok Warning!/Download CRC Error", "image " + kFFText};
        QTest::newRow("STX err1 ETX") << QByteArray("\x02" "err1\x03") << QStringList{"box Critical Ok Warning!/Command Error"};
        QTest::newRow("STX err2 ETX") << QByteArray("\x02" "err2\x03") << QStringList{"box Question RetryCancel Warning!/CRC Error"};
        QTest::newRow("STX err3 ETX") << QByteArray("\x02" "err3\x03") << QStringList{"box Critical Ok Warning!/Programming Error"};
        QTest::newRow("STX err9 ETX") << QByteArray("\x02" "err9\x03") << QStringList{};
        QTest::newRow("STX a x5000 ETX dropped") << "\x02" + QByteArray(5000, 'a') + "\x03" << QStringList{};
        QTest::newRow("STX TLYAC ETX") << QByteArray("\x02TLYAC\x03") << QStringList{"lists PGM: 03 01|"};
        QTest::newRow("STX TLW ETX") << QByteArray("\x02TLW\x03") << QStringList{"lists |PVW:"};
        QTest::newRow("STX TLWX ETX") << QByteArray("\x02TLWX\x03") << QStringList{"lists |PVW: 24"};
        QTest::newRow("STX TLY0@ ETX") << QByteArray("\x02TLY0@\x03") << QStringList{"lists PGM: 00 -16|"};
        QTest::newRow("STX gpiEB ETX") << QByteArray("\x02gpiEB\x03") << QStringList{"PXR-09 1", "inputs 05|02"};
        QTest::newRow("STX gpiE@ ETX") << QByteArray("\x02gpiE@\x03") << QStringList{"PXR-09 1", "inputs 05|00"};
        QTest::newRow("STX gpi@x ETX") << QByteArray("\x02gpi@x\x03") << QStringList{"PXR-09 0", "inputs |-"};
        QTest::newRow("STX gpiE ETX ignored") << QByteArray("\x02gpiE\x03") << QStringList{};
        QTest::newRow("STX gpiEBC ETX ignored") << QByteArray("\x02gpiEBC\x03") << QStringList{};
    }
    void frames()
    {
        QFETCH(QByteArray, line);
        testsupport::ReceiverRig r;
        r.view.status = "No Response";  // until the STX
        r.feed(line);
        QTEST(shown(r.view), "view");
    }

    void monitorIsBounded()
    {
        testsupport::ReceiverRig r;
        QByteArray body;
        for (int i = 0; i < 80; ++i) body += char('A' + i % 26);
        r.feed("\x02" + body + "\x03");
        QCOMPARE(r.view.mon, "[STX]" + QString(body.left(59)) + QString(body.right(1)) + "[ETX]");
        r.feed("\x02tf\x03h7");
        QCOMPARE(r.view.mon, QString("[STX]tf[ETX]h7"));
        r.feed(QByteArray(2000, '\x03'));  // ETX without STX must not grow it
        QCOMPARE(r.view.mon.size(), 70);
    }
};

QTEST_GUILESS_MAIN(TestReceiver)
#include "test_receiver.moc"
