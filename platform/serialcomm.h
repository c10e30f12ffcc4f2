// The window's serial port: a port number 1..16, an open state, text or
// byte output and one-character input with one notification per
// received character.
#pragma once

#include "platform/linesettings.h"
#include "platform/portmap.h"
#include "platform/serialline.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

#include <optional>

namespace platform {

// Error numbers reported with a failed port operation.
enum CommErrorNumber {
    InvalidPortNumber = 8002,
    PortAlreadyOpen = 8005,
    DeviceUnavailable = 8010, // missing, busy or refused
    PortOperationFailed = 8015,
};

// Why output() sent nothing.
enum class OutputFailure {
    NoPort,      // no port is open
    WriteFailed, // the port is open but refused the bytes
};
using OutputResult = unitlink::Outcome<OutputFailure>;

// As the design's English code has it; noPortOpen() is it in the
// window's language.
inline constexpr char kNoPortOpen[] = QT_TRANSLATE_NOOP("platform::SerialComm", "no serial port open");
QString noPortOpen();

class SerialComm : public QObject, public platform::SerialLine {
    Q_OBJECT
public:
    SerialComm(PortMap map, LineSettings settings, QObject *parent = nullptr);
    ~SerialComm() override;

    int commPort() const override { return m_commPort; }
    platform::PortResult setCommPort(int port) override;
    bool portOpen() const override { return m_port.isOpen(); }
    platform::PortResult setPortOpen(bool open) override;

    // Queues the bytes for the line, or says why nothing was sent.
    OutputResult output(QByteArrayView data);
    // What the operator is told about a failure: "no serial port open",
    // "writing to Com3 (/dev/ttyUSB0) failed".
    QString failureText(OutputFailure failure) const;
    // One received character per call, empty when none is waiting.
    QByteArray input();
    // Received characters not yet delivered (held while a box is open).
    qsizetype waiting() const;

    void setRTSEnable(bool on);
    bool rtsEnable() const { return m_settings.rts; }

    // "Com3 (/dev/ttyUSB0)", for messages.
    QString portLabel() const;
    // Why the last open of a port with a device failed, in short: "Com1
    // /dev/ttyUSB0: busy". Empty after an open that succeeded or found no device.
    const QString &refusal() const { return m_refusal; }
    const PortMap &portMap() const { return m_map; }

    // What a watcher of the line (the line log) is told about the port, at
    // the moment it happens (a window hears of a loss by portLost, in turn).
    enum class PortEvent { Chosen, Opened, OpenFailed, Closed, Lost };

signals:
    // Once per received character; the handler reads it with input().
    void onComm();
    // The device went away (unplugged, peer hung up); the port is closed.
    // Told in turn like a character: after every character that came
    // before it, and never while a box is open.
    void portLost(const QString &description);

    // For watchers only: the bytes as they were read from the port (before
    // the per-character delivery above, which they do not affect), the
    // bytes written, the bytes a write refused and why, and port changes.
    void bytesRead(const QByteArray &bytes);
    void bytesWritten(const QByteArray &bytes);
    void writeRefused(const QByteArray &bytes, const QString &reason);
    void portEvent(platform::SerialComm::PortEvent event, const QString &text);

private:
    void handleReadyRead();
    QByteArray readPort();
    platform::PortResult openPort();
    void postDelivery();
    void deliver();
    void dropHeld();
    void handleError(QSerialPort::SerialPortError error);
    void raiseModemLines();

    PortMap m_map;
    LineSettings m_settings;
    QSerialPort m_port;
    int m_commPort = 1;
    QString m_refusal;
    QByteArray m_pending;
    qsizetype m_readPos = 0;
    std::optional<QString> m_lost; // told after the held characters
    bool m_deliveryPosted = false;
    bool m_dispatching = false;
    bool m_settingModemLines = false;
};

} // namespace platform
