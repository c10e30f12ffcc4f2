// Loopback ports nobody holds right now, for a bridge input under test. A
// port free for UDP may still be a TCP connection's own end: each kind is
// asked for where it will be used.
#pragma once

#include <QTcpServer>
#include <QUdpSocket>

namespace testsupport {

inline quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

inline quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace testsupport
