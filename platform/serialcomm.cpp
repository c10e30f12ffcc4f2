#include "platform/serialcomm.h"

#include "platform/modalgate.h"
#include "platform/portchoice.h"
#include "platform/porttitle.h"

#include <QCoreApplication>

namespace platform {

SerialComm::SerialComm(PortMap map, LineSettings settings, QObject *parent)
    : QObject(parent), m_map(std::move(map)), m_settings(settings)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialComm::handleReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialComm::handleError);
    connect(&ModalGate::instance(), &ModalGate::reopened, this, &SerialComm::deliver);
}

SerialComm::~SerialComm()
{
    if (m_port.isOpen()) m_port.close();
}

QString SerialComm::portLabel() const
{
    const QString dev = m_map.device(m_commPort);
    const QString entry = platform::portEntry(m_commPort);
    return dev.isEmpty() ? entry : QStringLiteral("%1 (%2)").arg(entry, dev);
}

QString noPortOpen()
{
    return QCoreApplication::translate("platform::SerialComm", kNoPortOpen);
}

platform::PortResult SerialComm::setCommPort(int port)
{
    if (port < 1 || port > platform::kPortCount)
        return platform::PortError{InvalidPortNumber, tr("Invalid port number %1").arg(port)};
    if (m_port.isOpen()) return platform::PortError{PortAlreadyOpen, tr("%1: port already open").arg(portLabel())};
    m_commPort = port;
    emit portEvent(PortEvent::Chosen, portLabel());
    return {};
}

platform::PortResult SerialComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen()) {
            m_port.close();
            emit portEvent(PortEvent::Closed, portLabel());
        }
        dropHeld();
        return {};
    }
    platform::PortResult result = openPort();
    if (result.ok())
        emit portEvent(PortEvent::Opened, portLabel());
    else
        emit portEvent(PortEvent::OpenFailed, result.error().description);
    return result;
}

platform::PortResult SerialComm::openPort()
{
    if (m_port.isOpen())
        return platform::PortError{PortAlreadyOpen, QStringLiteral("%1: port already open").arg(portLabel())};

    m_refusal.clear();
    const QString dev = m_map.device(m_commPort);
    if (dev.isEmpty())
        return platform::PortError{
            DeviceUnavailable,
            QStringLiteral("%1: no serial device has this number").arg(platform::portEntry(m_commPort))};

    // Settings first: on some platforms they are applied as part of open().
    m_port.setPortName(dev);
    applyFraming(m_port, m_settings);
    m_port.setReadBufferSize(m_settings.inputBuffer);

    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError err = m_port.error();
        const QString reason = m_port.errorString();
        const OpenRefusal refusal = openRefusal(m_port, dev);
        m_port.clearError();
        m_refusal = QStringLiteral("%1 %2: %3")
                        .arg(platform::portEntry(m_commPort), dev,
                             refusal == OpenRefusal::Other ? reason : refusalText(refusal, dev));
        switch (refusal) {
        case OpenRefusal::Absent:
            return platform::PortError{DeviceUnavailable, QStringLiteral("%1: no such device").arg(portLabel())};
        case OpenRefusal::NoPermission:
            return platform::PortError{DeviceUnavailable,
                                       portLabel() + QStringLiteral(": ") + refusalText(refusal, dev)};
        case OpenRefusal::Busy:
            return platform::PortError{DeviceUnavailable,
                                       QStringLiteral("%1 is in use by another program").arg(portLabel())};
        case OpenRefusal::Other: break;
        }
        if (err == QSerialPort::OpenError)
            return platform::PortError{PortAlreadyOpen, QStringLiteral("%1: port already open").arg(portLabel())};
        return platform::PortError{PortOperationFailed, QStringLiteral("%1: %2").arg(portLabel(), reason)};
    }
    dropHeld();
    raiseModemLines();
    return {};
}

void SerialComm::raiseModemLines()
{
    // A pty has no modem lines: Qt reports UnsupportedOperationError for
    // these calls, which is no reason to give up the port.
    m_settingModemLines = true;
    if (m_settings.dtr) m_port.setDataTerminalReady(true);
    if (m_settings.rts) m_port.setRequestToSend(true);
    m_settingModemLines = false;
    m_port.clearError();
}

void SerialComm::setRTSEnable(bool on)
{
    m_settings.rts = on;
    if (!m_port.isOpen()) return;
    m_settingModemLines = true;
    m_port.setRequestToSend(on);
    m_settingModemLines = false;
    m_port.clearError();
}

OutputResult SerialComm::output(QByteArrayView data)
{
    OutputFailure failure = OutputFailure::NoPort;
    if (m_port.isOpen()) {
        if (m_port.write(data.data(), data.size()) == data.size()) {
            emit bytesWritten(data.toByteArray());
            return {};
        }
        failure = OutputFailure::WriteFailed;
    }
    emit writeRefused(data.toByteArray(), failureText(failure));
    return failure;
}

QString SerialComm::failureText(OutputFailure failure) const
{
    if (failure == OutputFailure::NoPort) return noPortOpen();
    return tr("writing to %1 failed").arg(portLabel());
}

QByteArray SerialComm::input()
{
    if (m_readPos >= m_pending.size()) return {};
    return m_pending.sliced(m_readPos++, 1);
}

qsizetype SerialComm::waiting() const
{
    return m_pending.size() - m_readPos;
}

QByteArray SerialComm::readPort()
{
    QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty()) emit bytesRead(bytes);
    return bytes;
}

void SerialComm::dropHeld()
{
    m_pending.clear();
    m_readPos = 0;
    m_lost.reset();
}

// Bytes are taken off the port the moment they arrive, whatever is running,
// and handlers run later from a posted call. A handler run from inside
// readyRead would be a trap: QSerialPort raises no readyRead while its own
// is running, so what arrived during that handler's box would sit in the
// port unseen, and be thrown away if the port then dropped.
void SerialComm::handleReadyRead()
{
    m_pending.append(readPort());
    postDelivery();
}

void SerialComm::postDelivery()
{
    if (m_deliveryPosted) return;
    m_deliveryPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_deliveryPosted = false;
            deliver();
        },
        Qt::QueuedConnection);
}

void SerialComm::deliver()
{
    // While a box is open (the gate is closed) or a receive handler holds
    // one, what arrives is only queued; the delivery that resumes afterwards
    // passes it on in order, each character once, and a loss after them.
    if (m_dispatching || !ModalGate::isOpen()) return;
    m_dispatching = true;
    while (m_readPos < m_pending.size()) {
        const qsizetype before = m_readPos;
        emit onComm();
        if (m_readPos == before) ++m_readPos; // the handler read nothing: move on
    }
    m_pending.clear();
    m_readPos = 0;
    m_dispatching = false;
    if (const std::optional<QString> lost = std::exchange(m_lost, std::nullopt)) emit portLost(*lost);
}

void SerialComm::handleError(QSerialPort::SerialPortError error)
{
    if (m_settingModemLines) return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
        return;
    if (!m_port.isOpen()) return;
    // What the port still holds arrived before the loss and is handled first.
    m_pending.append(readPort());
    // Left open, a hung-up device raises this error without end and spins a core.
    m_port.clearError();
    m_port.close();
    const QString description = QStringLiteral("%1 lost: the device was unplugged or hung up").arg(portLabel());
    emit portEvent(PortEvent::Lost, description);
    m_lost = description;
    postDelivery();
}

} // namespace platform
