#include "platform/portmap.h"

#include "link/portchoice.h"

#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <system_error>

namespace platform {

namespace {
#ifndef Q_OS_WIN
QStringList systemPorts()
{
    QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    std::sort(infos.begin(), infos.end(),
              [](const QSerialPortInfo &a, const QSerialPortInfo &b) { return a.portName() < b.portName(); });
    QStringList devices;
    for (const QSerialPortInfo &info : infos) devices << info.systemLocation();
    return devices;
}
#endif

std::shared_future<QStringList> ready(QStringList devices)
{
    std::promise<QStringList> known;
    known.set_value(std::move(devices));
    return known.get_future().share();
}
} // namespace

PortMap::PortMap(QStringList devices) : m_devices(ready(std::move(devices))) {}

PortMap::PortMap(std::shared_future<QStringList> devices) : m_devices(std::move(devices)), m_named(false) {}

PortMap PortMap::fromEnvironment(const std::optional<QString> &ports)
{
    if (ports || qEnvironmentVariableIsSet("TALLY_SERIAL_PORTS"))
        return PortMap(ports.value_or(qEnvironmentVariable("TALLY_SERIAL_PORTS")).split(QLatin1Char(':')));
#ifdef Q_OS_WIN
    QStringList com;
    for (int k = 1; k <= unitlink::kPortCount; ++k) com << QStringLiteral("COM%1").arg(k);
    return PortMap(ready(com));
#else
    try {
        return PortMap(std::async(std::launch::async, systemPorts).share());
    } catch (const std::system_error &) {
        return PortMap(ready(systemPorts())); // no thread to spare: look now
    }
#endif
}

QString PortMap::device(int port) const
{
    const QStringList &devices = m_devices.get();
    if (port < 1 || port > devices.size()) return {};
    return devices.at(port - 1);
}

} // namespace platform
