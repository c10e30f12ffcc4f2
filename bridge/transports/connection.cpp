#include "bridge/transports/connection.h"

namespace bridge {

Connection::Connection(Carried &input, Remote at, QByteArray hello, QByteArray poll, const Timing &timing)
    : Transport(input), m_at(std::move(at)), m_hello(std::move(hello)), m_poll(std::move(poll)),
      m_retrying(
          timing.retryMs, timing.reportMs, [this](const QString &text) { m_input.log(text); },
          [this] { return m_input.name(); }, [this] { return m_input.staysText(); })
{
    setConnections(0);
    for (QTimer *timer : {&m_retry, &m_connecting, &m_silence}) timer->setSingleShot(true);
    m_retry.setInterval(timing.retryMs);
    m_connecting.setInterval(timing.connectMs);
    m_silence.setInterval(timing.silenceMs);
    m_polling.setInterval(timing.pollMs);
    connect(&m_retry, &QTimer::timeout, this, &Connection::connectNow);
    connect(&m_connecting, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no answer in %1 s").arg(seconds(m_connecting.interval()))); });
    connect(&m_silence, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("no byte for %1 s; connection dropped").arg(seconds(m_silence.interval())));
    });
    connect(&m_polling, &QTimer::timeout, this, [this] { m_socket.write(m_poll); });
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_connecting.stop();
        m_retrying.opened(QStringLiteral("connected"));
        m_reader = m_input.newStream();
        m_socket.write(m_hello);
        m_silence.start();
        m_polling.start();
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        // Live from its first answer: a port that accepts and says
        // nothing (a forward to a vMix that is down) is no connection.
        setConnections(1);
        setLink(Link::Connected);
        m_silence.start();
        m_reader->feed(m_socket.readAll());
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] { fail(m_socket.errorString()); });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { fail(QStringLiteral("connection closed")); });
    m_socket.setReadBufferSize(kReadBatch);
}

Connection::~Connection()
{
    m_socket.disconnect(this);
}

QString Connection::open()
{
    connectNow();
    return {};
}

void Connection::connectNow()
{
    m_socket.abort();
    setLink(Link::Retrying);
    m_connecting.start();
    m_socket.connectToHost(m_at.host, m_at.port);
}

// Told once, then once a report period while it lasts; one attempt every
// retry period.
void Connection::fail(const QString &why)
{
    if (m_retry.isActive()) return;
    m_retry.start();
    for (QTimer *timer : {&m_connecting, &m_silence, &m_polling}) timer->stop();
    setConnections(0);
    setLink(Link::Lost);
    m_retrying.failed(why);
    m_socket.abort();
}

} // namespace bridge
