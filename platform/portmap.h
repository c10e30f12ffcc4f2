// Port numbers 1..16 to serial devices.
#pragma once

#include <QString>
#include <QStringList>
#include <future>
#include <optional>

namespace platform {

class PortMap {
public:
    // Entry k-1 is port k; an empty entry leaves that number absent.
    explicit PortMap(QStringList devices = {});

    // The list given on the command line (--ports), else TALLY_SERIAL_PORTS
    // when set, both colon-separated device paths; else the system's serial
    // ports sorted by name (COMk on Windows). Finding the system's ports
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
