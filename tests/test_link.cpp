// Protocol core without ports or windows: hand-written rows.
#include "link/frame.h"
#include "link/portchoice.h"

#include <QTest>

using namespace unitlink;

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void normalise_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        QTest::newRow("one digit") << "1" << "01";
        QTest::newRow("lower case") << "1a" << "1A";
        QTest::newRow("three digits keep low byte") << "123" << "23";
        QTest::newRow("letter beyond F stops") << "1z" << "01";
        QTest::newRow("design text") << "??" << "00";
        QTest::newRow("empty") << "" << "00";
        QTest::newRow("starts beyond F") << "G1" << "00";
        QTest::newRow("leading blank") << " 5" << "00";
        QTest::newRow("FF") << "FF" << "FF";
        QTest::newRow("eight digits") << "89ABCDEF" << "EF";
        QTest::newRow("fifteen digits") << "123456789ABCDEF" << "EF";
        QTest::newRow("forty digits") << QString(40, QLatin1Char('F')) + "3c" << "3C";
        QTest::newRow("non-ASCII stops") << QString::fromUtf8("7中") << "07";
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
        QTest::newRow("FD") << "FD" << "FD" << "FE";
        QTest::newRow("lower case") << "a1" << "A1" << "A2";
        QTest::newRow("zero") << "0" << "00" << "01";
        QTest::newRow("no digits") << "xy" << "00" << "01";
        QTest::newRow("100 above 254") << "100" << "01" << "02";
        QTest::newRow("FFFF negative in 16 bits") << "FFFF" << "01" << "02";
        QTest::newRow("8000") << "8000" << "01" << "02";
        QTest::newRow("five digits") << "12345" << "01" << "02";
        QTest::newRow("leading zeros fit") << "0000A1" << "A1" << "A2";
        QTest::newRow("huge") << QString(30, QLatin1Char('9')) << "01" << "02";
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
        QTest::newRow("none") << 0 << "@" << "00";
        QTest::newRow("first") << 1 << "A" << "01";
        QTest::newRow("input 5") << 5 << "E" << "05";
        QTest::newRow("input 24") << 24 << "X" << "24";
        QTest::newRow("input 48") << 48 << "p" << "48";
        QTest::newRow("below @") << -16 << "0" << "-16";
        QTest::newRow("just below @") << -1 << "?" << "-01";
        QTest::newRow("three digits") << 100 << QString(QChar(164)) << "100";
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
        QTest::newRow("RDM") << "RDM" << "01" << QByteArray("\x02RDM01\x03");
        QTest::newRow("SID no data") << "SID" << "" << QByteArray("\x02SID\x03");
        QTest::newRow("SETID") << "SETID" << "A1" << QByteArray("\x02SETIDA1\x03");
        QTest::newRow("CHR") << "CHR" << "01ABCDE" << QByteArray("\x02" "CHR01ABCDE\x03");
        QTest::newRow("GPI coded") << "GPI" << "01E" << QByteArray("\x02GPI01E\x03");
        QTest::newRow("STX in text") << "CHR" << QString("01A\x02" "B\x03" "C") << QByteArray("\x02" "CHR01A?B?C\x03");
        QTest::newRow("non-ASCII one byte each") << "CHR" << QString::fromUtf8("01中é\tZ~") << QByteArray("\x02" "CHR01???Z~\x03");
    }
    void frames()
    {
        QFETCH(QString, mnemonic);
        QFETCH(QString, data);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame(mnemonic, data), expected);
    }

    // One row, two rules: the line reads leading digits only, hex image
    // text leaves blanks out first.
    void pairValues_data()
    {
        QTest::addColumn<QString>("pair");
        QTest::addColumn<int>("onLine");
        QTest::addColumn<int>("inHexText");
        QTest::newRow("' 1'") << " 1" << 0 << 1;
        QTest::newRow("'1 '") << "1 " << 1 << 1;
        QTest::newRow("'\\t1'") << "\t1" << 0 << 1;
        QTest::newRow("'1\\n'") << "1\n" << 1 << 1;
        QTest::newRow("'\\r1' CR is no blank") << "\r1" << 0 << 0;
        QTest::newRow("'G1'") << "G1" << 0 << 0;
        QTest::newRow("'1G'") << "1G" << 1 << 1;
        QTest::newRow("''") << "" << 0 << 0;
        QTest::newRow("'f'") << "f" << 15 << 15;
        QTest::newRow("'FF'") << "FF" << 255 << 255;
        QTest::newRow("'a5'") << "a5" << 0xA5 << 0xA5;
    }
    void pairValues()
    {
        QFETCH(QString, pair);
        QFETCH(int, onLine);
        QFETCH(int, inHexText);
        QCOMPARE(linePairValue(pair), onLine);
        QCOMPARE(hexTextPairValue(pair), inHexText);
    }

    void imageReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("hexText");
        const QString ff32 = QString("FF").repeated(32);
        const QString ffText = QString("FF ").repeated(32);
        QTest::newRow("32 x FF, E0") << "rdm" + ff32 + "E0" << true << ffText;
        QTest::newRow("32 x FF, lower e0") << "rdm" + ff32 + "e0" << false << ffText;
        QTest::newRow("32 x FF, E1") << "rdr" + ff32 + "E1" << false << ffText;
        QTest::newRow("zeros 00") << "rdr" + QString("00").repeated(32) + "00" << true << QString("00 ").repeated(32);
        QTest::newRow("lower pairs kept as received") << "rdr0a0b15" << true << "0a 0b ";
        QTest::newRow("empty reply fails on the mnemonic") << "rdm" << false << "";
        QTest::newRow("2.5 pairs round to 2") << "rdr01010" << true << "01 ";
        QTest::newRow("3.5 pairs round to 4") << "rdr0102037" << false << "01 02 03 ";
        QTest::newRow("one pair is only a checksum") << "rdr00" << true << "";
        // " 1" is 0 on the line: the sum is 00 and the checksum 01 is wrong.
        QTest::newRow("rdm ' 1' 31x00 01") << "rdm 1" + QString("00").repeated(31) + "01" << false
                                            << " 1 " + QString("00 ").repeated(31);
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
        QTest::newRow("dark to 01") << "01" << QString("00 ").repeated(32)
                                    << "\x02WRR01" + QByteArray("00").repeated(32) + "01\x03";
        QTest::newRow("dark to 00") << "00" << QString("00 ").repeated(32)
                                    << "\x02WRR00" + QByteArray("00").repeated(32) + "00\x03";
        QTest::newRow("lit to 01 (E1)") << "01" << QString("FF ").repeated(32)
                                        << "\x02WRR01" + QByteArray("FF").repeated(32) + "E1\x03";
        QTest::newRow("lit to 02 (E2)") << "02" << QString("FF ").repeated(32)
                                        << "\x02WRR02" + QByteArray("FF").repeated(32) + "E2\x03";
        QTest::newRow("short text gives zeros") << "10" << "80 01"
                                                << "\x02WRR10" "8001" + QByteArray("00").repeated(30) + "91\x03";
        QTest::newRow("empty text") << "01" << "" << "\x02WRR01" + QByteArray("00").repeated(32) + "01\x03";
        QTest::newRow("' 1' first pair sends 00") << "01" << " 1 " + QString("01 ").repeated(31)
                                                  << "\x02WRR0100" + QByteArray("01").repeated(31) + "20\x03";
    }
    void uploads()
    {
        QFETCH(QString, address);
        QFETCH(QString, hexText);
        QFETCH(QByteArray, expected);
        const QByteArray f = uploadFrame(u"WRR", address, hexText);
        QCOMPARE(f, expected);
        QCOMPARE(f.size(), 73);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
