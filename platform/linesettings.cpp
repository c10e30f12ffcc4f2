#include "platform/linesettings.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform {

OpenRefusal openRefusal(const QSerialPort &port, const QString &device)
{
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: return OpenRefusal::Absent;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // The device lets this user in, so the refusal was a lock: busy.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0) return OpenRefusal::NoPermission;
#endif
        return OpenRefusal::Busy;
    default: break;
    }
    return OpenRefusal::Other;
}

QString refusalText(OpenRefusal refusal)
{
    switch (refusal) {
    case OpenRefusal::Absent: return QStringLiteral("absent");
    case OpenRefusal::Busy: return QStringLiteral("busy: held by another program");
    case OpenRefusal::NoPermission:
        return QStringLiteral("permission denied; the user needs to be in the dialout group");
    case OpenRefusal::Other: break;
    }
    return {};
}

QString whyNotOpen(const QSerialPort &port, const QString &device)
{
    const OpenRefusal refusal = openRefusal(port, device);
    return refusal == OpenRefusal::Other ? port.errorString() : refusalText(refusal);
}

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

QString openLine(QSerialPort &port, const QString &device, const LineSettings &settings, QIODevice::OpenMode mode)
{
    port.setPortName(device);
    applyFraming(port, settings);
    if (port.open(mode)) return {};
    const QString why = whyNotOpen(port, device);
    port.clearError();
    return why;
}

} // namespace platform
