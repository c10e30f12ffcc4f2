// The command table read back from frames, and the data rules the console
// builds its frames with: hand-written frames, accept rows beside the rejects
// that bite. What the receiver makes of replies is in test_receiver.
#include "link/protocol.h"

#include <QTest>

using namespace unitlink;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(unitlink::Mnemonic)

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void frames_data()
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
        QTest::newRow("STX WRR 01 FFx32 E1 ETX")
            << Mnemonic::WRR << "01" << ff + "E1" << QByteArray("\x02WRR01") + ff.toLatin1() + "E1\x03";
    }
    void frames()
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
        QTest::newRow("STX CHR 01 ABCD ETX: four characters") << QByteArray("\x02" "CHR01ABCD\x03");
        QTest::newRow("STX GPI 01 q ETX: input 49") << QByteArray("\x02GPI01q\x03");
        QTest::newRow("STX WRR 01 FFx32 E ETX: short checksum") << "\x02WRR01" + QByteArray(64, 'F') + "E\x03";
        QTest::newRow("STX ton ETX: a reply") << QByteArray("\x02ton\x03");
        QTest::newRow("RDM 01 ETX: no STX") << QByteArray("RDM01\x03");
    }
    void rejectedFrames()
    {
        QFETCH(QByteArray, frame);
        QVERIFY(!Command::parse(frame));
    }

    void displayMode_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("pxr");
        QTest::addColumn<QString>("data");
        QTest::newRow("STX CFG 01 60 ETX: volume, PXR-09") << 9 << true << "60";
        QTest::newRow("STX CFG 01 00 ETX: nothing chosen") << -1 << false << "00";
        QTest::newRow("STX CFG 01 20 ETX: beyond the list, PXR-09") << 10 << true << "20";
    }
    void displayMode()
    {
        QFETCH(int, index);
        QFETCH(bool, pxr);
        QFETCH(QString, data);
        QCOMPARE(hex2(displayModeByte(index, pxr)), data);
    }

    void fiveCharacters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("line");
        QTest::newRow("STX CHR 01 CDEFG ETX") << "ABCDEFG" << "CDEFG" << "CDEFG";
        QTest::newRow("STX CHR 01 '     ' ETX") << "" << "     " << "     ";
        QTest::newRow("STX CHR 01 ?ABCD ETX: outside the BMP") << u"x😀ABCD"_s << u"😀ABCD"_s << "?ABCD";
    }
    void fiveCharacters()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, line);
        const FiveCharacters five = unitlink::fiveCharacters(typed);
        QCOMPARE(five.text, shown);
        QCOMPARE(five.line, line);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "test_protocol.moc"
