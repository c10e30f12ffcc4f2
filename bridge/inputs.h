// The bridge's inputs: a listener (TSL over UDP or TCP), the vMix
// connection or the switcher line. Each reads its bytes in bounded batches,
// so a flood on one never keeps the event loop from the others, the line
// or a signal, and hands what they say to the service.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

namespace bridge {

class Service;

class Input : public QObject {
    Q_OBJECT
public:
    // A read takes at most this much before the event loop runs again.
    static constexpr int kDatagramBatch = 256;
    static constexpr qint64 kReadBatch = 64 * 1024;

    Input(Service &service, InputSpec spec);
    const InputSpec &spec() const { return m_spec; }
    QString id() const { return m_spec.id(); }
    QString name() const { return m_spec.name(); }
    Kind kind() const { return m_spec.kind; }
    // Empty when it is open (or will keep trying); else why not.
    virtual QString open() = 0;
    // How long it has not vouched for its state: since its last message
    // (UDP, the switcher line) or since its connection ended (TCP senders,
    // vMix); -1 while connected.
    qint64 silentMs() const { return m_connections > 0 ? -1 : m_since.elapsed(); }
    bool connection() const { return m_isConnection; }
    bool stale = false; // its tally cleared after stale_s

protected:
    // What was read: some sources (complete = false) or all of them.
    void heard(const SourceStates &states, bool complete = false);
    // Counts malformed input and says so at most once a second.
    void malformed(qint64 count);
    // A TSL 5 packet read and heard, or counted as malformed.
    void tsl5(QByteArrayView packet);
    // Connections open now (TCP senders, vMix): while any is, nothing is
    // stale. An input that calls this is a connection input.
    void setConnections(int count);
    void log(const QString &text) const;
    // "; its last tally stays on the lamps", where it has one.
    QString staysText() const;
    // An input opened again while it fails (vMix, the switcher line).
    Retrying m_retrying;
    const Config &config() const;
    Service &m_service;

private:
    InputSpec m_spec;
    QElapsedTimer m_since;
    int m_connections = 0;
    bool m_isConnection = false;
    Throttle m_malformed;
};

std::unique_ptr<Input> makeInput(Service &service, const Config &config, const InputSpec &spec);

} // namespace bridge
