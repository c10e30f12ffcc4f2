#include "platform/portmap.h"

#include "link/portchoice.h"

#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>

namespace platform {

PortMap::PortMap(QStringList devices) : m_devices(std::move(devices)) {}

PortMap PortMap::fromEnvironment(const std::optional<QString> &ports)
{
    if (ports) return PortMap(ports->split(QLatin1Char(':')));
    if (qEnvironmentVariableIsSet("TALLY_SERIAL_PORTS"))
        return PortMap(qEnvironmentVariable("TALLY_SERIAL_PORTS").split(QLatin1Char(':')));
#ifdef Q_OS_WIN
    QStringList com;
    for (int k = 1; k <= unitlink::kPortCount; ++k) com << QStringLiteral("COM%1").arg(k);
    return PortMap(com);
#else
    QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    std::sort(infos.begin(), infos.end(),
              [](const QSerialPortInfo &a, const QSerialPortInfo &b) { return a.portName() < b.portName(); });
    QStringList devices;
    for (const QSerialPortInfo &info : infos) devices << info.systemLocation();
    return PortMap(devices);
#endif
}

QString PortMap::device(int port) const
{
    if (port < 1 || port > m_devices.size()) return {};
    return m_devices.at(port - 1);
}

} // namespace platform
