// Port numbers 1..16 to serial devices.
#pragma once

#include <QString>
#include <QStringList>
#include <future>
#include <optional>

namespace platform {

// The list given on the command line (--ports), else TALLY_SERIAL_PORTS
// when set; none when neither is.
std::optional<QString> listedPorts(const std::optional<QString> &ports);

// Where tally-unit keeps its link and a bare device name is looked up:
// $XDG_RUNTIME_DIR, else TMPDIR's runtime-USER (the folder Qt itself falls
// back on), so that a root shell, su, a container or a menu launch without
// the variable still agree on one place.
QString runtimeFolder();
// name in runtimeFolder().
QString runtimePath(const QString &name);
// A device as the operator names it (--ports, --port, --line): a bare name
// (no "/", such as tally-unit) is a link in runtimeFolder(), unless none is
// there and /dev holds the name (ttyUSB0); any other path is as given.
QString namedDevice(const QString &given, const QString &dev = QStringLiteral("/dev"));

// The port list as likely wired: the adapters first, then the link of a
// running tally-unit (--link tally-unit, as its menu entry starts it), then
// the system's other ports (built-in UARTs, which nearly every PC lists,
// wired or not), each device once.
QStringList likelyWired(const QStringList &adapters, const QString &unitLink, const QStringList &system);

// The USB and ACM serial adapters under dev (/dev; another folder in the
// tests): each device once, named by its link in serial/by-id when it has
// one (that name survives a replug), else as ttyUSB* or ttyACM*. Built-in
// UARTs (ttyS*) are never among them: nearly every PC and VM lists them,
// wired or not, and nothing answers there.
QStringList serialAdapters(const QString &dev = QStringLiteral("/dev"));

// The device a shell command uses when no port is named: port 1 of the
// list when that names one, else the only adapter. The device is empty when
// neither names one; adapters are then the ones found.
struct UnnamedPort {
    QString device;
    QStringList adapters;
};
UnnamedPort unnamedPort(const std::optional<QString> &list, const QString &dev = QStringLiteral("/dev"));

class PortMap {
public:
    // Entry k-1 is port k; an empty entry leaves that number absent.
    explicit PortMap(QStringList devices = {});

    // The list given on the command line (--ports), else TALLY_SERIAL_PORTS
    // when set, both colon-separated devices (bare names as namedDevice
    // takes them); else the system's serial ports as likelyWired orders
    // them (COMk on Windows). Finding the system's ports
    // takes milliseconds of sysfs reading, so it runs beside the window's
    // construction and is waited for when a number is first looked up.
    static PortMap fromEnvironment(const std::optional<QString> &ports = std::nullopt);

    // The device of a port number, or an empty text when it has none.
    QString device(int port) const;
    // The list was the operator's (or a test's), not the system's.
    bool named() const { return m_named; }

private:
    explicit PortMap(std::shared_future<QStringList> devices);

    std::shared_future<QStringList> m_devices;
    bool m_named = true;
};

} // namespace platform
