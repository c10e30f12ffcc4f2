#include "bridge/transports/atemlink.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>

namespace bridge {

AtemLink::AtemLink(Carried &input, Remote at, const Timing &timing)
    : Transport(input), m_at(std::move(at)),
      m_retrying(
          timing.retryMs, timing.reportMs, [this](const QString &text) { m_input.log(text); },
          [this] { return m_input.name(); }, [this] { return m_input.staysText(); })
{
    setConnections(0);
    m_retry.setInterval(timing.retryMs);
    m_silence.setSingleShot(true);
    m_silence.setInterval(timing.lostMs);
    m_keepAlive.setInterval(timing.keepAliveMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (!m_answered)
            m_retrying.failed(m_why.isEmpty() ? QStringLiteral("no answer in %1 s").arg(seconds(m_retry.interval()))
                                              : m_why);
        hello();
    });
    connect(&m_silence, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("no packet for %1 s").arg(seconds(m_silence.interval()))); });
    connect(&m_keepAlive, &QTimer::timeout, this, [this] { send(m_session.keepAlive()); });
    // The handshake waits for the host's address.
    connect(&m_socket, &QUdpSocket::connected, this, [this] {
        if (m_session.stage() == AtemSession::Stage::Opening) send(m_syn);
    });
    connect(&m_socket, &QUdpSocket::readyRead, this, &AtemLink::read);
    connect(&m_socket, &QUdpSocket::errorOccurred, this, [this] { m_why = m_socket.errorString(); });
}

AtemLink::~AtemLink()
{
    m_socket.disconnect(this);
    send(m_session.close());
}

QString AtemLink::open()
{
    hello();
    return {};
}

// A new session, every retry period until the switcher answers.
void AtemLink::hello()
{
    if (link() != Link::Lost) setLink(Link::Retrying);
    m_answered = false;
    m_why.clear();
    m_retry.start();
    m_syn = m_session.open(quint16(QRandomGenerator::global()->bounded(0x8000)));
    if (m_socket.state() == QAbstractSocket::ConnectedState) return send(m_syn);
    // A lookup under way goes on; the handshake goes out once it is done.
    if (m_socket.state() == QAbstractSocket::UnconnectedState) m_socket.connectToHost(m_at.host, m_at.port);
}

// What is left waits for the next turn: the socket tells again. A session
// the switcher closed leaves the rest to the next one's socket.
void AtemLink::read()
{
    for (int n = 0;
         n < kDatagramBatch && m_socket.state() == QAbstractSocket::ConnectedState && m_socket.hasPendingDatagrams();
         ++n) {
        // One byte over the most a header can say: longer is malformed.
        const QNetworkDatagram datagram = m_socket.receiveDatagram(atem::kMaxSize + 1);
        if (!datagram.isValid()) break;
        take(m_session.read(datagram.data()));
    }
}

void AtemLink::take(const AtemSession::Read &r)
{
    m_input.malformed(r.malformed);
    if (r.ours) m_answered = true;
    if (r.accepted) {
        m_retry.stop();
        m_reader = m_input.newStream();
        m_retrying.opened(QStringLiteral("connected"));
        setConnections(1);
        setLink(Link::Connected);
        m_keepAlive.start();
    }
    if (r.ours && m_session.stage() == AtemSession::Stage::Open) m_silence.start();
    // The lamps first; the acks a moment later.
    for (const QByteArray &payload : r.payloads) m_reader->feed(payload);
    for (const QByteArray &reply : r.replies) send(reply);
    if (r.rejected) {
        m_answered = false;
        m_why = QStringLiteral("refused: it takes no more clients");
    }
    if (r.closed) lost(QStringLiteral("it closed the session"));
}

// Told once, then once a report period while it lasts; a handshake at
// once, and every retry period after.
void AtemLink::lost(const QString &why)
{
    m_silence.stop();
    m_keepAlive.stop();
    // A switcher still there frees the client's place. The host's name is
    // looked up again, and the session comes from another port.
    send(m_session.close());
    m_socket.abort();
    m_reader.reset();
    setConnections(0);
    setLink(Link::Lost);
    m_retrying.failed(why);
    hello();
}

void AtemLink::send(const QByteArray &datagram)
{
    if (!datagram.isEmpty() && m_socket.state() == QAbstractSocket::ConnectedState) m_socket.write(datagram);
}

} // namespace bridge
