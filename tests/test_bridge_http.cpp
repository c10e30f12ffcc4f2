// tally-bridge's HTTP side in-process: the unit line a pty, TSL 3.1 on
// loopback, the requests and the WebSocket as a browser or a script makes
// them. Expected documents are written out by hand from what was sent.
#include "bridge/http/httpside.h"
#include "bridge/service.h"
#include "tests/support/files.h"
#include "tests/support/freeport.h"
#include "tests/support/pty.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QWebSocket>

using namespace bridge;
using testsupport::freePort;

namespace {

// Display address's tally bits and text.
QByteArray tsl31(int address, quint8 control, const QByteArray &text = {})
{
    return char(0x80 + address) + QByteArray(1, char(control)) + text.leftJustified(16, ' ');
}

QJsonObject json(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

// A bridge on a pty with TSL 3.1 on UDP and its page on a free port.
struct Rig {
    explicit Rig(bool control = true)
    {
        c.line = line.slavePath();
        c.refreshMs = 0;
        c.tsl31Udp = Endpoint{QHostAddress::LocalHost, freePort()};
        c.tsl31Tcp = Endpoint{QHostAddress::LocalHost, testsupport::freeTcpPort()};
        c.names[4] = "CAM 4";
        c.httpControl = control;
        c.httpTokenFile = dir.filePath("token");
        testsupport::writeFile(c.httpTokenFile, "s3cret\nnot this line\n");
        service = std::make_unique<Service>(c, [this](const QString &text) {
            log << text;
            if (http) http->log(text);
        });
        http = std::make_unique<HttpSide>(*service);
        why = http->listen(Endpoint{QHostAddress::LocalHost, 0});
        if (why.isEmpty()) why = service->start();
        if (why.isEmpty() && line.readBytes(10) != "\x02TLY\x03\x02TLW\x03") why = "no first pair";
    }
    void send(const QByteArray &datagram) { QUdpSocket().writeDatagram(datagram, QHostAddress::LocalHost, c.tsl31Udp->port); }
    // Status and body; 0 when no answer came.
    // header: "Name: value", or none.
    std::pair<int, QByteArray> request(const QByteArray &method, const QString &path, const QByteArray &body = {},
                                       const QByteArray &header = {})
    {
        QNetworkRequest r(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(http->port()).arg(path)));
        if (const qsizetype colon = header.indexOf(": "); colon > 0) r.setRawHeader(header.left(colon), header.mid(colon + 2));
        if (!body.isEmpty()) r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        std::unique_ptr<QNetworkReply> reply(nam.sendCustomRequest(r, method, body));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 5000)) return {0, {}};
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    }
    QUrl ws(const QString &path = QStringLiteral("/ws")) const
    {
        return QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(http->port()).arg(path));
    }

    QTemporaryDir dir;
    testsupport::Pty line;
    Config c;
    QStringList log;
    std::unique_ptr<Service> service;
    std::unique_ptr<HttpSide> http;
    QNetworkAccessManager nam;
    QString why; // empty once it runs
};

// A page client: every message it was sent, parsed.
struct Client {
    explicit Client(const QUrl &url)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString &m) { messages << json(m.toUtf8()); });
        socket.open(url);
    }
    // The newest update that carries member, or an empty object.
    QJsonObject lastWith(const QString &member) const
    {
        for (auto it = messages.crbegin(); it != messages.crend(); ++it)
            if (it->contains(member) && (*it)["type"] == "update") return *it;
        return {};
    }
    QWebSocket socket;
    QList<QJsonObject> messages;
};

} // namespace

class TestBridgeHttp : public QObject {
    Q_OBJECT
private slots:
    // Each path and method, with and without the lamp test allowed and the
    // token given: the status and what the body says.
    void requests_data()
    {
        QTest::addColumn<bool>("control");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("says");
        const QByteArray test = "{\"input\":7,\"bus\":\"program\",\"seconds\":5}";
        QTest::newRow("GET / in English") << true << QByteArray("GET") << "/" << QByteArray() << QByteArray() << 200 << QByteArray("<html lang=\"en\">");
        QTest::newRow("GET / in Chinese") << true << QByteArray("GET") << "/" << QByteArray("Accept-Language: en;q=0.5, fr, zh-CN;q=0.8") << QByteArray() << 200 << QByteArray("<html lang=\"zh\">");
        QTest::newRow("GET /nothing") << true << QByteArray("GET") << "/nothing" << QByteArray() << QByteArray() << 404 << QByteArray("{\"error\":\"no such page\"}");
        QTest::newRow("PUT /api/state") << true << QByteArray("PUT") << "/api/state" << QByteArray() << QByteArray() << 405 << QByteArray("{\"error\":\"not allowed here\"}");
        QTest::newRow("GET /api/test") << true << QByteArray("GET") << "/api/test" << QByteArray() << QByteArray() << 405 << QByteArray("{\"error\":\"not allowed here\"}");
        QTest::newRow("GET /ws without upgrade") << true << QByteArray("GET") << "/ws" << QByteArray() << QByteArray() << 426 << QByteArray("{\"error\":\"a WebSocket upgrade is wanted here\"}");
        QTest::newRow("POST /api/test, control = no") << false << QByteArray("POST") << "/api/test" << QByteArray("Authorization: Bearer s3cret") << test << 403 << QByteArray("{\"error\":\"the lamp test is off: [http] control = no\"}");
        QTest::newRow("POST /api/test without token") << true << QByteArray("POST") << "/api/test" << QByteArray() << test << 401 << QByteArray("{\"error\":\"the token is wanted: Authorization: Bearer TOKEN\"}");
        QTest::newRow("POST /api/test, the token's second line") << true << QByteArray("POST") << "/api/test" << QByteArray("Authorization: Bearer not this line") << test << 401 << QByteArray("{\"error\":\"the token is wanted: Authorization: Bearer TOKEN\"}");
        QTest::newRow("DELETE /api/test, a token one longer") << true << QByteArray("DELETE") << "/api/test" << QByteArray("Authorization: Bearer s3crett") << QByteArray() << 401 << QByteArray("{\"error\":\"the token is wanted: Authorization: Bearer TOKEN\"}");
        QTest::newRow("POST /api/test, bus red") << true << QByteArray("POST") << "/api/test" << QByteArray("Authorization: Bearer s3cret") << QByteArray("{\"input\":7,\"bus\":\"red\",\"seconds\":5}") << 400 << QByteArray("{\"error\":\"bus wants \\\"program\\\", \\\"preview\\\" or \\\"both\\\"\"}");
        QTest::newRow("POST /api/test, 4097 bytes") << true << QByteArray("POST") << "/api/test" << QByteArray("Authorization: Bearer s3cret") << test + QByteArray(4097 - test.size(), ' ') << 413 << QByteArray("{\"error\":\"a request of 4096 bytes at most\"}");
        QTest::newRow("POST /api/test, 4096 bytes") << true << QByteArray("POST") << "/api/test" << QByteArray("Authorization: Bearer s3cret") << test + QByteArray(4096 - test.size(), ' ') << 200 << QByteArray("{\"test\":{\"bus\":\"program\",\"input\":7,\"left_s\":5}}");
        QTest::newRow("DELETE /api/test") << true << QByteArray("DELETE") << "/api/test" << QByteArray("Authorization: Bearer s3cret") << QByteArray() << 200 << QByteArray("{\"test\":null}");
    }
    void requests()
    {
        QFETCH(bool, control);
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, says);
        Rig rig(control);
        QVERIFY2(rig.why.isEmpty(), qPrintable(rig.why));
        auto [status, answer] = rig.request(method, path, body, header);
        QTEST(status, "status");
        // The time left is whole seconds only at the start.
        answer.replace("\"left_s\":4.999", "\"left_s\":5").replace("\"left_s\":4.998", "\"left_s\":5");
        QVERIFY2(answer.contains(says), answer.constData());
    }

    // The program refuses at start what would fail on the studio floor:
    // the exit status and its last line.
    void refusals_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("says");
        QTest::newRow("a port taken: 3") << "[http]\nlisten = 127.0.0.1:TAKEN\n" << 3 << "http 127.0.0.1:TAKEN: cannot listen: The bound address is already in use";
        QTest::newRow("control without a token: 2") << "[http]\ncontrol = yes\n" << 2 << "[http] control = yes wants a token_file";
        QTest::newRow("a token file missing: 2") << "[http]\ncontrol = yes\ntoken_file = DIR/none\n" << 2 << "[http] token_file DIR/none: No such file or directory";
        QTest::newRow("an empty token: 2") << "[http]\ncontrol = yes\ntoken_file = DIR/empty\n" << 2 << "[http] token_file DIR/empty: its first line is empty";
    }
    void refusals()
    {
        QFETCH(QString, config);
        QFETCH(QString, says);
        QTemporaryDir dir;
        testsupport::Pty line;
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        const auto fill = [&](QString text) { return text.replace("TAKEN", QString::number(taken.serverPort())).replace("DIR", dir.path()); };
        QVERIFY(testsupport::writeFile(dir.filePath("empty"), "\n"));
        QVERIFY(testsupport::writeFile(dir.filePath("bridge.conf"), fill(config).toUtf8()));
        QProcess bridge;
        bridge.start(TALLY_BRIDGE_BIN, {"--config", dir.filePath("bridge.conf"), "--line", line.slavePath(), "--tsl31", QString("127.0.0.1:%1").arg(freePort())});
        QVERIFY(bridge.waitForFinished(5000));
        QTEST(bridge.exitCode(), "exit");
        QVERIFY2(bridge.readAllStandardError().trimmed().endsWith(fill(says).toUtf8()), qPrintable(fill(says)));
    }

    // Two displays and a datagram that is none: the state and the metrics
    // say what lit which lamp, what each input read and what went out.
    void stateAndMetrics()
    {
        Rig rig;
        QVERIFY2(rig.why.isEmpty(), qPrintable(rig.why));
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost, rig.c.tsl31Tcp->port);
        QTRY_VERIFY(!rig.log.filter("tsl31 tcp 127.0.0.1:" + QString::number(rig.c.tsl31Tcp->port) + ": 127.0.0.1:").isEmpty());
        rig.send(tsl31(3, 0x02, "CAM3 TSL") + tsl31(4, 0x01));
        QCOMPARE(rig.line.readBytes(13), QByteArray("\x02TLYC\x03\x02TLWD\x03"));
        rig.send("\x83\x02");
        QTRY_COMPARE(rig.log.filter("malformed").size(), 1);
        const QJsonObject state = json(rig.request("GET", "/api/state").second);
        QCOMPARE(state["lamps"].toArray().size(), 48);
        QCOMPARE(state["lamps"][2].toObject(), json("{\"input\": 3, \"program\": true, \"preview\": false, \"test\": false, \"label\": \"CAM3 TSL\", \"sources\": [{\"input\": \"tsl31 udp\", \"source\": 3, \"text\": \"CAM3 TSL\"}]}"));
        QCOMPARE(state["lamps"][3].toObject(), json("{\"input\": 4, \"program\": false, \"preview\": true, \"test\": false, \"label\": \"CAM 4\", \"sources\": [{\"input\": \"tsl31 udp\", \"source\": 4}]}"));
        QCOMPARE(state["lamps"][4].toObject(), json("{\"input\": 5, \"program\": false, \"preview\": false, \"test\": false, \"label\": \"\", \"sources\": []}"));
        QJsonObject input = state["inputs"][0].toObject();
        QVERIFY(input.take("last_heard_s").toDouble() < 5);
        QCOMPARE(input, json(QStringLiteral("{\"id\": \"tsl31 udp\", \"kind\": \"tsl31\", \"transport\": \"udp\", \"endpoint\": \"127.0.0.1:%1\", \"state\": \"listening\", \"messages\": 2, \"malformed\": 1, \"senders\": null, \"reconnects\": 0}").arg(rig.c.tsl31Udp->port).toUtf8()));
        QJsonObject tcp = state["inputs"][1].toObject();
        QCOMPARE(tcp.take("last_heard_s"), QJsonValue());
        QCOMPARE(tcp, json(QStringLiteral("{\"id\": \"tsl31 tcp\", \"kind\": \"tsl31\", \"transport\": \"tcp\", \"endpoint\": \"127.0.0.1:%1\", \"state\": \"connected\", \"messages\": 0, \"malformed\": 0, \"senders\": 1, \"reconnects\": 0}").arg(rig.c.tsl31Tcp->port).toUtf8()));
        QJsonObject line = state["line"].toObject();
        QJsonObject last = line.take("last_pair").toObject();
        QVERIFY(last.take("at").toString().endsWith('Z'));
        QCOMPARE(last, json("{\"program\": [3], \"preview\": [4]}"));
        QCOMPARE(line, json(QStringLiteral("{\"device\": \"%1\", \"open\": true, \"pairs_written\": 2, \"losses\": 0}").arg(rig.c.line).toUtf8()));
        QJsonObject frame = state["frames"].toArray().last().toObject();
        frame.remove("at");
        QCOMPARE(frame, json("{\"frame\": \"TLWD\", \"command\": \"TLW\", \"bus\": \"preview\", \"inputs\": [4], \"again\": false}"));
        QVERIFY(state["log"].toArray().last()["text"].toString().contains("1 malformed, dropped"));

        const QByteArray metrics = rig.request("GET", "/metrics").second;
        const QByteArray labels = QStringLiteral("{input=\"tsl31 udp\",endpoint=\"127.0.0.1:%1\"}").arg(rig.c.tsl31Udp->port).toUtf8();
        for (const QByteArray &sample : {"tally_bridge_input_messages_total" + labels + " 2", "tally_bridge_input_malformed_total" + labels + " 1",
                                         "tally_bridge_input_connected" + labels + " 1", "tally_bridge_input_reconnects_total" + labels + " 0",
                                         QByteArray("tally_bridge_line_pairs_written_total{device=\"") + rig.c.line.toUtf8() + "\"} 2",
                                         QByteArray("tally_bridge_lamps_lit{bus=\"program\"} 1"), QByteArray("tally_bridge_lamps_lit{bus=\"preview\"} 1")})
            QVERIFY2(metrics.contains("\n" + sample + "\n"), sample.constData());
    }

    // The whole state first, then only what changed; a lamp test on the
    // line, on the page and ended; the 33rd client and a wrong path refused.
    void webSocket()
    {
        Rig rig;
        QVERIFY2(rig.why.isEmpty(), qPrintable(rig.why));
        Client page(rig.ws());
        QTRY_COMPARE(page.messages.size(), 1);
        QCOMPARE(page.messages[0]["type"], "state");
        QCOMPARE(page.messages[0]["bridge"].toObject()["control"], true);
        rig.send(tsl31(5, 0x02));
        QCOMPARE(rig.line.readBytes(11), QByteArray("\x02TLYE\x03\x02TLW\x03"));
        QTRY_VERIFY(!page.lastWith("frames").isEmpty());
        QCOMPARE(page.lastWith("frames")["frames"][0].toObject()["frame"], "TLYE");
        QCOMPARE(page.lastWith("frames")["frames"].toArray().size(), 2);
        const QJsonObject update = page.lastWith("lamps");
        QCOMPARE(update["type"], "update");
        QCOMPARE(update["lamps"].toArray(), QJsonArray({json("{\"input\": 5, \"program\": true, \"preview\": false, \"test\": false, \"label\": \"\", \"sources\": [{\"input\": \"tsl31 udp\", \"source\": 5}]}")}));

        QCOMPARE(rig.request("POST", "/api/test", "{\"input\":7,\"bus\":\"preview\",\"seconds\":1}", "Authorization: Bearer s3cret").first, 200);
        QCOMPARE(rig.line.readBytes(12), QByteArray("\x02TLYE\x03\x02TLWG\x03"));
        QTRY_VERIFY(page.lastWith("test")["test"].isObject());
        QCOMPARE(page.lastWith("test")["test"].toObject()["input"], 7);
        QVERIFY(page.lastWith("lamps")["lamps"][0].toObject()["test"].toBool());
        QVERIFY(rig.log.last().startsWith("lamp test of input 7: preview for 1 s, by "));
        // Over by itself after its second.
        QCOMPARE(rig.line.readBytes(11, 3000), QByteArray("\x02TLYE\x03\x02TLW\x03"));
        QTRY_VERIFY(page.lastWith("test")["test"].isNull());

        Client wrongPath(rig.ws("/other"));
        QTRY_COMPARE(wrongPath.socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(wrongPath.messages.isEmpty());
        std::list<Client> more;
        for (int n = 2; n <= HttpSide::kMaxClients; ++n) more.emplace_back(rig.ws());
        QTRY_VERIFY(std::all_of(more.begin(), more.end(), [](const Client &c) { return c.messages.size() == 1; }));
        Client refused(rig.ws());
        QTRY_COMPARE(refused.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(rig.log.last(), "http: 32 page clients already; 127.0.0.1 refused");
        QVERIFY(refused.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBridgeHttp)
#include "test_bridge_http.moc"
