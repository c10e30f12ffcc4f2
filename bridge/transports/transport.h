// How an input's bytes reach it: a UDP socket, a TCP listener and its
// senders, an outgoing TCP connection, an ATEM session, or a serial line. A transport opens
// its endpoint, keeps it open and tells of it; what the bytes say is for
// the input's reader. Each reads in bounded batches, so a flood on one
// never keeps the event loop from the others, the line or a signal.
#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <utility>

namespace bridge {

// One stream's reader (a TCP sender's, the vMix connection's, the switcher
// line's since it opened): made anew for each, so nothing a stream left
// half read spills into the next.
class StreamReader {
public:
    virtual ~StreamReader() = default;
    // Hands on to the input whatever the bytes complete.
    virtual void feed(QByteArrayView bytes) = 0;
    // Bytes held for a message not yet whole.
    virtual qsizetype pending() const = 0;
    // What to send back on the stream for what it read (OBS's requests).
    virtual QList<QByteArray> replies() { return {}; }
};

// What a transport asks of the input it carries.
class Carried {
public:
    // What its log lines start with: "tsl31 udp 0.0.0.0:4003".
    virtual QString name() const = 0;
    // "; its last tally stays on the lamps", where it has one.
    virtual QString staysText() const = 0;
    virtual void log(const QString &text) const = 0;
    // A reader for a stream that starts now.
    virtual std::unique_ptr<StreamReader> newStream() = 0;
    // A datagram, which holds whole messages or packets.
    virtual void datagram(QByteArrayView bytes) = 0;
    // What the status page shows of the transport changed.
    virtual void changed() = 0;
    // So many datagrams that were no packet of the protocol (ATEM's).
    virtual void malformed(qint64 count) = 0;

protected:
    ~Carried() = default;
};

// Where a transport stands, as the status page shows it.
enum class Link {
    Listening, // a socket bound; for TCP, no sender connected
    Connected, // a TCP sender, vMix answering, an ATEM session, the switcher line open
    Lost,      // the connection or the line went away
    Retrying,  // being opened or connected (again)
};

class Transport : public QObject {
    Q_OBJECT
public:
    // A read takes at most this much before the event loop runs again.
    static constexpr qint64 kReadBatch = 64 * 1024;

    explicit Transport(Carried &input) : m_input(input) { m_since.start(); }
    // Empty when it is open (or will keep trying); else why not.
    virtual QString open() = 0;
    // The input heard a message; stale: its tally had been cleared.
    virtual void heard(bool stale)
    {
        Q_UNUSED(stale);
        if (!m_isConnection) m_since.start();
    }
    // How long it has not vouched for the input's state: since its last
    // message (UDP, a serial line) or since its connection ended (TCP
    // senders, an outgoing connection); -1 while connected.
    qint64 silentMs() const { return m_connections > 0 ? -1 : m_since.elapsed(); }
    bool connection() const { return m_isConnection; }
    Link link() const { return m_link; }
    // TCP senders connected now.
    int senders() const { return m_connections; }
    // Connections made again after one was lost.
    qint64 reconnects() const { return m_reconnects; }
    // Stopped trying until it is opened anew (OBS's user closed the session).
    virtual bool gaveUp() const { return false; }

protected:
    void setLink(Link link)
    {
        if (link == m_link) return;
        if (link == Link::Connected && m_wasLost) ++m_reconnects;
        m_wasLost = m_wasLost || link == Link::Lost;
        m_link = link;
        m_input.changed();
    }
    // Connections open now (TCP senders, an outgoing one): while any is,
    // nothing is stale. A transport that calls this is a connection.
    void setConnections(int count)
    {
        m_isConnection = true;
        if (m_connections > 0 && count == 0) m_since.start();
        if (std::exchange(m_connections, count) != count) m_input.changed();
    }

    Carried &m_input;

private:
    QElapsedTimer m_since;
    int m_connections = 0;
    bool m_isConnection = false;
    Link m_link = Link::Retrying;
    bool m_wasLost = false;
    qint64 m_reconnects = 0;
};

} // namespace bridge
