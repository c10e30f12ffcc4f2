#include "platform/portmap.h"

#include "platform/portchoice.h"

#include <QDir>
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

std::optional<QString> listedPorts(const std::optional<QString> &ports)
{
    if (ports || !qEnvironmentVariableIsSet("TALLY_SERIAL_PORTS")) return ports;
    return qEnvironmentVariable("TALLY_SERIAL_PORTS");
}

QStringList serialAdapters(const QString &dev)
{
    QStringList names;
    QStringList devices;
    const auto take = [&](const QFileInfo &entry) {
        const QString device = entry.canonicalFilePath(); // empty for a link to nothing
        if (device.isEmpty() || devices.contains(device)) return;
        devices << device;
        names << entry.filePath();
    };
    const QDir::Filters entries = QDir::Files | QDir::System;
    for (const QFileInfo &link : QDir(dev + QStringLiteral("/serial/by-id")).entryInfoList(entries, QDir::Name))
        take(link);
    const QStringList ttys{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QFileInfo &tty : QDir(dev).entryInfoList(ttys, entries, QDir::Name)) take(tty);
    return names;
}

UnnamedPort unnamedPort(const std::optional<QString> &list, const QString &dev)
{
    const QString first = list ? list->section(QLatin1Char(':'), 0, 0) : QString();
    if (!first.isEmpty()) return {first, {}};
    UnnamedPort found{{}, serialAdapters(dev)};
    if (found.adapters.size() == 1) found.device = found.adapters.constFirst();
    return found;
}

PortMap::PortMap(QStringList devices) : m_devices(ready(std::move(devices))) {}

PortMap::PortMap(std::shared_future<QStringList> devices) : m_devices(std::move(devices)), m_named(false) {}

PortMap PortMap::fromEnvironment(const std::optional<QString> &ports)
{
    if (const std::optional<QString> list = listedPorts(ports)) return PortMap(list->split(QLatin1Char(':')));
#ifdef Q_OS_WIN
    QStringList com;
    for (int k = 1; k <= platform::kPortCount; ++k) com << QStringLiteral("COM%1").arg(k);
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
