#include "bridge/inputs.h"

#include "bridge/service.h"
#include "bridge/sources.h"
#include "bridge/switcher.h"
#include "bridge/vmix.h"
#include "platform/linesettings.h"

#include <QNetworkDatagram>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <map>

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace bridge {

namespace {

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

// TSL over UDP: each datagram holds whole messages or packets.
class UdpInput : public Input {
public:
    UdpInput(Service &service, const InputSpec &spec, Endpoint at) : Input(service, spec), m_at(at)
    {
        connect(&m_socket, &QUdpSocket::readyRead, this, &UdpInput::read);
    }
    QString open() override
    {
        // Not shared: another program on the port would take datagrams unseen.
        if (!m_socket.bind(m_at.address, m_at.port, QUdpSocket::DontShareAddress))
            return QStringLiteral("%1: cannot listen: %2").arg(name(), m_socket.errorString());
        log(name() + QStringLiteral(": listening"));
        return {};
    }

private:
    // What is left waits for the next turn: the socket tells again.
    void read()
    {
        for (int n = 0; n < kDatagramBatch && m_socket.hasPendingDatagrams(); ++n) {
            const QByteArray bytes = m_socket.receiveDatagram().data();
            if (kind() == Kind::Tsl31) {
                Tsl31Reader reader;
                const QList<Tsl31Message> messages = reader.feed(bytes);
                reader.end();
                malformed(reader.malformed().take());
                if (!messages.isEmpty()) heard(tsl31Sources(config(), messages));
            } else {
                tsl5(bytes);
            }
        }
    }

    Endpoint m_at;
    QUdpSocket m_socket;
};

// TSL over TCP: a stream per sender, all senders one input. A sender that
// is silent longest gives its place to a new one when all are taken, so
// idle connections can never lock the real sender out.
class TcpInput : public Input {
public:
    static constexpr int kMaxClients = 16;
    static constexpr qsizetype kClientBacklog = 4096; // bytes held for a message not yet whole

    TcpInput(Service &service, const InputSpec &spec, Endpoint at)
        : Input(service, spec), m_at(at), m_replaced(1000, [this](qint64 count, const QString &last) {
              log(count == 1 ? last
                             : QStringLiteral("%1: %2 senders replaced the one silent longest, the last: %3")
                                   .arg(name())
                                   .arg(count)
                                   .arg(last.section(QStringLiteral(": "), 1)));
          })
    {
        connect(&m_server, &QTcpServer::newConnection, this, &TcpInput::accept);
        setConnections(0);
    }
    ~TcpInput() override
    {
        // Closed by the bridge, not by the senders: nothing to log.
        for (const auto &client : m_clients) client.first->disconnect(this);
    }
    QString open() override
    {
        if (!m_server.listen(m_at.address, m_at.port))
            return QStringLiteral("%1: cannot listen: %2").arg(name(), m_server.errorString());
        log(name() + QStringLiteral(": listening"));
        return {};
    }

private:
    struct Client {
        QString peer;
        QElapsedTimer heard; // since it last sent, or connected
        Tsl31Reader tsl31;
        Tsl5Stream tsl5;
    };

    void accept()
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
                const auto silent = std::min_element(m_clients.begin(), m_clients.end(), [](auto &a, auto &b) {
                    return a.second->heard < b.second->heard;
                });
                m_replaced.add(QStringLiteral("%1: %2 senders already; %3, silent for %4 s, replaced by %5")
                                   .arg(name())
                                   .arg(kMaxClients)
                                   .arg(silent->second->peer)
                                   .arg(silent->second->heard.elapsed() / 1000)
                                   .arg(client->peer));
                release(silent->first);
            }
            log(QStringLiteral("%1: %2 connected").arg(name(), client->peer));
            socket->setReadBufferSize(kReadBatch);
            keepAlive(*socket);
            m_clients.emplace(socket, std::move(client));
            setConnections(int(m_clients.size()));
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] { closed(socket); });
        }
    }

    // Frees the sender's place: its socket goes without a word more.
    QString release(QTcpSocket *socket)
    {
        const auto it = m_clients.find(socket);
        if (it == m_clients.end()) return {};
        const QString peer = it->second->peer;
        socket->disconnect(this);
        m_clients.erase(it);
        setConnections(int(m_clients.size()));
        socket->abort();
        return peer;
    }

    void closed(QTcpSocket *socket)
    {
        if (const QString peer = release(socket); !peer.isEmpty())
            log(QStringLiteral("%1: %2 closed%3").arg(name(), peer, staysText()));
    }

    // A sender switched off or unplugged never closes: the kernel's probes
    // find it gone within about 11 s, and its place and staleness follow.
    static void keepAlive(QTcpSocket &socket)
    {
        socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
        const int fd = int(socket.socketDescriptor()), idle = 5, interval = 2, count = 3;
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
#endif
    }

    // Senders that closed since the last turn of the event loop still hold
    // their place until their socket reads the end: free those places now.
    void dropClosed()
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

    void read(QTcpSocket *socket)
    {
        const auto it = m_clients.find(socket);
        if (it == m_clients.end()) return;
        Client &c = *it->second;
        c.heard.start();
        const QByteArray bytes = socket->readAll(); // at most the read buffer's size
        qsizetype backlog = 0;
        if (kind() == Kind::Tsl31) {
            const QList<Tsl31Message> messages = c.tsl31.feed(bytes);
            if (!messages.isEmpty()) heard(tsl31Sources(config(), messages));
            malformed(c.tsl31.malformed().take());
            backlog = c.tsl31.pending();
        } else {
            for (const QByteArray &packet : c.tsl5.feed(bytes)) tsl5(packet);
            malformed(c.tsl5.malformed().take());
            backlog = c.tsl5.pending();
        }
        if (backlog > kClientBacklog) {
            log(QStringLiteral("%1: dropped %2: over %3 bytes that are no whole message")
                    .arg(name(), c.peer)
                    .arg(kClientBacklog));
            release(socket);
        }
    }

    Endpoint m_at;
    Throttle m_replaced;
    // Before the server: the server's sockets go with it, and tell of it.
    std::map<QTcpSocket *, std::unique_ptr<Client>> m_clients;
    QTcpServer m_server;
};

// vMix: a client that subscribes, asks for the tally every 2 s and takes a
// connection that stays silent for 5 s, or is not made within 2 s, for
// dead; it connects again every 2 s.
class VmixInput : public Input {
public:
    VmixInput(Service &service, const InputSpec &spec, Remote at) : Input(service, spec), m_at(std::move(at))
    {
        const Timing &t = config().timing;
        setConnections(0);
        for (QTimer *timer : {&m_retry, &m_connecting, &m_silence}) timer->setSingleShot(true);
        m_retry.setInterval(t.retryMs);
        m_connecting.setInterval(t.connectMs);
        m_silence.setInterval(t.silenceMs);
        m_poll.setInterval(t.pollMs);
        connect(&m_retry, &QTimer::timeout, this, &VmixInput::connectNow);
        connect(&m_connecting, &QTimer::timeout, this,
                [this] { fail(QStringLiteral("no answer in %1 s").arg(seconds(m_connecting.interval()))); });
        connect(&m_silence, &QTimer::timeout, this, [this] {
            fail(QStringLiteral("no byte for %1 s; connection dropped").arg(seconds(m_silence.interval())));
        });
        connect(&m_poll, &QTimer::timeout, this, [this] { m_socket.write(kVmixAsk); });
        connect(&m_socket, &QTcpSocket::connected, this, [this] {
            m_connecting.stop();
            m_retrying.opened(QStringLiteral("connected"));
            m_reader = {};
            m_socket.write(kVmixSubscribe + kVmixAsk);
            m_silence.start();
            m_poll.start();
        });
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
            // Live from its first answer: a port that accepts and says
            // nothing (a forward to a vMix that is down) is no connection.
            setConnections(1);
            m_silence.start();
            const QList<QList<VmixState>> tallies = m_reader.feed(m_socket.readAll());
            malformed(m_reader.malformed().take());
            if (!tallies.isEmpty()) heard(vmixSources(tallies.last()), true);
        });
        connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] { fail(m_socket.errorString()); });
        connect(&m_socket, &QTcpSocket::disconnected, this, [this] { fail(QStringLiteral("connection closed")); });
        m_socket.setReadBufferSize(kReadBatch);
    }
    ~VmixInput() override { m_socket.disconnect(this); }
    QString open() override
    {
        connectNow();
        return {};
    }

private:
    void connectNow()
    {
        m_socket.abort();
        m_connecting.start();
        m_socket.connectToHost(m_at.host, m_at.port);
    }
    // Told once, then once a minute while it lasts; one attempt every 2 s.
    void fail(const QString &why)
    {
        if (m_retry.isActive()) return;
        m_retry.start();
        for (QTimer *timer : {&m_connecting, &m_silence, &m_poll}) timer->stop();
        setConnections(0);
        m_retrying.failed(why);
        m_socket.abort();
    }

    Remote m_at;
    VmixReader m_reader;
    QTimer m_retry, m_connecting, m_silence, m_poll;
    // Last, so it goes first.
    QTcpSocket m_socket;
};

// The switcher's serial tally line, 38400 8E1; opened again every 2 s while
// it is missing or lost, and said so when it opens but sends no frame.
class SwitcherInput : public Input {
public:
    SwitcherInput(Service &service, const InputSpec &spec) : Input(service, spec)
    {
        m_retry.setInterval(config().timing.retryMs);
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(config().timing.quietMs);
        connect(&m_retry, &QTimer::timeout, this, &SwitcherInput::tryOpen);
        connect(&m_quiet, &QTimer::timeout, this, [this] {
            m_toldQuiet = true;
            log(QStringLiteral("%1: no frame for %2 s%3%4")
                    .arg(name(), seconds(m_quiet.interval()),
                         m_frames.isEmpty() ? QStringLiteral(" since it opened") : QString(), staysText()));
        });
        connect(&m_port, &QSerialPort::readyRead, this, &SwitcherInput::read);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError) return;
            m_port.clearError();
            m_port.close();
            m_quiet.stop();
            m_retrying.failed(QStringLiteral("lost"));
            m_retry.start();
        });
    }
    ~SwitcherInput() override { m_port.disconnect(this); }
    // A missing device is no reason to keep the other inputs down.
    QString open() override
    {
        tryOpen();
        return {};
    }

private:
    void tryOpen()
    {
        m_port.setPortName(spec().endpoint);
        platform::applyFraming(m_port, platform::switcherLine());
        if (!m_port.open(QIODevice::ReadOnly)) {
            const QString why = platform::whyNotOpen(m_port, spec().endpoint);
            m_port.clearError();
            m_retrying.failed(QStringLiteral("cannot open: ") + why);
            m_retry.start();
            return;
        }
        m_retry.stop();
        m_reader = {};
        m_port.setReadBufferSize(kReadBatch);
        m_retrying.opened(QStringLiteral("open"));
        m_quiet.start();
    }
    void read()
    {
        const QList<switcherlink::Tally> frames = m_reader.feed(m_port.readAll());
        malformed(m_reader.malformed().take());
        if (frames.isEmpty()) return;
        if (std::exchange(m_toldQuiet, false) && !stale) log(name() + QStringLiteral(": heard again"));
        m_quiet.start();
        for (const switcherlink::Tally &t : frames) m_frames[t.id] = t.lamps;
        heard(switcherSources(config(), m_frames), true);
    }

    SwitcherReader m_reader;
    QMap<int, switcherlink::LampStates> m_frames; // the last frame of each ID
    QTimer m_retry, m_quiet;
    bool m_toldQuiet = false;
    // Last, so it goes first.
    QSerialPort m_port;
};

} // namespace

Input::Input(Service &service, InputSpec spec)
    : m_retrying(
          service.config().timing.retryMs, service.config().timing.reportMs, [this](const QString &text) { log(text); },
          [this] { return name(); }, [this] { return staysText(); }),
      m_service(service), m_spec(std::move(spec)), m_malformed(1000, [this](qint64 count, const QString &) {
          log(QStringLiteral("%1: %2 malformed, dropped").arg(name()).arg(count));
      })
{
    m_since.start();
}

const Config &Input::config() const
{
    return m_service.config();
}

void Input::log(const QString &text) const
{
    m_service.log(text);
}

QString Input::staysText() const
{
    return m_service.lit(id()) ? QStringLiteral("; its last tally stays on the lamps") : QString();
}

void Input::heard(const SourceStates &states, bool complete)
{
    if (!m_isConnection) m_since.start();
    m_service.heard(*this, states, complete);
}

void Input::setConnections(int count)
{
    m_isConnection = true;
    if (m_connections > 0 && count == 0) m_since.start();
    m_connections = count;
}

void Input::malformed(qint64 count)
{
    if (count > 0) m_malformed.add({}, count);
}

void Input::tsl5(QByteArrayView bytes)
{
    if (const std::optional<Tsl5Packet> packet = readTsl5Packet(bytes))
        heard(tsl5Sources(config(), *packet, m_service.state().states(id())));
    else
        malformed(1);
}

std::unique_ptr<Input> makeInput(Service &service, const Config &config, const InputSpec &spec)
{
    if (spec.kind == Kind::Switcher) return std::make_unique<SwitcherInput>(service, spec);
    if (spec.kind == Kind::Vmix) return std::make_unique<VmixInput>(service, spec, *config.vmix);
    const bool udp = spec.transport == QLatin1String("udp");
    const Endpoint at = *(spec.kind == Kind::Tsl31 ? (udp ? config.tsl31Udp : config.tsl31Tcp)
                                                   : (udp ? config.tsl5Udp : config.tsl5Tcp));
    if (udp) return std::make_unique<UdpInput>(service, spec, at);
    return std::make_unique<TcpInput>(service, spec, at);
}

} // namespace bridge
