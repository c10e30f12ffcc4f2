// What the port search and port choice need of a serial port component,
// so that they can be exercised without windows.
#pragma once

#include "link/outcome.h"

#include <QString>

namespace platform {

struct PortError {
    int number = 0;
    QString description;
};
using PortResult = unitlink::Outcome<PortError>;

class SerialLine {
public:
    virtual ~SerialLine() = default;
    virtual int commPort() const = 0;
    virtual PortResult setCommPort(int port) = 0;
    virtual bool portOpen() const = 0;
    virtual PortResult setPortOpen(bool open) = 0;
};

} // namespace platform
