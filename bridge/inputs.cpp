#include "bridge/inputs.h"

#include "bridge/atem.h"
#include "bridge/obs.h"
#include "bridge/service.h"
#include "bridge/sources.h"
#include "bridge/switcher.h"
#include "bridge/transports/atemlink.h"
#include "bridge/transports/connection.h"
#include "bridge/transports/serialline.h"
#include "bridge/transports/tcplistener.h"
#include "bridge/transports/udpsocket.h"
#include "bridge/transports/websocketlink.h"
#include "bridge/tsl31.h"
#include "bridge/tsl5.h"
#include "bridge/vmix.h"
#include "platform/linesettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

namespace bridge {

namespace {

// A reader of the input's kind on one stream; read hands on what the bytes
// complete and tells of what they could not.
template <class Reader>
class ReaderStream : public StreamReader {
public:
    using Read = std::function<void(Reader &reader, QByteArrayView bytes)>;
    explicit ReaderStream(Read read) : m_read(std::move(read)) {}
    void feed(QByteArrayView bytes) override { m_read(m_reader, bytes); }
    qsizetype pending() const override { return m_reader.pending(); }

private:
    Reader m_reader;
    Read m_read;
};

template <class Reader>
std::unique_ptr<StreamReader> stream(typename ReaderStream<Reader>::Read read)
{
    return std::make_unique<ReaderStream<Reader>>(std::move(read));
}

// TSL 3.1: whole messages in a datagram, messages cut anywhere on TCP.
class Tsl31Input : public Input {
public:
    using Input::Input;
    void datagram(QByteArrayView bytes) override
    {
        Tsl31Reader reader;
        const QList<Tsl31Message> messages = reader.feed(bytes);
        reader.end();
        malformed(reader.malformed().take());
        take(messages);
    }
    std::unique_ptr<StreamReader> newStream() override
    {
        return stream<Tsl31Reader>([this](Tsl31Reader &reader, QByteArrayView bytes) {
            take(reader.feed(bytes));
            malformed(reader.malformed().take());
        });
    }

private:
    void take(const QList<Tsl31Message> &messages)
    {
        if (messages.isEmpty()) return;
        for (const Tsl31Message &m : messages) setText(m.address, QString::fromLatin1(m.text));
        heard(tsl31Sources(mapping(), messages), messages.size());
    }
};

// TSL 5: a packet a datagram; on TCP, packets framed by DLE STX.
class Tsl5Input : public Input {
public:
    using Input::Input;
    void datagram(QByteArrayView bytes) override { packet(bytes); }
    std::unique_ptr<StreamReader> newStream() override
    {
        return stream<Tsl5Stream>([this](Tsl5Stream &reader, QByteArrayView bytes) {
            for (const QByteArray &p : reader.feed(bytes)) packet(p);
            malformed(reader.malformed().take());
        });
    }

private:
    void packet(QByteArrayView bytes)
    {
        const std::optional<Tsl5Packet> p = readTsl5Packet(bytes);
        if (!p) return malformed(1);
        const SourceStates states = tsl5Sources(mapping(), *p, m_service.state().states(id()));
        for (const Tsl5Display &d : p->displays)
            if (d.index != Tsl5Display::kBroadcast)
                for (const SourceKey key : states.keys())
                    if (sourceNumber(key) == d.index) setText(key, d.text);
        heard(states, 1);
    }
};

// vMix: each tally line is every input's state.
class VmixInput : public Input {
public:
    using Input::Input;
    std::unique_ptr<StreamReader> newStream() override
    {
        return stream<VmixReader>([this](VmixReader &reader, QByteArrayView bytes) {
            const QList<QList<VmixState>> tallies = reader.feed(bytes);
            malformed(reader.malformed().take());
            if (!tallies.isEmpty()) heard(vmixSources(tallies.last()), tallies.size(), true);
        });
    }
};

// ATEM: a reader for each session, fed each packet's commands in the
// switcher's order; each tally by index is every input's state. The
// switcher's names for its inputs label them.
class AtemInput : public Input {
public:
    using Input::Input;
    std::unique_ptr<StreamReader> newStream() override
    {
        return stream<AtemReader>([this](AtemReader &reader, QByteArrayView payload) {
            const AtemNews news = reader.feed(payload);
            malformed(reader.malformed().take());
            for (const auto &[input, name] : news.names) setText(input, name);
            if (!news.tallies.isEmpty()) heard(atemSources(news.tallies.last()), news.tallies.size(), true);
        });
    }
};

// OBS's password: under systemd (LoadCredential=) the credential named as
// the file, which the service can read though the file is root's alone;
// else the file. Its first line, or why not.
QString obsPassword(const QString &file, QString *password)
{
    const QString credentials = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
    QFile credential(QDir(credentials).filePath(QFileInfo(file).fileName()));
    // An empty line is the unit's default for a file that is not there.
    if (!credentials.isEmpty() && credential.open(QIODevice::ReadOnly)) {
        *password = QString::fromUtf8(credential.readLine(4096)).trimmed();
        if (!password->isEmpty()) return {};
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("password_file %1: %2").arg(file, f.errorString());
    *password = QString::fromUtf8(f.readLine(4096)).trimmed();
    return {};
}

// OBS: a session per connection; a walk that ends gives every source's
// state.
class ObsInput : public Input {
public:
    ObsInput(Service &service, InputSpec spec, QString passwordFile)
        : Input(service, std::move(spec)), m_passwordFile(std::move(passwordFile))
    {}
    std::unique_ptr<StreamReader> newStream() override
    {
        QString password;
        if (!m_passwordFile.isEmpty()) {
            // Told when it changes, not at every attempt.
            const QString why = obsPassword(m_passwordFile, &password);
            if (why != std::exchange(m_passwordError, why) && !why.isEmpty()) log(name() + QStringLiteral(": ") + why);
        }
        return std::make_unique<Stream>(*this, std::move(password));
    }
    void remap() override
    {
        if (m_tally && !stale) take(*m_tally, 0);
    }

private:
    class Stream : public StreamReader {
    public:
        Stream(ObsInput &input, QString password) : m_input(input), m_session(std::move(password)) {}
        void feed(QByteArrayView bytes) override
        {
            m_replies += m_session.feed(bytes);
            m_input.malformed(m_session.malformed().take());
            if (const std::optional<ObsTally> tally = m_session.takeTally()) m_input.take(*tally, 1);
        }
        qsizetype pending() const override { return 0; }
        QList<QByteArray> replies() override { return std::exchange(m_replies, {}); }

    private:
        ObsInput &m_input;
        ObsSession m_session;
        QList<QByteArray> m_replies;
    };

    void take(const ObsTally &tally, qsizetype messages)
    {
        m_tally = tally;
        const SourceStates states = obsSources(mapping(), tally);
        for (const QString &n : tally.program + tally.preview)
            if (const int input = obsInput(n, mapping().obsNames)) setText(input, n);
        // A remap is no message from OBS: the input is not heard anew.
        if (messages == 0) return m_service.heard(*this, states, true);
        heard(states, messages, true);
    }

    QString m_passwordFile, m_passwordError;
    std::optional<ObsTally> m_tally;
};

// The switcher line: a frame per ID, and the sources' state is what the
// last frame of each ID says.
class SwitcherInput : public Input {
public:
    using Input::Input;
    std::unique_ptr<StreamReader> newStream() override
    {
        return stream<SwitcherReader>([this](SwitcherReader &reader, QByteArrayView bytes) {
            const QList<switcherlink::Tally> frames = reader.feed(bytes);
            malformed(reader.malformed().take());
            if (frames.isEmpty()) return;
            for (const switcherlink::Tally &t : frames) m_frames[t.id] = t.lamps;
            heard(switcherSources(mapping(), m_frames), frames.size(), true);
        });
    }

private:
    QMap<int, switcherlink::LampStates> m_frames; // the last frame of each ID
};

std::unique_ptr<Input> inputOfKind(Service &service, const Endpoints &endpoints, const InputSpec &spec)
{
    switch (spec.kind) {
    case Kind::Switcher: return std::make_unique<SwitcherInput>(service, spec);
    case Kind::Tsl31: return std::make_unique<Tsl31Input>(service, spec);
    case Kind::Tsl5: return std::make_unique<Tsl5Input>(service, spec);
    case Kind::Vmix: return std::make_unique<VmixInput>(service, spec);
    case Kind::Atem: return std::make_unique<AtemInput>(service, spec);
    case Kind::Obs: return std::make_unique<ObsInput>(service, spec, endpoints.obsPasswordFile);
    }
    return {};
}

std::unique_ptr<Transport> transportOf(Input &input, const Endpoints &endpoints, const InputSpec &spec)
{
    if (spec.kind == Kind::Switcher)
        return std::make_unique<SerialLine>(input, spec.endpoint, platform::switcherLine(), endpoints.timing);
    if (spec.kind == Kind::Obs) return std::make_unique<WebSocketLink>(input, *endpoints.obs, endpoints.timing);
    if (spec.kind == Kind::Vmix)
        return std::make_unique<Connection>(input, *endpoints.vmix, kVmixSubscribe + kVmixAsk, kVmixAsk,
                                            endpoints.timing);
    if (spec.kind == Kind::Atem) return std::make_unique<AtemLink>(input, *endpoints.atem, endpoints.timing);
    const bool udp = spec.transport == QLatin1String("udp");
    const Endpoint at = *(spec.kind == Kind::Tsl31 ? (udp ? endpoints.tsl31Udp : endpoints.tsl31Tcp)
                                                   : (udp ? endpoints.tsl5Udp : endpoints.tsl5Tcp));
    if (udp) return std::make_unique<UdpSocket>(input, at);
    return std::make_unique<TcpListener>(input, at);
}

} // namespace

Input::Input(Service &service, InputSpec spec)
    : m_service(service), m_spec(std::move(spec)), m_malformed(kNoiseReportMs, [this](qint64 count, const QString &) {
          log(QStringLiteral("%1: %2 malformed, dropped").arg(name()).arg(count));
      })
{}

Input::~Input() = default;

const Mapping &Input::mapping() const
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

void Input::heard(const SourceStates &states, qsizetype messages, bool complete)
{
    m_messages += messages;
    m_lastHeard.start();
    m_transport->heard(stale);
    m_service.heard(*this, states, complete);
}

void Input::setText(SourceKey source, const QString &text)
{
    if (text.isEmpty()) return;
    if (m_texts.size() < TallyState::kMaxSources || m_texts.contains(source)) m_texts[source] = text;
}

void Input::malformed(qint64 count)
{
    if (count <= 0) return;
    m_malformedCount += count;
    m_malformed.add({}, count);
    changed();
}

void Input::changed()
{
    m_service.inputChanged();
}

std::unique_ptr<Input> makeInput(Service &service, const Endpoints &endpoints, const InputSpec &spec)
{
    std::unique_ptr<Input> input = inputOfKind(service, endpoints, spec);
    input->carry(transportOf(*input, endpoints, spec));
    return input;
}

} // namespace bridge
