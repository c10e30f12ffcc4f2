// tally-bridge's OBS input against a stand-in for OBS on loopback, written
// from obs-websocket 5's protocol description: the scene tree it answers
// from, the events it sends, its password and its close codes.
#include "bridge/http/statejson.h"
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
QString json(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// OBS with its scenes: items "NAME" (a source), "NAME/" (a scene), "NAME+"
// (a group), "-" first: hidden.
class FakeObs : public QObject {
public:
    QWebSocketServer server{"obs-websocket", QWebSocketServer::NonSecureMode};
    QString password; // empty: OBS asks for none
    QMap<QString, QStringList> scenes;
    QString program, preview; // no preview: no studio mode
    QWebSocket *client = nullptr;
    int connections = 0;

    FakeObs()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QWebSocketServer::newConnection, this, [this] {
            client = server.nextPendingConnection();
            ++connections;
            connect(client, &QWebSocket::textMessageReceived, this, &FakeObs::answer);
            QJsonObject hello{{"obsWebSocketVersion", "5.1.0"}, {"rpcVersion", 1}};
            if (!password.isEmpty()) hello["authentication"] = QJsonObject{{"challenge", "c" + QString::number(connections)}, {"salt", "s4lt"}};
            send(0, hello);
        });
    }
    void send(int op, const QJsonObject &d) { client->sendTextMessage(json({{"op", op}, {"d", d}})); }
    void event(const QString &type, const QJsonObject &data) { send(5, {{"eventType", type}, {"eventIntent", 4}, {"eventData", data}}); }

private:
    static QByteArray sha(const QByteArray &text) { return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64(); }
    void answer(const QString &text)
    {
        const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object(), d = m["d"].toObject();
        if (m["op"].toInt() == 1) {
            const QString want = sha(sha((password + "s4lt").toUtf8()) + "c" + QByteArray::number(connections));
            if (!password.isEmpty() && d["authentication"].toString() != want) return client->close(QWebSocketProtocol::CloseCode(4009), "Authentication failed.");
            return send(2, {{"negotiatedRpcVersion", 1}});
        }
        const QString type = d["requestType"].toString(), scene = d["requestData"].toObject()["sceneName"].toString();
        const bool group = std::any_of(scenes.cbegin(), scenes.cend(), [&](const QStringList &items) { return items.contains(scene + '+') || items.contains('-' + scene + '+'); });
        QJsonObject data;
        int code = 100;
        if (type == "GetCurrentProgramScene") data["currentProgramSceneName"] = program;
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
        send(7, {{"requestType", type}, {"requestId", d["requestId"]}, {"requestStatus", QJsonObject{{"result", code == 100}, {"code", code}}}, {"responseData", data}});
    }
};

// The network between the bridge and OBS, which can go quiet without
// either end closing: a machine frozen, a cable pulled on the way.
class Cable : public QObject {
public:
    QTcpServer server;
    bool cut = false;

    explicit Cable(quint16 to)
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this, to] {
            QTcpSocket *near = server.nextPendingConnection(), *far = new QTcpSocket(near);
            far->connectToHost(QHostAddress::LocalHost, to);
            for (auto [from, onto] : {std::pair(near, far), std::pair(far, near)})
                connect(from, &QTcpSocket::readyRead, onto, [this, from, onto] { if (!cut) onto->write(from->readAll()); });
        });
    }
};

// "1,2,3 | 5": the inputs lit on program and on preview.
QString lit(const Service &service)
{
    QStringList bus[2];
    for (int n = 1; n <= kParallelInputs; ++n) {
        if (service.lamps().program[size_t(n)]) bus[0] << QString::number(n);
        if (service.lamps().preview[size_t(n)]) bus[1] << QString::number(n);
    }
    return bus[0].join(',') + " | " + bus[1].join(',');
}
} // namespace

class TestBridgeObs : public QObject {
    Q_OBJECT
    QStringList m_log;
    const Service::Log log = [this](const QString &line) { m_log << line; };
    testsupport::Pty m_line;
    FakeObs m_obs;
    QTemporaryDir m_dir;

    // The studio's time-outs at a twentieth, OBS at the fake.
    Config config()
    {
        Config c;
        c.line = m_line.slavePath();
        c.refreshMs = 0;
        c.timing = {300, 100, 100, 600, 300, 100, 20, 3000, 1000, 300};
        c.obs = Remote{"127.0.0.1", m_obs.server.serverPort()};
        c.obsPasswordFile = m_dir.filePath("obs-password");
        return c;
    }

private slots:
    void init()
    {
        m_obs.scenes = {{"Main", {"CAM 1", "Inset/", "Group+", "-CAM 4"}}, {"Inset", {"Cam2"}}, {"Group", {"Camera 03"}}, {"Side", {"Wide"}}};
        m_obs.program = "Main";
        m_obs.preview.clear();
        m_obs.password.clear();
    }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qDebug().noquote() << m_log.join('\n');
        m_log.clear();
        qunsetenv("CREDENTIALS_DIRECTORY");
    }

    // The password from systemd's credential (the file itself is out of
    // reach); OBS's scenes, hidden items and studio mode followed; OBS
    // closing and coming back; a session OBS's user ends stays ended
    // until a reload.
    void followsObs()
    {
        m_obs.password = "secret";
        QVERIFY(QDir(m_dir.path()).mkdir("credentials"));
        QVERIFY(testsupport::writeFile(m_dir.filePath("credentials/obs-password"), "secret\n"));
        qputenv("CREDENTIALS_DIRECTORY", m_dir.filePath("credentials").toUtf8());
        Config c = config();
        c.obsNames = {{"Wide", 20}};
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        QTRY_COMPARE(lit(service), "1,2,3 | ");
        const QJsonObject input = inputsJson(service)[0].toObject();
        QCOMPARE(input["kind"], "obs");
        QCOMPARE(input["state"], "connected");
        QCOMPARE(lampsJson(service)[2].toObject()["label"], "Camera 03");

        m_obs.scenes["Main"][3] = "CAM 4";
        m_obs.event("SceneItemEnableStateChanged", {{"sceneName", "Main"}, {"sceneItemId", 4}, {"sceneItemEnabled", true}});
        QTRY_COMPARE(lit(service), "1,2,3,4 | ");
        m_obs.preview = "Side";
        m_obs.event("StudioModeStateChanged", {{"studioModeEnabled", true}});
        QTRY_COMPARE(lit(service), "1,2,3,4 | 20");
        m_obs.scenes["Group"] = QStringList{};
        m_obs.event("SceneItemRemoved", {{"sceneName", "Group"}, {"sourceName", "Camera 03"}, {"sceneItemId", 1}});
        QTRY_COMPARE(lit(service), "1,2,4 | 20");

        m_obs.client->close();
        QTRY_COMPARE(m_obs.connections, 2);
        QTRY_COMPARE(service.inputs().begin()->second->transport().reconnects(), 1);
        QCOMPARE(lit(service), "1,2,4 | 20");

        m_obs.client->close(QWebSocketProtocol::CloseCode(4011), "kicked");
        QTRY_VERIFY(m_log.contains(QString("obs %1: OBS closed the session; not connecting again until a reload; its last tally stays on the lamps").arg(c.obs->text())));
        QVERIFY(service.inputs().begin()->second->transport().gaveUp());
        QString changes;
        QCOMPARE(service.reload(c, &changes), QString());
        QTRY_COMPARE(m_obs.connections, 3);
    }

    // OBS that stops answering, pings too, is dropped after silenceMs with
    // its last tally kept, and connected again once it answers.
    void silentObs()
    {
        Cable cable(m_obs.server.serverPort());
        Config c = config();
        c.obs = Remote{"127.0.0.1", cable.server.serverPort()};
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        QTRY_COMPARE(lit(service), "1,2,3 | ");
        cable.cut = true;
        QTRY_COMPARE(m_log.filter("no answer for 0.6 s; connection dropped").size(), 1);
        QCOMPARE(lit(service), "1,2,3 | ");
        cable.cut = false;
        QTRY_COMPARE(service.inputs().begin()->second->transport().reconnects(), 1);
    }

    // A wrong password is told once and tried again every authRetryMs;
    // mended in the file, it is taken at the next attempt.
    void wrongPassword()
    {
        m_obs.password = "secret";
        Config c = config();
        QVERIFY(testsupport::writeFile(c.obsPasswordFile, "s3cret\n"));
        Service service(c, log);
        QCOMPARE(service.start(), QString());
        const int before = m_obs.connections;
        QTRY_COMPARE(m_obs.connections, before + 3);
        QCOMPARE(m_log.filter("authentication").join('\n'), "OBS at 127.0.0.1: authentication failed");
        QVERIFY(testsupport::writeFile(c.obsPasswordFile, "secret\n"));
        QTRY_COMPARE(lit(service), "1,2,3 | ");
        QVERIFY(m_log.contains("OBS at 127.0.0.1: password taken"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeObs)
#include "test_bridge_obs.moc"
