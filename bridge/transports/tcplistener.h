// TCP listening for senders: a stream per sender, each read by a reader of
// its own, all of them one input. A sender that is silent longest gives
// its place to a new one when all are taken, so idle connections can never
// lock the real sender out.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"
#include "bridge/transports/transport.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>
#include <memory>

namespace bridge {

class TcpListener : public Transport {
public:
    static constexpr int kMaxClients = 16;
    static constexpr qsizetype kClientBacklog = 4096; // bytes held for a message not yet whole

    TcpListener(Carried &input, Endpoint at);
    ~TcpListener() override;
    QString open() override;

private:
    struct Client {
        QString peer;
        QElapsedTimer heard; // since it last sent, or connected
        std::unique_ptr<StreamReader> reader;
    };

    void accept();
    QString release(QTcpSocket *socket);
    void closed(QTcpSocket *socket);
    void dropClosed();
    void read(QTcpSocket *socket);

    Endpoint m_at;
    Throttle m_replaced;
    // Before the server: the server's sockets go with it, and tell of it.
    std::map<QTcpSocket *, std::unique_ptr<Client>> m_clients;
    QTcpServer m_server;
};

} // namespace bridge
