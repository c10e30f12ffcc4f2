// The bridge seen from a browser: the status page, /api/state, /metrics,
// the WebSocket that follows every change, and the lamp test. It only
// reads the service, apart from the test, and costs the unit line
// nothing: the line is written first, the changes of one turn of the event
// loop then go out together, and a client that does not read is dropped,
// never waited for.
#pragma once

#include "bridge/config.h"
#include "bridge/http/statejson.h"
#include "bridge/throttle.h"

#include <QHttpServer>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <deque>
#include <map>
#include <memory>

QT_BEGIN_NAMESPACE
class QWebSocket;
QT_END_NAMESPACE

namespace bridge {

class Service;

class HttpSide : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 32;
    static constexpr qsizetype kMaxBody = 4096;
    static constexpr qint64 kMaxQueued = 1 << 20; // bytes waiting for a client
    static constexpr int kFrames = 200;
    static constexpr int kLogLines = 100;
    // What the page waits after a pair went out on the line.
    static constexpr int kAfterPairMs = 1;

    explicit HttpSide(Service &service, QObject *parent = nullptr);
    ~HttpSide() override;

    // Empty, or why it cannot listen there.
    QString listen(const Endpoint &at);
    quint16 port() const;
    // A line of the bridge's log, for the page.
    void log(const QString &text);

private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        qint64 queued = 0;
    };
    struct Recent {
        QJsonObject entry;
        qint64 sequence;
    };

    void route();
    QHttpServerResponse page(const QHttpServerRequest &request, const QString &file) const;
    QHttpServerResponse lampTest(const QHttpServerRequest &request);
    QString refused(const QHttpServerRequest &request) const; // why a control request may not be done
    void accept();
    void send(Client &client, const QByteArray &message);
    void drop(QWebSocket *socket, const QString &why);
    void changed();
    void flush();
    QJsonObject state() const;
    QJsonObject bridgeJson() const;
    void remember(std::deque<Recent> &list, size_t bound, QJsonObject entry);

    Service &m_service;
    QHttpServer m_server;
    std::map<QWebSocket *, Client> m_clients;
    std::deque<Recent> m_frames, m_log;
    qint64 m_sequence = 0, m_sentSequence = 0;
    std::optional<WrittenPair> m_lastPair;
    // What the clients have been sent.
    QJsonArray m_lamps, m_inputs;
    QJsonObject m_bridge, m_line;
    QJsonValue m_test;
    QTimer m_flush;
    Throttle m_refused;
};

} // namespace bridge
