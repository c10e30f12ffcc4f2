// UDP: each datagram holds whole messages or packets, handed to the input
// as it comes.
#pragma once

#include "bridge/config.h"
#include "bridge/transports/transport.h"

#include <QUdpSocket>

namespace bridge {

class UdpSocket : public Transport {
public:
    // Datagrams a read takes at most before the event loop runs again.
    static constexpr int kDatagramBatch = 256;

    UdpSocket(Carried &input, Endpoint at);
    QString open() override;

private:
    void read();

    Endpoint m_at;
    QUdpSocket m_socket;
};

} // namespace bridge
