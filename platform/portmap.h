// Port numbers 1..16 to serial devices.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

class PortMap {
public:
    // Entry k-1 is port k; an empty entry leaves that number absent.
    explicit PortMap(QStringList devices = {});

    // TALLY_SERIAL_PORTS (colon-separated device paths) when set, else the
    // system's serial ports sorted by name (COMk on Windows).
    static PortMap fromEnvironment();

    // The device of a port number, or an empty text when it has none.
    QString device(int port) const;

private:
    QStringList m_devices;
};

} // namespace platform
