// How a serial line is framed and driven, for every program that opens one.
#pragma once

#include <QSerialPort>

namespace platform {

// The defaults are the unit control line: 9600 8N1, as the console,
// kandrel, tallyctl and the virtual unit use it.
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    qint64 inputBuffer = 1024;
    qint64 outputBuffer = 512;
    bool dtr = true; // raised while open
    bool rts = true; // raised while open
};

// The vision switcher's tally line: 38400 8E1.
LineSettings switcherLine();

// Why a port did not open, told apart for the operator: the device is
// absent, another program holds it, or this user may not use it (and needs
// the dialout group). Asked of the port before its error is cleared; the
// device is the path it was opened by.
enum class OpenRefusal { Absent, Busy, NoPermission, Other };
OpenRefusal openRefusal(const QSerialPort &port, const QString &device);
// The refusal in words ("absent", "busy: held by another program", the
// permission refusal as permissionText words it). Empty for Other.
QString refusalText(OpenRefusal refusal, const QString &device);

// Who may open a device and who asks: what a permission refusal is told
// with, so that the hint fits the device.
struct DeviceAccess {
    QString owner, group; // names, or numbers where there are none
    unsigned mode = 0;    // the permission bits
    QString user;
    bool groupNow = false;    // this process has the device's group
    bool groupListed = false; // the group lists the user, or is the user's own
};
DeviceAccess deviceAccess(const QString &device);
// "permission denied: root:dialout 660, the user is alice; the user needs
// to be in the dialout group". The dialout hint only where the device's
// group is dialout and the user not in it; "log in again" where the user
// was added but this session has not the group yet.
QString permissionText(const DeviceAccess &access);
// The refusal's words, or the port's own error text when it is none of them.
QString whyNotOpen(const QSerialPort &port, const QString &device);

// Baud, data bits, parity and stop bits, without flow control. Set before
// open(): on some platforms they are applied as part of it.
void applyFraming(QSerialPort &port, const LineSettings &settings);

// Names the device, frames the line and opens it. Empty when it opened,
// else why not (whyNotOpen), with the port's error cleared so that the next
// attempt starts afresh.
QString openLine(QSerialPort &port, const QString &device, const LineSettings &settings,
                 QIODevice::OpenMode mode = QIODevice::ReadWrite);

} // namespace platform
