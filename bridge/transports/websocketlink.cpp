#include "bridge/transports/websocketlink.h"

#include "bridge/obs.h"

#include <QUrl>

namespace bridge {

namespace {
// No OBS message comes near this; a peer that sends more is no OBS.
constexpr qint64 kMaxMessage = 4 << 20;
} // namespace

WebSocketLink::WebSocketLink(Carried &input, Remote at, const Timing &timing)
    : Transport(input), m_at(std::move(at)), m_retryMs(timing.retryMs), m_authRetryMs(timing.authRetryMs),
      m_retrying(
          timing.retryMs, timing.reportMs, [this](const QString &text) { m_input.log(text); },
          [this] { return m_input.name(); }, [this] { return m_input.staysText(); })
{
    setConnections(0);
    for (QTimer *timer : {&m_retry, &m_connecting, &m_silence}) timer->setSingleShot(true);
    m_connecting.setInterval(timing.connectMs);
    m_silence.setInterval(timing.silenceMs);
    m_ping.setInterval(timing.pollMs);
    connect(&m_retry, &QTimer::timeout, this, &WebSocketLink::connectNow);
    connect(&m_connecting, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no answer in %1 s").arg(seconds(m_connecting.interval())), m_retryMs); });
    connect(&m_silence, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("no answer for %1 s; connection dropped").arg(seconds(m_silence.interval())), m_retryMs);
    });
    connect(&m_ping, &QTimer::timeout, this, [this] { m_socket.ping(); });
    connect(&m_socket, &QWebSocket::connected, this, [this] {
        m_connecting.stop();
        m_reader = m_input.newStream();
        m_messages = 0;
        m_silence.start();
        m_ping.start();
    });
    connect(&m_socket, &QWebSocket::pong, this, [this] { m_silence.start(); });
    connect(&m_socket, &QWebSocket::textMessageReceived, this, [this](const QString &text) {
        if (!m_reader) return;
        // Live from its second message: OBS's Identified after its Hello,
        // so a password it refuses is no connection.
        if (++m_messages == 2) {
            setConnections(1);
            setLink(Link::Connected);
            if (std::exchange(m_authFailed, false))
                m_input.log(QStringLiteral("OBS at %1: password taken").arg(m_at.host));
            m_retrying.opened(QStringLiteral("connected"));
        }
        m_silence.start();
        m_reader->feed(text.toUtf8());
        for (const QByteArray &reply : m_reader->replies()) m_socket.sendTextMessage(QString::fromUtf8(reply));
    });
    // Qt 6.4's name for what later Qt calls errorOccurred.
    connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
            [this] { ended(m_socket.errorString()); });
    connect(&m_socket, &QWebSocket::disconnected, this, [this] { ended(QStringLiteral("connection closed")); });
    m_socket.setMaxAllowedIncomingMessageSize(kMaxMessage);
    m_socket.setMaxAllowedIncomingFrameSize(kMaxMessage);
}

WebSocketLink::~WebSocketLink()
{
    m_socket.disconnect(this);
}

QString WebSocketLink::open()
{
    connectNow();
    return {};
}

void WebSocketLink::connectNow()
{
    m_socket.abort();
    m_reader.reset();
    setLink(Link::Retrying);
    m_connecting.start();
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(m_at.host);
    url.setPort(m_at.port);
    m_socket.open(url);
}

// The close code says more than the socket's error: a refused password, a
// session ended by OBS's user.
void WebSocketLink::ended(const QString &why)
{
    if (m_retry.isActive() || m_gaveUp) return;
    switch (int(m_socket.closeCode())) {
    case kObsAuthenticationFailed:
        // Told once: a wrong password stays wrong until someone mends it.
        if (!std::exchange(m_authFailed, true))
            m_input.log(QStringLiteral("OBS at %1: authentication failed").arg(m_at.host));
        return fail({}, m_authRetryMs);
    case kObsSessionInvalidated:
        m_input.log(QStringLiteral("%1: OBS closed the session; not connecting again until a reload%2")
                        .arg(m_input.name(), m_input.staysText()));
        fail({}, 0);
        m_gaveUp = true;
        m_retry.stop();
        return;
    default: return fail(why, m_retryMs);
    }
}

// Told once, then once a report period while it lasts; an empty why is
// told by the caller.
void WebSocketLink::fail(const QString &why, int retryMs)
{
    if (m_retry.isActive()) return;
    m_retry.start(retryMs);
    for (QTimer *timer : {&m_connecting, &m_silence, &m_ping}) timer->stop();
    setConnections(0);
    setLink(Link::Lost);
    if (!why.isEmpty()) m_retrying.failed(why);
    m_socket.abort();
}

} // namespace bridge
