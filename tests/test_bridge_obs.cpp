// tally-bridge's OBS input against a stand-in for OBS on loopback, written
// from obs-websocket 5's protocol description: the scene tree it answers
// from, the events it sends, its password and its close codes.
#include "bridge/inputs.h"
#include "bridge/service.h"
#include "tests/support/files.h"
#include "tests/support/pty.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace bridge;

namespace {
// OBS with its scenes, program Main: items "NAME" (a source), "NAME/" (a
// scene), "NAME+" (a group), "-" first: hidden. It sends the events of the
// categories subscribed to only; while hold is set, its answers (as of the
// asking) wait in held.
class FakeObs : public QObject {
public:
    QTcpServer tcp; // its connections handed on, to be frozen at will
    QWebSocketServer server{"obs-websocket", QWebSocketServer::NonSecureMode};
    QMap<QString, QStringList> scenes{{"Main", {"CAM 1", "Inset/", "Group+", "-CAM 4"}}, {"Inset", {"Cam2"}}, {"Group", {"Camera 03"}}, {"Side", {"Wide"}}};
    QString preview; // none: no studio mode
    QTcpSocket *wire = nullptr;
    QWebSocket *client = nullptr;
    int connections = 0, subscribed = 0;
    bool hold = false;
    QStringList held;

    FakeObs()
    {
        tcp.listen(QHostAddress::LocalHost);
        connect(&tcp, &QTcpServer::newConnection, this, [this] { server.handleConnection(wire = tcp.nextPendingConnection()); });
        connect(&server, &QWebSocketServer::newConnection, this, [this] {
            client = server.nextPendingConnection();
            client->setParent(this); // the stand-in owns its end of each session
            ++connections;
            connect(client, &QWebSocket::textMessageReceived, this, &FakeObs::answer);
            send(0, {{"obsWebSocketVersion", "5.1.0"}, {"rpcVersion", 1}, {"authentication", QJsonObject{{"challenge", "ch4l"}, {"salt", "s4lt"}}}});
        });
    }
    void send(int op, const QJsonObject &d) { client->sendTextMessage(QJsonDocument(QJsonObject{{"op", op}, {"d", d}}).toJson(QJsonDocument::Compact)); }
    void event(const QString &type, const QJsonObject &data)
    {
        // Scene Items, Inputs, UI, else Scenes.
        const int category = type.startsWith("SceneItem") ? 1 << 7 : type.startsWith("Input") ? 1 << 3 : type.startsWith("StudioMode") ? 1 << 10 : 1 << 2;
        if (subscribed & category) send(5, {{"eventType", type}, {"eventIntent", category}, {"eventData", data}});
    }

private:
    static QByteArray sha(const QByteArray &text) { return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64(); }
    void answer(const QString &text)
    {
        const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object(), d = m["d"].toObject();
        if (m["op"].toInt() == 1) {
            subscribed = d["eventSubscriptions"].toInt();
            // Its password: "secret".
            if (d["authentication"].toString() != sha(sha("secret" "s4lt") + "ch4l")) return client->close(QWebSocketProtocol::CloseCode(4009), "Authentication failed.");
            return send(2, {{"negotiatedRpcVersion", 1}});
        }
        const QString type = d["requestType"].toString(), scene = d["requestData"].toObject()["sceneName"].toString();
        const bool group = std::any_of(scenes.cbegin(), scenes.cend(), [&](const QStringList &items) { return items.contains(scene + '+'); });
        QJsonObject data;
        int code = 100;
        if (type == "GetCurrentProgramScene") data["currentProgramSceneName"] = "Main";
        else if (type == "GetCurrentPreviewScene" && !preview.isEmpty()) data["currentPreviewSceneName"] = preview;
        else if (type == "GetCurrentPreviewScene") code = 506; // StudioModeNotActive
        else if (!scenes.contains(scene) || group != (type == "GetGroupSceneItemList")) code = 600; // ResourceNotFound
        else {
            QJsonArray items;
            for (QString name : scenes[scene]) {
                const bool hidden = name.startsWith('-'), nested = name.endsWith('/') || name.endsWith('+');
                items << QJsonObject{{"sceneItemId", items.size() + 1}, {"sourceName", name.mid(hidden, name.size() - hidden - nested)}, {"sceneItemEnabled", !hidden}, {"isGroup", name.endsWith('+')}, {"sourceType", nested ? "OBS_SOURCE_TYPE_SCENE" : "OBS_SOURCE_TYPE_INPUT"}};
            }
            data["sceneItems"] = items;
        }
        const QJsonObject reply{{"op", 7}, {"d", QJsonObject{{"requestType", type}, {"requestId", d["requestId"]}, {"requestStatus", QJsonObject{{"result", code == 100}, {"code", code}}}, {"responseData", data}}}};
        if (hold) held << QJsonDocument(reply).toJson(QJsonDocument::Compact);
        else client->sendTextMessage(QJsonDocument(reply).toJson(QJsonDocument::Compact));
    }
};

// "1,2,3 | 20": the inputs lit on program and on preview.
QString lit(const Service &service)
{
    QStringList bus[2];
    for (int n = 1; n <= kParallelInputs; ++n)
        for (int b : {0, 1}) if ((b ? service.lamps().preview : service.lamps().program)[size_t(n)]) bus[b] << QString::number(n);
    return bus[0].join(',') + " | " + bus[1].join(',');
}
} // namespace

class TestBridgeObs : public QObject {
    Q_OBJECT
    QStringList m_log;
    testsupport::Pty m_line;
    FakeObs m_obs;

private slots:
    void cleanup()
    {
        if (QTest::currentTestFailed()) qDebug().noquote() << m_log.join('\n');
    }

    // One session through OBS's changes and its ups and downs, at a
    // twentieth of the studio's time-outs.
    void followsObs()
    {
        // The password from systemd's credential (the file itself is out of
        // reach), wrong at first: told once, tried again every authRetryMs,
        // taken once mended.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("credentials"));
        QVERIFY(testsupport::writeFile(dir.filePath("credentials/obs-password"), "s3cret\n"));
        qputenv("CREDENTIALS_DIRECTORY", dir.filePath("credentials").toUtf8());
        Config c;
        c.line = m_line.slavePath();
        c.refreshMs = 0;
        c.timing = {300, 100, 100, 600, 300, 100, 20, 3000, 1000, 300};
        c.obs = Remote{"127.0.0.1", m_obs.tcp.serverPort()};
        c.obsPasswordFile = dir.filePath("obs-password");
        c.obsNames = {{"Wide", 20}};
        Service service(c, [this](const QString &line) { m_log << line; });
        QCOMPARE(service.start(), QString());
        const Transport &link = service.inputs().begin()->second->transport();
        QTRY_COMPARE(m_obs.connections, 3);
        QCOMPARE(m_log.filter("authentication").join('\n'), "OBS at 127.0.0.1: authentication failed");
        QVERIFY(testsupport::writeFile(dir.filePath("credentials/obs-password"), "secret\n"));
        QTRY_COMPARE(lit(service), "1,2,3 | "); // the nested scene's and the group's sources, not the hidden one

        m_obs.preview = "Side";
        m_obs.event("StudioModeStateChanged", {{"studioModeEnabled", true}});
        QTRY_COMPARE(lit(service), "1,2,3 | 20");
        m_obs.preview.clear();
        m_obs.event("StudioModeStateChanged", {{"studioModeEnabled", false}});
        QTRY_COMPARE(lit(service), "1,2,3 | ");

        // Inset changed again while its items are asked for: the answer on
        // its way is stale, and Inset is asked again.
        m_obs.hold = true;
        m_obs.event("SceneItemListReindexed", {{"sceneName", "Inset"}});
        QTRY_COMPARE(m_obs.held.size(), 1);
        m_obs.scenes["Inset"] << "CAM 6";
        m_obs.event("SceneItemCreated", {{"sceneName", "Inset"}, {"sourceName", "CAM 6"}, {"sceneItemId", 2}});
        QTRY_COMPARE(m_obs.held.size(), 2);
        m_obs.hold = false;
        for (const QString &reply : std::exchange(m_obs.held, {})) m_obs.client->sendTextMessage(reply);
        QTRY_COMPARE(lit(service), "1,2,3,6 | ");
        m_obs.scenes["Inset"][0] = "Cam7";
        m_obs.event("InputNameChanged", {{"oldInputName", "Cam2"}, {"inputName", "Cam7"}});
        QTRY_COMPARE(lit(service), "1,3,6,7 | ");

        // Closed and back; gone quiet, pings too, though the connection
        // stays open: dropped after silenceMs, its tally kept.
        m_obs.client->close();
        QTRY_COMPARE(link.reconnects(), 2);
        m_obs.wire->blockSignals(true); // read no more
        QTRY_COMPARE(m_log.filter("no answer for 0.6 s; connection dropped").size(), 1);
        QCOMPARE(lit(service), "1,3,6,7 | ");
        QTRY_COMPARE(link.reconnects(), 3);

        // A session OBS's user ends stays ended until a reload.
        m_obs.client->close(QWebSocketProtocol::CloseCode(4011), "kicked");
        QTRY_VERIFY(m_log.contains(QString("obs %1: OBS closed the session; not connecting again until a reload; its last tally stays on the lamps").arg(c.obs->text())));
        QVERIFY(link.gaveUp());
        const int kicked = m_obs.connections;
        QString changes;
        QCOMPARE(service.reload(c, &changes), QString());
        QTRY_COMPARE(m_obs.connections, kicked + 1);
    }
};

QTEST_GUILESS_MAIN(TestBridgeObs)
#include "test_bridge_obs.moc"