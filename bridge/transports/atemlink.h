// A session with a Blackmagic ATEM switcher over UDP (bridge/atem.h says
// what is sent). A handshake every retry period until the switcher
// answers; then a keep-alive every keep-alive period, and a switcher that
// sends no packet for the lost period is lost: the handshake again, and
// the state dump taken afresh from the new session (a switcher that
// rebooted gives a new one). Each session is read by a reader of its own;
// closing (the bridge ending, a reload that removes or moves it) ends the
// session with the switcher's closing handshake.
#pragma once

#include "bridge/atem.h"
#include "bridge/config.h"
#include "bridge/throttle.h"
#include "bridge/transports/transport.h"

#include <QTimer>
#include <QUdpSocket>

namespace bridge {

class AtemLink : public Transport {
public:
    // Datagrams a read takes at most before the event loop runs again.
    static constexpr int kDatagramBatch = 256;

    AtemLink(Carried &input, Remote at, const Timing &timing);
    ~AtemLink() override;
    // A switcher that is off or not there yet is tried again and again.
    QString open() override;

private:
    void hello();
    void read();
    void take(const AtemSession::Read &r);
    void lost(const QString &why);
    void send(const QByteArray &datagram);

    Remote m_at;
    AtemSession m_session;
    Retrying m_retrying;
    std::unique_ptr<StreamReader> m_reader;
    QTimer m_retry, m_silence, m_keepAlive;
    QByteArray m_syn;        // the handshake under way
    bool m_answered = false; // it had an answer
    QString m_why;           // why the last attempt had none, where the socket says
    // Last, so it goes first.
    QUdpSocket m_socket;
};

} // namespace bridge
