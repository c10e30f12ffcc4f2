#include "bridge/transports/tcplistener.h"

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace bridge {

namespace {

// A sender switched off or unplugged never closes: the kernel's probes
// find it gone within about 11 s, and its place and staleness follow.
void keepAlive(QTcpSocket &socket)
{
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor()), idle = 5, interval = 2, count = 3;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
#endif
}

} // namespace

TcpListener::TcpListener(Carried &input, Endpoint at)
    : Transport(input), m_at(at), m_replaced(kNoiseReportMs, [this](qint64 count, const QString &last) {
          m_input.log(count == 1 ? last
                                 : QStringLiteral("%1: %2 senders replaced the one silent longest, the last: %3")
                                       .arg(m_input.name())
                                       .arg(count)
                                       .arg(last.section(QStringLiteral(": "), 1)));
      })
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpListener::accept);
    setConnections(0);
}

TcpListener::~TcpListener()
{
    // Closed by the bridge, not by the senders: nothing to log.
    for (const auto &client : m_clients) client.first->disconnect(this);
}

QString TcpListener::open()
{
    if (!m_server.listen(m_at.address, m_at.port))
        return QStringLiteral("%1: cannot listen: %2").arg(m_input.name(), m_server.errorString());
    m_input.log(m_input.name() + QStringLiteral(": listening"));
    setLink(Link::Listening);
    return {};
}

void TcpListener::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // Gone before it was taken (reset): nobody to serve or name.
        if (socket->state() != QAbstractSocket::ConnectedState || socket->peerAddress().isNull()) {
            socket->abort();
            continue;
        }
        auto client = std::make_unique<Client>();
        client->peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        client->heard.start();
        dropClosed();
        if (m_clients.size() >= kMaxClients) {
            const auto silent = std::min_element(m_clients.begin(), m_clients.end(),
                                                 [](auto &a, auto &b) { return a.second->heard < b.second->heard; });
            m_replaced.add(QStringLiteral("%1: %2 senders already; %3, silent for %4 s, replaced by %5")
                               .arg(m_input.name())
                               .arg(kMaxClients)
                               .arg(silent->second->peer)
                               .arg(silent->second->heard.elapsed() / 1000)
                               .arg(client->peer));
            release(silent->first);
        }
        m_input.log(QStringLiteral("%1: %2 connected").arg(m_input.name(), client->peer));
        socket->setReadBufferSize(kReadBatch);
        keepAlive(*socket);
        client->reader = m_input.newStream();
        m_clients.emplace(socket, std::move(client));
        setConnections(int(m_clients.size()));
        setLink(Link::Connected);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { closed(socket); });
    }
}

// Frees the sender's place: its socket goes without a word more.
QString TcpListener::release(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end()) return {};
    const QString peer = it->second->peer;
    socket->disconnect(this);
    m_clients.erase(it);
    setConnections(int(m_clients.size()));
    if (m_clients.empty()) setLink(Link::Listening);
    socket->abort();
    return peer;
}

void TcpListener::closed(QTcpSocket *socket)
{
    if (const QString peer = release(socket); !peer.isEmpty())
        m_input.log(QStringLiteral("%1: %2 closed%3").arg(m_input.name(), peer, m_input.staysText()));
}

// Senders that closed since the last turn of the event loop still hold
// their place until their socket reads the end: free those places now.
void TcpListener::dropClosed()
{
#ifdef Q_OS_UNIX
    QList<QTcpSocket *> gone;
    for (const auto &[socket, client] : m_clients) {
        char c;
        const auto peeked = ::recv(int(socket->socketDescriptor()), &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) gone << socket;
    }
    for (QTcpSocket *socket : gone) closed(socket);
#endif
}

void TcpListener::read(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end()) return;
    Client &c = *it->second;
    c.heard.start();
    c.reader->feed(socket->readAll()); // at most the read buffer's size
    if (c.reader->pending() > kClientBacklog) {
        m_input.log(QStringLiteral("%1: dropped %2: over %3 bytes that are no whole message")
                        .arg(m_input.name(), c.peer)
                        .arg(kClientBacklog));
        release(socket);
    }
}

} // namespace bridge
