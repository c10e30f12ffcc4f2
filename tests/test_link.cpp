// Protocol core without ports or windows: hand-written rows.
#include "link/frame.h"
#include "link/replybuffer.h"

#include <QTest>

using namespace unitlink;

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void normalise_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        QTest::newRow("1") << "1" << "01";
        QTest::newRow("1a") << "1a" << "1A";
        QTest::newRow("123 keeps the low byte") << "123" << "23";
        QTest::newRow("??") << "??" << "00";
        QTest::newRow("G1") << "G1" << "00";
        QTest::newRow("42 digits") << QString(40, QLatin1Char('F')) + "3c" << "3C";
        QTest::newRow("7 then non-ASCII") << QString::fromUtf8("7中") << "07";
    }
    void normalise()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QCOMPARE(normaliseAddress(text), address);
    }

    void setId_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("next");
        QTest::newRow("A1") << "A1" << "A1" << "A2";
        QTest::newRow("FE wraps") << "FE" << "FE" << "01";
        QTest::newRow("FF sent as 01") << "FF" << "01" << "02";
        QTest::newRow("100") << "100" << "01" << "02";
        QTest::newRow("FFFF") << "FFFF" << "01" << "02";
        QTest::newRow("0000A1 fits") << "0000A1" << "A1" << "A2";
        QTest::newRow("30 nines") << QString(30, QLatin1Char('9')) << "01" << "02";
    }
    void setId()
    {
        QFETCH(QString, text);
        QFETCH(QString, sent);
        QFETCH(QString, next);
        const SetIdStep step = setIdStep(text);
        QCOMPARE(step.sent, sent);
        QCOMPARE(step.next, next);
    }

    void codedNumbers_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("character");
        QTest::addColumn<QString>("shown");
        QTest::newRow("@") << 0 << "@" << "00";
        QTest::newRow("A") << 1 << "A" << "01";
        QTest::newRow("p") << 48 << "p" << "48";
        QTest::newRow("0 keeps the sign") << -16 << "0" << "-16";
    }
    void codedNumbers()
    {
        QFETCH(int, number);
        QFETCH(QString, character);
        QFETCH(QString, shown);
        QCOMPARE(QString(codedChar(number)), character);
        QCOMPARE(codedValue(character.at(0)), number);
        QCOMPARE(codedAsDecimal(character.at(0)), shown);
    }

    void frames_data()
    {
        QTest::addColumn<QString>("mnemonic");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("STX RDM01 ETX") << "RDM" << "01" << QByteArray("\x02RDM01\x03");
        QTest::newRow("STX SID ETX") << "SID" << "" << QByteArray("\x02SID\x03");
        QTest::newRow("STX CHR01A?B?C ETX") << "CHR" << QString("01A\x02" "B\x03" "C") << QByteArray("\x02" "CHR01A?B?C\x03");
        QTest::newRow("STX CHR01???Z~ ETX") << "CHR" << QString::fromUtf8("01中é\tZ~") << QByteArray("\x02" "CHR01???Z~\x03");
    }
    void frames()
    {
        QFETCH(QString, mnemonic);
        QFETCH(QString, data);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame(mnemonic, data), expected);
    }

    void pairValues_data()
    {
        QTest::addColumn<QString>("pair");
        QTest::addColumn<int>("value");
        QTest::newRow("a5") << "a5" << 0xA5;
        QTest::newRow("blank 8") << " 8" << 8;
        QTest::newRow("zz") << "zz" << 0;
    }
    void pairValues()
    {
        QFETCH(QString, pair);
        QFETCH(int, value);
        QCOMPARE(pairValue(pair), value);
    }

    void imageReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("hexText");
        const QString ff32 = QString("FF").repeated(32), ffText = QString("FF ").repeated(32);
        QTest::newRow("rdm FFx32 E0") << "rdm" + ff32 + "E0" << true << ffText;
        QTest::newRow("rdm FFx32 e0") << "rdm" + ff32 + "e0" << false << ffText;
        QTest::newRow("rdr FFx32 E1") << "rdr" + ff32 + "E1" << false << ffText;
        QTest::newRow("rdr0a0b15 kept as received") << "rdr0a0b15" << true << "0a 0b ";
        QTest::newRow("rdm") << "rdm" << false << "";
        QTest::newRow("rdr01010: 2.5 pairs round to 2") << "rdr01010" << true << "01 ";
        QTest::newRow("rdr0102037: 3.5 pairs round to 4") << "rdr0102037" << false << "01 02 03 ";
    }
    void imageReplies()
    {
        QFETCH(QString, reply);
        QFETCH(bool, ok);
        QFETCH(QString, hexText);
        const ImageReply r = readImageReply(reply);
        QCOMPARE(r.checksumOk, ok);
        QCOMPARE(r.hexText, hexText);
    }

    void uploads_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("hexText");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("STX WRR00 00x32 00 ETX") << "00" << "" << "\x02WRR00" + QByteArray("00").repeated(32) + "00\x03";
        QTest::newRow("STX WRR02 FFx32 E2 ETX") << "02" << QString("FF ").repeated(32)
                                                << "\x02WRR02" + QByteArray("FF").repeated(32) + "E2\x03";
        QTest::newRow("STX WRR10 80 01 00x30 91 ETX") << "10" << "80 01"
                                                      << "\x02WRR10" "8001" + QByteArray("00").repeated(30) + "91\x03";
    }
    void uploads()
    {
        QFETCH(QString, address);
        QFETCH(QString, hexText);
        QFETCH(QByteArray, expected);
        QCOMPARE(uploadFrame(u"WRR", address, hexText), expected);
    }

    void replyBufferBound_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("kept");
        QTest::newRow("4096 kept") << 4096 << true;
        QTest::newRow("4097 dropped") << 4097 << false;
    }
    void replyBufferBound()
    {
        QFETCH(int, length);
        QFETCH(bool, kept);
        using Fed = ReplyBuffer::Fed;
        ReplyBuffer b;
        b.feed("\x02");
        for (int i = 0; i < length; ++i) b.feed("x");
        QCOMPARE(b.feed("\x03"), kept ? Fed::Completed : Fed::Discarded);
        QCOMPARE(b.text().size(), kept ? length : 0);
        QCOMPARE(b.feed("\x02"), Fed::Started);
        QCOMPARE(b.feed("y"), Fed::Collected);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
