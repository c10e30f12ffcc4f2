// Port numbers 1..16 to serial devices.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

class PortMap {
public:
    // Entry k-1 is port k; an empty entry leaves that number absent.
    explicit PortMap(QStringList devices = {});

    // The list given on the command line (--ports), else TALLY_SERIAL_PORTS
    // when set, both colon-separated device paths; else the system's serial
    // ports sorted by name (COMk on Windows).
    static PortMap fromEnvironment(const std::optional<QString> &ports = std::nullopt);

    // The device of a port number, or an empty text when it has none.
    QString device(int port) const;

private:
    QStringList m_devices;
};

} // namespace platform
