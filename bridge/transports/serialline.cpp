#include "bridge/transports/serialline.h"

namespace bridge {

SerialLine::SerialLine(Carried &input, QString device, const platform::LineSettings &settings, const Timing &timing)
    : Transport(input), m_device(std::move(device)), m_settings(settings),
      m_retrying(
          timing.retryMs, timing.reportMs, [this](const QString &text) { m_input.log(text); },
          [this] { return m_input.name(); }, [this] { return m_input.staysText(); })
{
    m_retry.setInterval(timing.retryMs);
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(timing.quietMs);
    connect(&m_retry, &QTimer::timeout, this, &SerialLine::tryOpen);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        m_toldQuiet = true;
        m_input.log(QStringLiteral("%1: no frame for %2 s%3%4")
                        .arg(m_input.name(), seconds(m_quiet.interval()),
                             m_heardAny ? QString() : QStringLiteral(" since it opened"), m_input.staysText()));
    });
    connect(&m_port, &QSerialPort::readyRead, this, [this] { m_reader->feed(m_port.readAll()); });
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError) return;
        m_port.clearError();
        m_port.close();
        m_quiet.stop();
        m_retrying.failed(QStringLiteral("lost"));
        setLink(Link::Lost);
        m_retry.start();
    });
}

SerialLine::~SerialLine()
{
    m_port.disconnect(this);
}

QString SerialLine::open()
{
    tryOpen();
    return {};
}

void SerialLine::tryOpen()
{
    if (const QString why = platform::openLine(m_port, m_device, m_settings, QIODevice::ReadOnly); !why.isEmpty()) {
        m_retrying.failed(QStringLiteral("cannot open: ") + why);
        setLink(Link::Retrying);
        m_retry.start();
        return;
    }
    m_retry.stop();
    m_reader = m_input.newStream();
    m_port.setReadBufferSize(kReadBatch);
    m_retrying.opened(QStringLiteral("open"));
    setLink(Link::Connected);
    m_quiet.start();
}

void SerialLine::heard(bool stale)
{
    Transport::heard(stale);
    if (std::exchange(m_toldQuiet, false) && !stale) m_input.log(m_input.name() + QStringLiteral(": heard again"));
    m_heardAny = true;
    m_quiet.start();
}

} // namespace bridge
