// The bridge's inputs. Each is a transport (a UDP socket, a TCP listener,
// the vMix connection, the ATEM session or the switcher line) and a reader of its kind: the
// transport brings the bytes, the reader makes messages of them, and the
// input hands what they say about its sources to the service.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"
#include "bridge/transports/transport.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include <memory>

namespace bridge {

class Service;

class Input : public QObject, public Carried {
    Q_OBJECT
public:
    Input(Service &service, InputSpec spec);
    ~Input() override;
    const InputSpec &spec() const { return m_spec; }
    QString id() const { return m_spec.id(); }
    QString name() const override { return m_spec.name(); }
    Kind kind() const { return m_spec.kind; }
    // Empty when it is open (or will keep trying); else why not.
    QString open() { return m_transport->open(); }
    // How long it has not vouched for its state; -1 while connected.
    qint64 silentMs() const { return m_transport->silentMs(); }
    bool connection() const { return m_transport->connection(); }
    bool stale = false; // its tally cleared after stale_s
    const Transport &transport() const { return *m_transport; }
    qint64 messages() const { return m_messages; }
    qint64 malformedCount() const { return m_malformedCount; }
    // Since its last message; -1 before the first.
    qint64 lastHeardMs() const { return m_lastHeard.isValid() ? m_lastHeard.elapsed() : -1; }
    // What the sender calls a source (a TSL display's text), where it does.
    QString text(SourceKey source) const { return m_texts.value(source); }

    // The transport it is read from, given once by makeInput: the
    // transport asks the input it carries for its readers.
    void carry(std::unique_ptr<Transport> transport) { m_transport = std::move(transport); }
    QString staysText() const override;
    void log(const QString &text) const override;
    // Only TSL comes in datagrams.
    void datagram(QByteArrayView) override {}
    void changed() override;
    // A reload's mapping taken: an input that maps names itself reads its
    // last tally again.
    virtual void remap() {}

protected:
    // What was read from so many messages: some sources (complete =
    // false) or all of them.
    void heard(const SourceStates &states, qsizetype messages, bool complete = false);
    // The text a sender gives a source, kept while there is room.
    void setText(SourceKey source, const QString &text);
    // Counts malformed input and says so at most once a second.
    void malformed(qint64 count) override;
    // Read anew for every message: a reload's mapping counts at once.
    const Mapping &mapping() const;
    Service &m_service;

private:
    InputSpec m_spec;
    Throttle m_malformed;
    qint64 m_messages = 0;
    qint64 m_malformedCount = 0;
    QElapsedTimer m_lastHeard;
    QHash<SourceKey, QString> m_texts;
    // Last, so it goes first: nothing it still reads reaches a half gone input.
    std::unique_ptr<Transport> m_transport;
};

std::unique_ptr<Input> makeInput(Service &service, const Endpoints &endpoints, const InputSpec &spec);

} // namespace bridge
