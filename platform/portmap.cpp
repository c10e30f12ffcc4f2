#include "platform/portmap.h"

#include "platform/portchoice.h"

#include <QDir>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <system_error>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

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
    return likelyWired(serialAdapters(), runtimePath(QStringLiteral("tally-unit")), devices);
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

QString runtimeFolder()
{
    if (const QString given = qEnvironmentVariable("XDG_RUNTIME_DIR"); !given.isEmpty()) return given;
#ifdef Q_OS_UNIX
    const passwd *user = ::getpwuid(::getuid());
    const QString name = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::getuid());
#else
    const QString name = qEnvironmentVariable("USERNAME");
#endif
    return QDir::tempPath() + QStringLiteral("/runtime-") + name;
}

QString runtimePath(const QString &name)
{
    return runtimeFolder() + QLatin1Char('/') + name;
}

QString namedDevice(const QString &given, const QString &dev)
{
#ifdef Q_OS_WIN
    Q_UNUSED(dev);
    return given; // COM3
#else
    if (given.isEmpty() || given.contains(QLatin1Char('/'))) return given;
    const QString link = runtimePath(given);
    const QString device = dev + QLatin1Char('/') + given;
    return !QFileInfo::exists(link) && QFileInfo::exists(device) ? device : link;
#endif
}

QStringList likelyWired(const QStringList &adapters, const QString &unitLink, const QStringList &system)
{
    QStringList ordered;
    QStringList devices;
    const auto take = [&](const QString &name) {
        const QString device = QFileInfo(name).canonicalFilePath(); // empty for a link to nothing
        if (devices.contains(device.isEmpty() ? name : device)) return;
        devices << (device.isEmpty() ? name : device);
        ordered << name;
    };
    for (const QString &adapter : adapters) take(adapter);
    if (!unitLink.isEmpty() && !QFileInfo(unitLink).canonicalFilePath().isEmpty())
        take(unitLink); // its unit has not gone
    for (const QString &port : system) take(port);
    return ordered;
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
    const QString first = namedDevice(list ? list->section(QLatin1Char(':'), 0, 0) : QString(), dev);
    if (!first.isEmpty()) return {first, {}};
    UnnamedPort found{{}, serialAdapters(dev)};
    if (found.adapters.size() == 1) found.device = found.adapters.constFirst();
    return found;
}

PortMap::PortMap(QStringList devices) : m_devices(ready(std::move(devices))) {}

PortMap::PortMap(std::shared_future<QStringList> devices) : m_devices(std::move(devices)), m_named(false) {}

PortMap PortMap::fromEnvironment(const std::optional<QString> &ports)
{
    if (const std::optional<QString> list = listedPorts(ports)) {
        QStringList devices;
        for (const QString &entry : list->split(QLatin1Char(':'))) devices << namedDevice(entry);
        return PortMap(devices);
    }
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
