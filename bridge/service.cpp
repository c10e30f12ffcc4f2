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

namespace bridge {

namespace {

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString inputList(const std::bitset<kParallelInputs + 1> &on)
{
    QStringList n;
    for (int i = 1; i <= kParallelInputs; ++i)
        if (on[size_t(i)]) n << QString::number(i);
    return n.isEmpty() ? QStringLiteral("none") : n.join(QLatin1Char(','));
}

// TSL over UDP: each datagram holds whole messages or packets.
class UdpInput : public Input {
public:
    UdpInput(Service &service, Kind kind, Endpoint at)
        : Input(service, kind, QStringLiteral("%1 udp %2").arg(kindName(kind), at.text())), m_at(at)
    {
        connect(&m_socket, &QUdpSocket::readyRead, this, &UdpInput::read);
    }
    QString open() override
    {
        if (m_socket.bind(m_at.address, m_at.port))
            return m_service.log(name() + QStringLiteral(": listening")), QString();
        return QStringLiteral("%1: cannot listen: %2").arg(name(), m_socket.errorString());
    }

private:
    void read()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QByteArray bytes = m_socket.receiveDatagram().data();
            if (kind() == Kind::Tsl31) {
                Tsl31Reader reader;
                const QList<Tsl31Message> messages = reader.feed(bytes);
                reader.end();
                malformed(reader.malformed());
                if (!messages.isEmpty()) heard(tsl31Sources(m_service.config(), messages));
            } else {
                tsl5(bytes);
            }
        }
    }

    Endpoint m_at;
    QUdpSocket m_socket;
};

// TSL over TCP: a stream per client, all clients one input.
class TcpInput : public Input {
public:
    TcpInput(Service &service, Kind kind, Endpoint at)
        : Input(service, kind, QStringLiteral("%1 tcp %2").arg(kindName(kind), at.text())), m_at(at)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &TcpInput::accept);
    }
    ~TcpInput() override
    {
        // Closed by the bridge ending, not by the senders: nothing to log.
        for (const auto &client : m_clients) client.first->disconnect(this);
    }
    QString open() override
    {
        if (m_server.listen(m_at.address, m_at.port))
            return m_service.log(name() + QStringLiteral(": listening")), QString();
        return QStringLiteral("%1: cannot listen: %2").arg(name(), m_server.errorString());
    }

private:
    struct Client {
        Tsl31Reader tsl31;
        Tsl5Stream tsl5;
        qint64 malformedSeen = 0;
    };

    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            const QString peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (m_clients.size() >= Service::kMaxClients) {
                m_service.log(
                    QStringLiteral("%1: refused %2: already %3 senders").arg(name(), peer).arg(Service::kMaxClients));
                socket->abort();
                continue;
            }
            m_service.log(QStringLiteral("%1: %2 connected").arg(name(), peer));
            m_clients.emplace(socket, std::make_unique<Client>());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket, peer] {
                m_clients.erase(socket);
                m_service.log(QStringLiteral("%1: %2 closed; its last tally stays on the lamps").arg(name(), peer));
            });
        }
    }

    void read(QTcpSocket *socket)
    {
        const auto it = m_clients.find(socket);
        if (it == m_clients.end()) return;
        Client &c = *it->second;
        const QByteArray bytes = socket->readAll();
        qint64 malformedNow = 0;
        qsizetype backlog = 0;
        if (kind() == Kind::Tsl31) {
            const QList<Tsl31Message> messages = c.tsl31.feed(bytes);
            if (!messages.isEmpty()) heard(tsl31Sources(m_service.config(), messages));
            malformedNow = c.tsl31.malformed();
            backlog = c.tsl31.pending();
        } else {
            for (const QByteArray &packet : c.tsl5.feed(bytes)) tsl5(packet);
            malformedNow = c.tsl5.malformed();
            backlog = c.tsl5.pending();
        }
        malformed(malformedNow - std::exchange(c.malformedSeen, malformedNow));
        if (backlog > Service::kClientBacklog) {
            m_service.log(QStringLiteral("%1: dropped %2:%3: over %4 bytes that are no whole message")
                              .arg(name(), socket->peerAddress().toString())
                              .arg(socket->peerPort())
                              .arg(Service::kClientBacklog));
            socket->abort();
        }
    }

    Endpoint m_at;
    // Before the server: the server's sockets go with it, and tell of it.
    std::map<QTcpSocket *, std::unique_ptr<Client>> m_clients;
    QTcpServer m_server;
};

// vMix: a client that subscribes, and reconnects every 2 s after a failure.
class VmixInput : public Input {
public:
    VmixInput(Service &service, Remote at)
        : Input(service, Kind::Vmix, QStringLiteral("vmix %1").arg(at.text())), m_at(std::move(at))
    {
        m_retry.setSingleShot(true);
        m_retry.setInterval(Service::kRetryMs);
        connect(&m_retry, &QTimer::timeout, this, &VmixInput::connectNow);
        connect(&m_socket, &QTcpSocket::connected, this, [this] {
            m_service.log(QStringLiteral("%1: connected").arg(name()));
            m_reader = {};
            m_socket.write(kVmixSubscribe);
        });
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
            const qint64 before = m_reader.malformed();
            const QList<QList<VmixState>> tallies = m_reader.feed(m_socket.readAll());
            malformed(m_reader.malformed() - before);
            if (!tallies.isEmpty()) heard(vmixSources(tallies.last()), true);
        });
        connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] { retry(m_socket.errorString()); });
        connect(&m_socket, &QTcpSocket::disconnected, this, [this] { retry(QStringLiteral("connection closed")); });
    }
    QString open() override
    {
        connectNow();
        return {};
    }

private:
    void connectNow()
    {
        m_socket.abort();
        m_socket.connectToHost(m_at.host, m_at.port);
    }
    // One line per failed attempt, and one attempt every 2 s.
    void retry(const QString &why)
    {
        if (m_retry.isActive()) return;
        m_service.log(QStringLiteral("%1: %2; its last tally stays on the lamps; trying again in %3 s")
                          .arg(name(), why)
                          .arg(Service::kRetryMs / 1000));
        m_retry.start();
    }

    Remote m_at;
    VmixReader m_reader;
    QTimer m_retry;
    // Last, so it goes first: its closing signals reach the members above.
    QTcpSocket m_socket;
};

// The switcher's serial tally line, 38400 8E1; reopened every 2 s when lost.
class SwitcherInput : public Input {
public:
    SwitcherInput(Service &service, QString device)
        : Input(service, Kind::Switcher, QStringLiteral("switcher %1").arg(device)), m_device(std::move(device))
    {
        m_retry.setInterval(Service::kRetryMs);
        connect(&m_retry, &QTimer::timeout, this, [this] { (void)open(); });
        connect(&m_port, &QSerialPort::readyRead, this, &SwitcherInput::read);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError) return;
            m_port.clearError();
            m_port.close();
            m_service.log(QStringLiteral("%1: lost; its last tally stays on the lamps; trying again every %2 s")
                              .arg(name())
                              .arg(Service::kRetryMs / 1000));
            m_retry.start();
        });
    }
    QString open() override
    {
        m_port.setPortName(m_device);
        platform::applyFraming(m_port, platform::switcherLine());
        if (!m_port.open(QIODevice::ReadOnly)) {
            const QString why = platform::whyNotOpen(m_port, m_device);
            m_port.clearError();
            return QStringLiteral("%1: cannot open: %2").arg(name(), why);
        }
        m_retry.stop();
        m_reader = {};
        m_service.log(QStringLiteral("%1: open").arg(name()));
        return {};
    }
    void read()
    {
        const qint64 before = m_reader.malformed();
        const QList<simulator::Tally> frames = m_reader.feed(m_port.readAll());
        malformed(m_reader.malformed() - before);
        if (frames.isEmpty()) return;
        for (const simulator::Tally &t : frames) m_frames[t.id] = t.lamps;
        heard(switcherSources(m_service.config(), m_frames), true);
    }

    QString m_device;
    SwitcherReader m_reader;
    QMap<int, simulator::LampStates> m_frames; // the last frame of each ID
    QTimer m_retry;
    // Last, so it goes first: its closing signals reach the members above.
    QSerialPort m_port;
};

} // namespace

Input::Input(Service &service, Kind kind, QString name) : m_service(service), m_kind(kind), m_name(std::move(name))
{
    m_quietComplaints.setSingleShot(true);
    m_quietComplaints.setInterval(1000);
    connect(&m_quietComplaints, &QTimer::timeout, this, &Input::complain);
}

void Input::heard(const SourceStates &states, bool complete)
{
    m_heard.start();
    m_service.heard(*this, states, complete);
}

void Input::malformed(qint64 count)
{
    if (count <= 0) return;
    m_unreported += count;
    // Told at once, then at most once a second: what comes meanwhile is
    // told when the second is up.
    if (!m_quietComplaints.isActive()) complain();
}

void Input::complain()
{
    if (m_unreported == 0) return;
    m_service.log(QStringLiteral("%1: %2 malformed, dropped").arg(name()).arg(std::exchange(m_unreported, 0)));
    m_quietComplaints.start();
}

void Input::tsl5(QByteArrayView bytes)
{
    if (const std::optional<Tsl5Packet> packet = readTsl5Packet(bytes))
        heard(tsl5Sources(m_service.config(), *packet));
    else
        malformed(1);
}

Service::Service(Config config, Log log, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_log(std::move(log))
{
    m_staleCheck.setInterval(250);
    connect(&m_staleCheck, &QTimer::timeout, this, &Service::checkStale);
}

Service::~Service() = default;

QString Service::start()
{
    const Config &c = m_config;
    // The line first: without it nothing the inputs say can reach a lamp.
    m_line = std::make_unique<LineWriter>(c.line, c.refreshMs, m_log);
    if (QString error = m_line->open(); !error.isEmpty()) return error;
    if (c.switcher) m_inputs.push_back(std::make_unique<SwitcherInput>(*this, *c.switcher));
    for (const auto &[at, kind, udp] :
         {std::tuple(c.tsl31Udp, Kind::Tsl31, true), std::tuple(c.tsl31Tcp, Kind::Tsl31, false),
          std::tuple(c.tsl5Udp, Kind::Tsl5, true), std::tuple(c.tsl5Tcp, Kind::Tsl5, false)}) {
        if (!at) continue;
        if (udp)
            m_inputs.push_back(std::make_unique<UdpInput>(*this, kind, *at));
        else
            m_inputs.push_back(std::make_unique<TcpInput>(*this, kind, *at));
    }
    if (c.vmix) m_inputs.push_back(std::make_unique<VmixInput>(*this, *c.vmix));
    QStringList failed;
    for (const auto &input : m_inputs)
        if (const QString error = input->open(); !error.isEmpty()) failed << error;
    if (!failed.isEmpty()) return failed.join(QLatin1String("; "));
    m_line->setFrames(tallyFrames(m_lamps));
    m_staleCheck.start();
    return {};
}

void Service::reload(const Config &config)
{
    const Config old = std::exchange(m_config, config);
    // What is open stays open: only the mapping and its timing change now.
    m_config.line = old.line;
    m_config.switcher = old.switcher;
    m_config.tsl31Udp = old.tsl31Udp;
    m_config.tsl31Tcp = old.tsl31Tcp;
    m_config.tsl5Udp = old.tsl5Udp;
    m_config.tsl5Tcp = old.tsl5Tcp;
    m_config.vmix = old.vmix;
    if (m_line) m_line->setRefresh(m_config.refreshMs);
    publish(QStringLiteral("new mapping"));
}

void Service::heard(Input &input, const SourceStates &states, bool complete)
{
    if (input.stale || input.quiet) {
        input.stale = input.quiet = false;
        log(QStringLiteral("%1: heard again").arg(input.name()));
    }
    if (m_config.verbose) {
        const SourceStates &before = m_state.states(input.name());
        for (auto it = states.cbegin(); it != states.cend(); ++it)
            if (before.value(it.key()) != it.value())
                verbose(QStringLiteral("%1: source %2 program %3, preview %4")
                            .arg(input.name())
                            .arg(it.key())
                            .arg(onOff(it->program), onOff(it->preview)));
    }
    if (complete)
        m_state.replace(input.name(), input.kind(), states);
    else
        m_state.update(input.name(), input.kind(), states);
    publish(input.name());
}

void Service::publish(const QString &cause)
{
    const Lamps lamps = m_state.lamps(m_config.maps);
    if (lamps == m_lamps) return;
    m_lamps = lamps;
    verbose(QStringLiteral("lamps (%1): program %2, preview %3")
                .arg(cause, inputList(lamps.program), inputList(lamps.preview)));
    if (m_line) m_line->setFrames(tallyFrames(lamps));
}

void Service::checkStale()
{
    for (const auto &input : m_inputs) {
        const qint64 silent = input->silentMs();
        // A switcher repeats its frames: one that stops has gone away. TSL
        // and vMix senders may send only on a change, so their silence
        // says nothing.
        if (input->kind() == Kind::Switcher && !input->quiet && silent >= kQuietSwitcherMs) {
            input->quiet = true;
            log(QStringLiteral("%1: no frame for %2 s; its last tally stays on the lamps")
                    .arg(input->name())
                    .arg(kQuietSwitcherMs / 1000));
        }
        if (m_config.staleS <= 0 || input->stale || silent < qint64(m_config.staleS) * 1000) continue;
        input->stale = true;
        log(QStringLiteral("%1: silent for %2 s; its tally is cleared").arg(input->name()).arg(m_config.staleS));
        m_state.replace(input->name(), input->kind(), {});
        publish(input->name());
    }
}

} // namespace bridge
