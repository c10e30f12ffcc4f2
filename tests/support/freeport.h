// A loopback UDP port nobody holds right now, for a bridge input under test.
#pragma once

#include <QUdpSocket>

namespace testsupport {

inline quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

} // namespace testsupport
