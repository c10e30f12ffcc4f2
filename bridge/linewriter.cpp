#include "bridge/linewriter.h"

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace bridge {

LineWriter::LineWriter(QString device, int refreshMs, const Timing &timing, Log log, QObject *parent)
    : QObject(parent), m_device(std::move(device)), m_log(std::move(log)),
      m_failures(
          timing.retryMs, timing.reportMs, m_log, [this] { return QStringLiteral("line ") + m_device; },
          [] { return QString(); })
{
    m_drain.setSingleShot(true);
    // The pair's own line time is a floor, not a hint: a coarse timer may
    // fire 5 % late, and a change that came meanwhile waits that long.
    m_drain.setTimerType(Qt::PreciseTimer);
    m_stuck.setSingleShot(true);
    m_stuck.setInterval(kStuckMs);
    connect(&m_stuck, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("nothing sent for %1 s: the adapter is stuck").arg(kStuckMs / 1000)); });
    m_retry.setInterval(timing.retryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (reopen()) sendIfFree();
    });
    connect(&m_drain, &QTimer::timeout, this, &LineWriter::checkDrained);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        m_refreshDue = true;
        sendIfFree();
    });
    connect(&m_port, &QSerialPort::bytesWritten, this, &LineWriter::checkDrained);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError || error == QSerialPort::ReadError)
            lost(QStringLiteral("lost (unplugged or hung up)"));
    });
    // The units never speak to the bridge; what comes back is dropped.
    connect(&m_port, &QSerialPort::readyRead, this, [this] { m_port.readAll(); });
    setRefresh(refreshMs);
}

QString LineWriter::open()
{
    const QString why = openPort();
    return why.isEmpty() ? QString() : QStringLiteral("line %1: cannot open: %2").arg(m_device, why);
}

QString LineWriter::openPort()
{
    if (const QString why = platform::openLine(m_port, m_device, m_settings); !why.isEmpty()) return why;
    m_failures.opened(QStringLiteral("open"));
    emit changed();
    return {};
}

bool LineWriter::reopen()
{
    if (m_port.isOpen()) return true;
    if (const QString why = openPort(); !why.isEmpty()) {
        m_failures.failed(QStringLiteral("cannot open: ") + why);
        return false;
    }
    m_retry.stop();
    m_busy = false;
    m_refreshDue = true; // whatever the units missed meanwhile
    return true;
}

// After a hang-up the port's error text is whatever the last call left: the
// caller says why.
void LineWriter::lost(const QString &why)
{
    if (!m_port.isOpen()) return;
    m_port.clearError();
    m_port.close();
    m_busy = false;
    m_drain.stop();
    m_stuck.stop();
    m_failures.failed(why);
    ++m_losses;
    m_retry.start();
    emit changed();
}

void LineWriter::setFrames(const QByteArray &frames)
{
    m_newest = frames;
    sendIfFree();
}

void LineWriter::setRefresh(int ms)
{
    m_refresh.setInterval(ms);
    if (ms > 0)
        m_refresh.start();
    else
        m_refresh.stop();
}

void LineWriter::sendIfFree()
{
    if (m_busy || !m_port.isOpen() || m_newest.isEmpty()) return;
    if (m_newest == m_sent && !m_refreshDue) return;
    m_refreshDue = false;
    const bool again = m_newest == m_sent;
    m_sent = m_newest;
    m_busy = true;
    m_sentAt.start();
    m_stuck.start();
    if (m_port.write(m_sent) != m_sent.size()) return lost(QStringLiteral("cannot write: ") + m_port.errorString());
    // Out now rather than on the next turn of the event loop.
    m_port.flush();
    ++m_pairs;
    emit wrote(m_sent, again);
    if (m_refresh.interval() > 0) m_refresh.start();
    checkDrained();
}

void LineWriter::checkDrained()
{
    if (!m_busy || !m_port.isOpen()) return;
    if (m_port.bytesToWrite() > 0) return; // bytesWritten calls again
    int queued = 0;
#ifdef Q_OS_LINUX
    // A UART takes about a millisecond a character at 9600 baud: until the
    // device has sent the pair, the next one waits here, not in its queue.
    if (::ioctl(int(m_port.handle()), TIOCOUTQ, &queued) != 0) queued = 0;
#endif
    if (queued > 0) {
        m_drain.start(std::max(1, queued * 10 * 1000 / m_settings.baud));
        return;
    }
    // 10 bits a character at 8N1.
    const qint64 lineMs = (m_sent.size() * 10 * 1000 + m_settings.baud - 1) / m_settings.baud + kMarginMs;
    if (const qint64 left = lineMs - m_sentAt.elapsed(); left > 0) {
        m_drain.start(int(left));
        return;
    }
    m_busy = false;
    m_stuck.stop();
    sendIfFree();
}

} // namespace bridge
