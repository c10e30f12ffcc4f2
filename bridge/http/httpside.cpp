#include "bridge/http/httpside.h"

#include "bridge/http/metrics.h"
#include "bridge/http/testrequest.h"
#include "bridge/service.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QWebSocket>

namespace bridge {

namespace {

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponse::StatusCode;

QHttpServerResponse error(const QString &why, Status status)
{
    return QHttpServerResponse(QJsonObject{{QStringLiteral("error"), why}}, status);
}

// Chinese when the browser prefers it to English, else English.
QString language(const QByteArray &acceptLanguage)
{
    double best = 0;
    QString chosen = QStringLiteral("en");
    for (const QByteArray &item : acceptLanguage.split(',')) {
        const QList<QByteArray> parts = item.trimmed().split(';');
        const QByteArray tag = parts[0].trimmed().toLower();
        double q = 1;
        for (qsizetype i = 1; i < parts.size(); ++i)
            if (const QByteArray p = parts[i].trimmed(); p.startsWith("q=")) q = p.mid(2).toDouble();
        const QByteArray primary = tag.split('-').first();
        if ((primary == "zh" || primary == "en") && q > best) {
            best = q;
            chosen = QString::fromLatin1(primary);
        }
    }
    return chosen;
}

// The same but for the members that change by themselves with time.
bool same(const QJsonValue &a, const QJsonValue &b, const QString &ticking)
{
    if (!a.isObject() || !b.isObject()) return a == b;
    QJsonObject x = a.toObject(), y = b.toObject();
    x.remove(ticking);
    y.remove(ticking);
    return x == y;
}

bool sameInputs(const QJsonArray &a, const QJsonArray &b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i], QStringLiteral("last_heard_s"))) return false;
    return true;
}

bool equalTokens(const QByteArray &a, const QByteArray &b)
{
    // Time that does not tell how much of a guess was right.
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) diff |= uchar(a[i]) ^ uchar(b[i]);
    return diff == 0;
}

} // namespace

HttpSide::HttpSide(Service &service, QObject *parent)
    : QObject(parent), m_service(service), m_refused(kNoiseReportMs, [this](qint64 count, const QString &last) {
          m_service.log(count == 1 ? last : QStringLiteral("%1 (%2 times)").arg(last).arg(count));
      })
{
    m_flush.setSingleShot(true);
    m_flush.setTimerType(Qt::PreciseTimer);
    connect(&m_flush, &QTimer::timeout, this, &HttpSide::flush);
    connect(&m_service, &Service::changed, this, &HttpSide::changed);
    connect(&m_service, &Service::wrote, this, [this](const QByteArray &pair, bool again) {
        m_lastPair = WrittenPair{QDateTime::currentDateTimeUtc(), pair};
        for (const QJsonValue f : framesJson(*m_lastPair, again)) remember(m_frames, kFrames, f.toObject());
        // The pair first: on a pty the kernel hands it on from a worker on
        // this CPU, which the clients' messages, sent at once, would keep
        // waiting. A millisecond later they cost the line nothing.
        if (!m_clients.empty()) m_flush.start(kAfterPairMs);
    });
    connect(&m_server, &QHttpServer::newWebSocketConnection, this, &HttpSide::accept);
    route();
}

HttpSide::~HttpSide()
{
    for (auto &[socket, client] : m_clients) socket->disconnect(this);
}

namespace {

// Each update is small and wanted at once: Nagle's wait for the client's
// ACK (which a client may delay by 40 ms) is no use here.
class LowDelayServer : public QTcpServer {
protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        addPendingConnection(socket);
    }
};

} // namespace

QString HttpSide::listen(const Endpoint &at)
{
    auto server = std::make_unique<LowDelayServer>();
    if (!server->listen(at.address, at.port))
        return QStringLiteral("http %1: cannot listen: %2").arg(at.text(), server->errorString());
    m_server.bind(server.release());
    m_service.log(QStringLiteral("http %1: listening").arg(at.text()));
    return {};
}

quint16 HttpSide::port() const
{
    const QList<QTcpServer *> servers = m_server.servers();
    return servers.isEmpty() ? 0 : servers.first()->serverPort();
}

void HttpSide::route()
{
    // Each path answers its own methods; the others are told which those are.
    const auto only = [](QList<Method> methods, QByteArray allow, auto handler) {
        return [methods, allow, handler](const QHttpServerRequest &request) {
            if (!methods.contains(request.method())) {
                QHttpServerResponse r = error(QStringLiteral("not allowed here"), Status::MethodNotAllowed);
                r.setHeader("Allow", allow);
                return r;
            }
            return handler(request);
        };
    };
    const auto get = [&](const char *path, auto handler) {
        m_server.route(QString::fromLatin1(path), only({Method::Get}, "GET", handler));
    };
    get("/", [this](const QHttpServerRequest &r) { return page(r, QStringLiteral("index.html")); });
    get("/page.css", [this](const QHttpServerRequest &r) { return page(r, QStringLiteral("page.css")); });
    get("/page.js", [this](const QHttpServerRequest &r) { return page(r, QStringLiteral("page.js")); });
    get("/api/state", [this](const QHttpServerRequest &) { return QHttpServerResponse(state()); });
    get("/metrics", [this](const QHttpServerRequest &) {
        return QHttpServerResponse("text/plain; version=0.0.4; charset=utf-8", metricsText(m_service));
    });
    m_server.route(QStringLiteral("/api/test"),
                   only({Method::Post, Method::Delete}, "POST, DELETE",
                        [this](const QHttpServerRequest &request) { return lampTest(request); }));
    // Qt's server hands an upgrade to the WebSocket side only once a route
    // took the request: this one says nothing to an upgrade.
    m_server.route(QStringLiteral("/ws"), [](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
        if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0) return;
        error(QStringLiteral("a WebSocket upgrade is wanted here"), Status::UpgradeRequired)
            .write(std::move(responder));
    });
    m_server.setMissingHandler([](const QHttpServerRequest &, QHttpServerResponder &&responder) {
        error(QStringLiteral("no such page"), Status::NotFound).write(std::move(responder));
    });
    m_server.afterRequest([](QHttpServerResponse &&response) {
        response.setHeader("Cache-Control", "no-store");
        response.setHeader("X-Content-Type-Options", "nosniff");
        return std::move(response);
    });
}

QHttpServerResponse HttpSide::page(const QHttpServerRequest &request, const QString &file) const
{
    QFile f(QStringLiteral(":/page/") + file);
    if (!f.open(QIODevice::ReadOnly)) return error(QStringLiteral("no such page"), Status::NotFound);
    QByteArray body = f.readAll();
    QByteArray type = "text/html; charset=utf-8";
    if (file.endsWith(QLatin1String(".css"))) type = "text/css; charset=utf-8";
    if (file.endsWith(QLatin1String(".js"))) type = "text/javascript; charset=utf-8";
    const QByteArray lang = language(request.value("Accept-Language")).toLatin1();
    if (file == QLatin1String("index.html")) body.replace("{{lang}}", lang);
    QHttpServerResponse r(type, body);
    // Nothing from elsewhere: the page works where the studio has no internet.
    r.setHeader("Content-Security-Policy", "default-src 'self'; connect-src 'self' ws: wss:; frame-ancestors 'none'");
    r.setHeader("Content-Language", lang);
    return r;
}

QString HttpSide::refused(const QHttpServerRequest &request) const
{
    const Config &c = m_service.config();
    if (!c.httpControl) return QStringLiteral("403");
    QFile file(c.httpTokenFile);
    const QByteArray token = file.open(QIODevice::ReadOnly) ? file.readLine().trimmed() : QByteArray();
    if (token.isEmpty())
        m_service.log(QStringLiteral("http: token file %1: no token to check against").arg(c.httpTokenFile));
    const QByteArray given = request.value("Authorization");
    if (token.isEmpty() || !given.startsWith("Bearer ") || !equalTokens(given.mid(7).trimmed(), token))
        return QStringLiteral("401");
    return {};
}

QHttpServerResponse HttpSide::lampTest(const QHttpServerRequest &request)
{
    const QString why = refused(request);
    if (why == QLatin1String("403"))
        return error(QStringLiteral("the lamp test is off: [http] control = no"), Status::Forbidden);
    if (why == QLatin1String("401")) {
        QHttpServerResponse r =
            error(QStringLiteral("the token is wanted: Authorization: Bearer TOKEN"), Status::Unauthorized);
        r.setHeader("WWW-Authenticate", "Bearer");
        return r;
    }
    const QString by = request.remoteAddress().toString();
    if (request.method() == Method::Delete) {
        m_service.endTest(by);
        return QHttpServerResponse(QJsonObject{{QStringLiteral("test"), testJson(m_service)}});
    }
    if (request.body().size() > kMaxBody)
        return error(QStringLiteral("a request of %1 bytes at most").arg(kMaxBody), Status::PayloadTooLarge);
    const auto read = readTestRequest(request.body());
    if (const QString *bad = std::get_if<QString>(&read)) return error(*bad, Status::BadRequest);
    const TestRequest &t = std::get<TestRequest>(read);
    m_service.startTest(t.input, t.bus, t.seconds, by);
    return QHttpServerResponse(QJsonObject{{QStringLiteral("test"), testJson(m_service)}});
}

void HttpSide::accept()
{
    while (m_server.hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = m_server.nextPendingWebSocketConnection();
        QWebSocket *s = socket.get();
        // Another version of Qt's server may hand over an upgrade to any path.
        if (socket->requestUrl().path() != QLatin1String("/ws")) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no such page"));
            socket.release()->deleteLater();
            continue;
        }
        if (m_clients.size() >= kMaxClients) {
            m_refused.add(QStringLiteral("http: %1 page clients already; %2 refused")
                              .arg(kMaxClients)
                              .arg(socket->peerAddress().toString()));
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("too many clients"));
            socket.release()->deleteLater();
            continue;
        }
        connect(s, &QWebSocket::disconnected, this, [this, s] {
            if (const auto it = m_clients.find(s); it != m_clients.end()) {
                it->second.socket.release()->deleteLater();
                m_clients.erase(it);
            }
        });
        connect(s, &QWebSocket::bytesWritten, this, [this, s](qint64 n) {
            if (const auto it = m_clients.find(s); it != m_clients.end())
                it->second.queued = std::max<qint64>(0, it->second.queued - n);
        });
        // The others first: the newcomer's state is then where theirs is.
        flush();
        Client &client = m_clients[s];
        client.socket = std::move(socket);
        QJsonObject whole = state();
        whole.insert(QStringLiteral("type"), QStringLiteral("state"));
        send(client, QJsonDocument(whole).toJson(QJsonDocument::Compact));
    }
}

void HttpSide::send(Client &client, const QByteArray &message)
{
    if (client.queued > kMaxQueued) return drop(client.socket.get(), QStringLiteral("it reads too slowly"));
    client.queued += client.socket->sendTextMessage(QString::fromUtf8(message));
}

void HttpSide::drop(QWebSocket *socket, const QString &why)
{
    m_service.log(QStringLiteral("http: page client %1 dropped: %2").arg(socket->peerAddress().toString(), why));
    const auto it = m_clients.find(socket);
    socket->disconnect(this);
    socket->abort();
    it->second.socket.release()->deleteLater();
    m_clients.erase(it);
}

void HttpSide::log(const QString &text)
{
    remember(m_log, kLogLines,
             {{QStringLiteral("at"), jsonTime(QDateTime::currentDateTimeUtc())}, {QStringLiteral("text"), text}});
}

void HttpSide::remember(std::deque<Recent> &list, size_t bound, QJsonObject entry)
{
    list.push_back({std::move(entry), ++m_sequence});
    if (list.size() > bound) list.pop_front();
    changed();
}

void HttpSide::changed()
{
    // Nobody to tell: a newcomer is sent the whole state anyway.
    if (m_flush.isActive() || m_clients.empty()) return;
    // After what this turn of the event loop still reads: a batch of
    // datagrams is one message, however many changes it holds.
    m_flush.start(0);
}

// What changed since the last flush, to every client, in one message.
void HttpSide::flush()
{
    m_flush.stop();
    QJsonObject update;
    const QJsonArray lamps = lampsJson(m_service);
    QJsonArray changedLamps;
    for (qsizetype i = 0; i < lamps.size(); ++i)
        if (i >= m_lamps.size() || lamps[i] != m_lamps[i]) changedLamps << lamps[i];
    if (!changedLamps.isEmpty()) update.insert(QStringLiteral("lamps"), changedLamps);
    m_lamps = lamps;
    if (const QJsonArray inputs = inputsJson(m_service); !sameInputs(inputs, m_inputs)) {
        update.insert(QStringLiteral("inputs"), inputs);
        m_inputs = inputs;
    }
    // A reload may allow the lamp test, or take it back.
    if (const QJsonObject bridge = bridgeJson(); bridge != m_bridge) {
        update.insert(QStringLiteral("bridge"), bridge);
        m_bridge = bridge;
    }
    if (const QJsonObject line = lineJson(m_service, m_lastPair); line != m_line) {
        update.insert(QStringLiteral("line"), line);
        m_line = line;
    }
    if (const QJsonValue test = testJson(m_service); !same(test, m_test, QStringLiteral("left_s"))) {
        update.insert(QStringLiteral("test"), test);
        m_test = test;
    }
    for (const auto &[list, name] : {std::pair(&m_frames, "frames"), std::pair(&m_log, "log")}) {
        QJsonArray fresh;
        for (const Recent &r : *list)
            if (r.sequence > m_sentSequence) fresh << r.entry;
        if (!fresh.isEmpty()) update.insert(QLatin1String(name), fresh);
    }
    m_sentSequence = m_sequence;
    if (update.isEmpty() || m_clients.empty()) return;
    update.insert(QStringLiteral("type"), QStringLiteral("update"));
    const QByteArray message = QJsonDocument(update).toJson(QJsonDocument::Compact);
    QList<QWebSocket *> sockets;
    for (const auto &[socket, client] : m_clients) sockets << socket;
    for (QWebSocket *socket : sockets)
        if (const auto it = m_clients.find(socket); it != m_clients.end()) send(it->second, message);
}

QJsonObject HttpSide::bridgeJson() const
{
    return {{QStringLiteral("version"), QCoreApplication::applicationVersion()},
            {QStringLiteral("control"), m_service.config().httpControl}};
}

QJsonObject HttpSide::state() const
{
    QJsonArray frames, log;
    for (const Recent &r : m_frames) frames << r.entry;
    for (const Recent &r : m_log) log << r.entry;
    return {{QStringLiteral("bridge"), bridgeJson()},
            {QStringLiteral("lamps"), lampsJson(m_service)},
            {QStringLiteral("inputs"), inputsJson(m_service)},
            {QStringLiteral("line"), lineJson(m_service, m_lastPair)},
            {QStringLiteral("frames"), frames},
            {QStringLiteral("log"), log},
            {QStringLiteral("test"), testJson(m_service)}};
}

} // namespace bridge
