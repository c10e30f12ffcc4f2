#include "platform/linesettings.h"

namespace platform {

LineSettings switcherLine()
{
    LineSettings s;
    s.baud = 38400;
    s.parity = QSerialPort::EvenParity;
    return s;
}

void applyFraming(QSerialPort &port, const LineSettings &settings)
{
    port.setBaudRate(settings.baud);
    port.setDataBits(settings.dataBits);
    port.setParity(settings.parity);
    port.setStopBits(settings.stopBits);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

} // namespace platform
