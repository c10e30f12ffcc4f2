#include "bridge/transports/udpsocket.h"

#include <QNetworkDatagram>

namespace bridge {

UdpSocket::UdpSocket(Carried &input, Endpoint at) : Transport(input), m_at(at)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpSocket::read);
}

QString UdpSocket::open()
{
    // Not shared: another program on the port would take datagrams unseen.
    if (!m_socket.bind(m_at.address, m_at.port, QUdpSocket::DontShareAddress))
        return QStringLiteral("%1: cannot listen: %2").arg(m_input.name(), m_socket.errorString());
    m_input.log(m_input.name() + QStringLiteral(": listening"));
    setLink(Link::Listening);
    return {};
}

// What is left waits for the next turn: the socket tells again.
void UdpSocket::read()
{
    for (int n = 0; n < kDatagramBatch && m_socket.hasPendingDatagrams(); ++n)
        m_input.datagram(m_socket.receiveDatagram().data());
}

} // namespace bridge
