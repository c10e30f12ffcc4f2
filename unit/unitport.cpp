#include "unit/unitport.h"

#include "platform/linesettings.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace unit {

UnitPort::UnitPort(QObject *parent) : QObject(parent)
{
    connect(&m_serial, &QSerialPort::readyRead, this, [this] { emit received(m_serial.readAll()); });
}

UnitPort::~UnitPort()
{
    m_notifier.reset();
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
}

bool UnitPort::openPty(QString *error)
{
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_path = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &UnitPort::readMaster);
    return true;
}

bool UnitPort::openDevice(const QString &device, QString *error)
{
    m_serial.setPortName(device);
    platform::applyFraming(m_serial, platform::LineSettings{}); // the unit control line
    if (!m_serial.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open %1: %2").arg(device, m_serial.errorString());
        return false;
    }
    m_path = device;
    return true;
}

void UnitPort::readMaster()
{
    char buf[4096];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n > 0) emit received(QByteArray(buf, n));
}

void UnitPort::write(const QByteArray &bytes)
{
    if (m_serial.isOpen()) {
        m_serial.write(bytes);
        return;
    }
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            // The controller is not reading: a real unit would block its
            // transmitter too, so wait briefly for room.
            fd_set out;
            FD_ZERO(&out);
            FD_SET(m_master, &out);
            timeval tv{0, 100'000};
            if (select(m_master + 1, nullptr, &out, nullptr, &tv) <= 0) return;
        } else {
            return;
        }
    }
}

} // namespace unit
