// Protocol core without ports or windows: hand-written rows. What the
// receiver makes of replies is in test_receiver.
#include "link/frame.h"
#include "link/protocol.h"
#include "link/replycollector.h"

#include <QTest>

using namespace unitlink;

Q_DECLARE_METATYPE(unitlink::Mnemonic)

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void addresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");  // the address; SETID's address sent and the next one
        QTest::newRow("1a") << "1a" << "1A 1A 1B";
        QTest::newRow("123 keeps the low byte") << "123" << "23 01 02";
        QTest::newRow("??") << "??" << "00 00 01";
        QTest::newRow("FE wraps") << "FE" << "FE FE 01";
        QTest::newRow("FF sent as 01") << "FF" << "FF 01 02";
        QTest::newRow("0000A1 fits") << "0000A1" << "A1 A1 A2";
        QTest::newRow("42 digits") << QString(40, QLatin1Char('F')) + "3c" << "3C 01 02";
        QTest::newRow("7 then non-ASCII") << QString::fromUtf8("7中") << "07 07 08";
    }
    void addresses()
    {
        QFETCH(QString, text);
        const SetIdStep step = setIdStep(text);
        QTEST(QStringList({normaliseAddress(text), step.sent, step.next}).join(' '), "read");
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
        QTest::newRow("'G1'") << "G1" << 0 << 0;
        QTest::newRow("'1G'") << "1G" << 1 << 1;
        QTest::newRow("''") << "" << 0 << 0;
        QTest::newRow("'f'") << "f" << 15 << 15;
        QTest::newRow("'FF'") << "FF" << 255 << 255;
    }
    void pairValues()
    {
        QFETCH(QString, pair);
        QTEST(linePairValue(pair), "onLine");
        QTEST(hexTextPairValue(pair), "inHexText");
    }

    void imageReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("hexText");
        const QString ff32 = QString("FF").repeated(32), ffText = QString("FF ").repeated(32);
        QTest::newRow("rdm FFx32 e0") << "rdm" + ff32 + "e0" << false << ffText;
        QTest::newRow("rdr FFx32 E1") << "rdr" + ff32 + "E1" << false << ffText;
        QTest::newRow("rdr0a0b15 kept as received") << "rdr0a0b15" << true << "0a 0b ";
        QTest::newRow("rdm") << "rdm" << false << "";
        QTest::newRow("rdr01010: 2.5 pairs round to 2") << "rdr01010" << true << "01 ";
        QTest::newRow("rdr0102037: 3.5 pairs round to 4") << "rdr0102037" << false << "01 02 03 ";
        // " 1" is 0 on the line: the sum is 00 and the checksum 01 is wrong.
        QTest::newRow("rdm ' 1' 00x31 01") << "rdm 1" + QString("00").repeated(31) + "01" << false << " 1 " + QString("00 ").repeated(31);
    }
    void imageReplies()
    {
        QFETCH(QString, reply);
        const ImageReply r = readImageReply(reply);
        QTEST(r.checksumOk, "ok");
        QTEST(r.hexText, "hexText");
    }

    void uploads_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("hexText");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("STX WRR00 00x32 00 ETX") << "00" << "" << "\x02WRR00" + QByteArray("00").repeated(32) + "00\x03";
        QTest::newRow("STX WRR02 FFx32 E2 ETX") << "02" << QString("FF ").repeated(32) << "\x02WRR02" + QByteArray("FF").repeated(32) + "E2\x03";
        QTest::newRow("STX WRR10 80 01 00x30 91 ETX") << "10" << "80 01" << "\x02WRR10" "8001" + QByteArray("00").repeated(30) + "91\x03";
        QTest::newRow("STX WRR01 00 01x31 20 ETX: ' 1' is 00") << "01" << " 1 " + QString("01 ").repeated(31) << "\x02WRR0100" + QByteArray("01").repeated(31) + "20\x03";
    }
    void uploads()
    {
        QFETCH(QString, address);
        QFETCH(QString, hexText);
        QTEST(uploadFrame(u"WRR", address, hexText), "expected");
    }

    void commands_data()
    {
        QTest::addColumn<Mnemonic>("mnemonic");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("STX RDM 01 ETX") << Mnemonic::RDM << "01" << "" << QByteArray("\x02RDM01\x03");
        QTest::newRow("STX SID ETX") << Mnemonic::SID << "" << "" << QByteArray("\x02SID\x03");
        QTest::newRow("STX SETID A1 ETX") << Mnemonic::SETID << "" << "A1" << QByteArray("\x02SETIDA1\x03");
        QTest::newRow("STX GPI 01 p ETX") << Mnemonic::GPI << "01" << QString(inputCode(48)) << QByteArray("\x02GPI01p\x03");
        QTest::newRow("STX TLW AX ETX") << Mnemonic::TLW << "" << "AX" << QByteArray("\x02TLWAX\x03");
        const QString ff = QString(64, u'F');
        QTest::newRow("STX WRR 01 FFx32 E1 ETX") << Mnemonic::WRR << "01" << ff + "E1" << QByteArray("\x02WRR01") + ff.toLatin1() + "E1\x03";
    }
    void commands()
    {
        QFETCH(Mnemonic, mnemonic);
        QFETCH(QString, address);
        QFETCH(QString, data);
        QFETCH(QByteArray, frame);
        const Command command(mnemonic, address, data);
        QCOMPARE(command.frame(), frame);
        QVERIFY(Command::parse(frame) == command);
    }

    void rejectedFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("STX RDM 0a ETX: lower-case address") << QByteArray("\x02RDM0a\x03");
        QTest::newRow("STX RDM 01 X ETX: data where none belongs") << QByteArray("\x02RDM01X\x03");
        QTest::newRow("STX SID 01 ETX: broadcast with address") << QByteArray("\x02SID01\x03");
        QTest::newRow("STX GPI 01 q ETX: input 49") << QByteArray("\x02GPI01q\x03");
        QTest::newRow("STX WRR 01 FFx32 E ETX: short checksum") << "\x02WRR01" + QByteArray(64, 'F') + "E\x03";
    }
    void rejectedFrames()
    {
        QFETCH(QByteArray, frame);
        QVERIFY(!Command::parse(frame));
    }

    void replyBufferBound()
    {
        using Fed = ReplyCollector::Fed;
        for (int length : {4096, 4097}) {
            ReplyCollector b;
            b.feed("\x02");
            for (int i = 0; i < length; ++i) b.feed("x");
            QCOMPARE(b.feed("\x03"), length == 4096 ? Fed::Completed : Fed::Discarded);
            QCOMPARE(b.text().size(), length == 4096 ? 4096 : 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
