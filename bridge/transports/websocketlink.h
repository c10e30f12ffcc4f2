// An outgoing WebSocket to a peer that talks in text messages and answers
// what the bridge asks (OBS): pinged every poll period and dropped when
// nothing, not even a pong, comes for the silence time; connected again
// every retry period. A refused password is tried again only every
// authRetryMs, and a session its peer's user closed not until a reload.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"
#include "bridge/transports/transport.h"

#include <QTimer>
#include <QWebSocket>

namespace bridge {

class WebSocketLink : public Transport {
public:
    WebSocketLink(Carried &input, Remote at, const Timing &timing);
    ~WebSocketLink() override;
    QString open() override;
    bool gaveUp() const override { return m_gaveUp; }

private:
    void connectNow();
    void ended(const QString &why);
    void fail(const QString &why, int retryMs);

    Remote m_at;
    int m_retryMs, m_authRetryMs;
    Retrying m_retrying;
    bool m_authFailed = false, m_gaveUp = false;
    qint64 m_messages = 0; // on this connection
    std::unique_ptr<StreamReader> m_reader;
    QTimer m_retry, m_connecting, m_silence, m_ping;
    // Last, so it goes first.
    QWebSocket m_socket;
};

} // namespace bridge
