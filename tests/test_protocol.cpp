// The command set, Command and Reply values and the console's data rules:
// hand-written frames, each accept row beside the rejects that bite.
#include "link/protocol.h"

#include <QTest>

using namespace unitlink;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(unitlink::Mnemonic)
Q_DECLARE_METATYPE(unitlink::Reply::Kind)

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
        QTest::newRow("STX CHR 01 ABCDE ETX") << Mnemonic::CHR << "01" << "ABCDE" << QByteArray("\x02""CHR01ABCDE\x03");
        QTest::newRow("STX GPI 01 p ETX") << Mnemonic::GPI << "01" << QString(inputCode(48)) << QByteArray("\x02GPI01p\x03");
        QTest::newRow("STX GPW 1A @ ETX") << Mnemonic::GPW << "1A" << QString(kNoInput) << QByteArray("\x02GPW1A@\x03");
        QTest::newRow("STX CFG FF A0 ETX") << Mnemonic::CFG << "FF" << "A0" << QByteArray("\x02""CFGFFA0\x03");
        QTest::newRow("STX TLY ETX") << Mnemonic::TLY << "" << "" << QByteArray("\x02TLY\x03");
        QTest::newRow("STX TLW AX ETX") << Mnemonic::TLW << "" << "AX" << QByteArray("\x02TLWAX\x03");
        const QString ff = QString(64, u'F');
        QTest::newRow("STX WRR 01 FF*32 E1 ETX")
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
        QTest::newRow("STX RDM 1 ETX: short address") << QByteArray("\x02RDM1\x03");
        QTest::newRow("STX RDM 0a ETX: lower-case address") << QByteArray("\x02RDM0a\x03");
        QTest::newRow("STX RDM 01 X ETX: data where none belongs") << QByteArray("\x02RDM01X\x03");
        QTest::newRow("STX SID 01 ETX: broadcast with address") << QByteArray("\x02SID01\x03");
        QTest::newRow("STX SETID a1 ETX") << QByteArray("\x02SETIDa1\x03");
        QTest::newRow("STX CHR 01 ABCD ETX: four characters") << QByteArray("\x02""CHR01ABCD\x03");
        QTest::newRow("STX CFG 01 a0 ETX") << QByteArray("\x02""CFG01a0\x03");
        QTest::newRow("STX GPI 01 q ETX: input 49") << QByteArray("\x02GPI01q\x03");
        QTest::newRow("STX GPI 01 ETX: no input") << QByteArray("\x02GPI01\x03");
        QTest::newRow("STX WRR 01 FF*32 E ETX: short checksum")
            << QByteArray("\x02WRR01") + QByteArray(64, 'F') + "E\x03";
        QTest::newRow("STX ton ETX: a reply") << QByteArray("\x02ton\x03");
        QTest::newRow("STX XYZ 01 ETX: unknown") << QByteArray("\x02XYZ01\x03");
        QTest::newRow("STX RDM 01: no ETX") << QByteArray("\x02RDM01");
        QTest::newRow("RDM 01 ETX: no STX") << QByteArray("RDM01\x03");
    }
    void rejectedFrames()
    {
        QFETCH(QByteArray, frame);
        QVERIFY(!Command::parse(frame));
    }

    void replies_data()
    {
        // detail: what the receiver shows of it (mnemonic, flag, inputs,
        // address, coded numbers or error code).
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reply::Kind>("kind");
        QTest::addColumn<QString>("detail");
        using K = Reply::Kind;
        QTest::newRow("STX rdm FF*32 E0 ETX") << "rdm" + QString(64, u'F') + "E0" << K::Image << "rdm";
        QTest::newRow("STX wrr ETX") << "wrr" << K::Done << "wrr";
        QTest::newRow("STX ton xy ETX: extra ignored") << "tonxy" << K::Done << "ton";
        QTest::newRow("STX tfh 1 ETX") << "tfh1" << K::Flag << "1";
        QTest::newRow("STX tfh ETX") << "tfh" << K::Flag << "";
        QTest::newRow("STX gpi E B ETX") << "gpiEB" << K::Inputs << "EB";
        QTest::newRow("STX gpi E B C ETX") << "gpiEBC" << K::Malformed << "";
        QTest::newRow("STX gpi @ ETX") << "gpi@" << K::Malformed << "";
        QTest::newRow("STX si 1A ETX") << "si1A" << K::Address << "1A";
        QTest::newRow("STX id 0 ETX: cut short") << "id0" << K::Address << "0";
        QTest::newRow("STX TLY A C ETX") << "TLYAC" << K::TallyList << "AC";
        QTest::newRow("STX err 2 ETX") << "err2" << K::UnitError << "2";
        QTest::newRow("STX err 9 ETX: unknown code") << "err9" << K::UnitError << "";
        QTest::newRow("STX TON 01 ETX: a command echoed") << "TON01" << K::Unknown << "";
        QTest::newRow("STX Rdm ETX: case counts") << "Rdm" << K::Unknown << "";
        QTest::newRow("STX ETX") << "" << K::Unknown << "";
    }
    void replies()
    {
        QFETCH(QString, text);
        QFETCH(Reply::Kind, kind);
        QFETCH(QString, detail);
        const Reply reply = Reply::parse(text);
        QCOMPARE(reply.kind(), kind);
        QCOMPARE(reply.text(), text);
        QString shown;
        switch (kind) {
        case Reply::Kind::Image:
        case Reply::Kind::Done: shown = reply.mnemonic().toString(); break;
        case Reply::Kind::Flag: shown = reply.flag().toString(); break;
        case Reply::Kind::Inputs: shown = QString(reply.pgmInput()) + reply.pvwInput(); break;
        case Reply::Kind::Address: shown = reply.address(); break;
        case Reply::Kind::TallyList: shown = reply.data().toString(); break;
        case Reply::Kind::UnitError: shown = reply.error() ? QString(QLatin1Char(char(*reply.error()))) : QString(); break;
        case Reply::Kind::Malformed:
        case Reply::Kind::Unknown: break;
        }
        QCOMPARE(shown, detail);
    }

    void displayMode_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("pxr");
        QTest::addColumn<QString>("data");
        QTest::newRow("STX CFG 01 03 ETX: width 3") << 3 << false << "03";
        QTest::newRow("STX CFG 01 23 ETX: width 3, PXR-09") << 3 << true << "23";
        QTest::newRow("STX CFG 01 80 ETX: inverse") << 8 << false << "80";
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
        QTest::newRow("STX CHR 01 '   AB' ETX") << "AB" << "   AB" << "   AB";
        QTest::newRow("STX CHR 01 CDEFG ETX") << "ABCDEFG" << "CDEFG" << "CDEFG";
        QTest::newRow("STX CHR 01 '     ' ETX") << "" << "     " << "     ";
        QTest::newRow("STX CHR 01 ' ??AB' ETX: Chinese") << u"中文AB"_s << u" 中文AB"_s << " ??AB";
        QTest::newRow("STX CHR 01 ?ABCD ETX: outside the BMP") << u"x😀ABCD"_s << u"😀ABCD"_s << "?ABCD";
        QTest::newRow("STX CHR 01 '  A?B' ETX: tab") << "A\tB" << "  A\tB" << "  A?B";
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
