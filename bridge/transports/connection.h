// An outgoing TCP connection to a peer that is asked for its tally (vMix):
// it says hello on connecting and asks again every poll period, and takes
// a connection that stays silent, or is not made in time, for dead; it
// connects again every retry period.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"
#include "bridge/transports/transport.h"

#include <QTcpSocket>
#include <QTimer>

namespace bridge {

class Connection : public Transport {
public:
    // hello: sent on connecting; poll: sent every poll period while connected.
    Connection(Carried &input, Remote at, QByteArray hello, QByteArray poll, const Timing &timing);
    ~Connection() override;
    QString open() override;

private:
    void connectNow();
    void fail(const QString &why);

    Remote m_at;
    QByteArray m_hello, m_poll;
    Retrying m_retrying;
    std::unique_ptr<StreamReader> m_reader;
    QTimer m_retry, m_connecting, m_silence, m_polling;
    // Last, so it goes first.
    QTcpSocket m_socket;
};

} // namespace bridge
