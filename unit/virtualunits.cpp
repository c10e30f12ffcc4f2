#include "unit/virtualunits.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

namespace unit {

VirtualUnits::VirtualUnits(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_line(m_options.addresses)
{
    connect(&m_port, &UnitPort::received, this, &VirtualUnits::received);
    connect(&m_line, &UnitLine::promWritten, this, &VirtualUnits::savePromFile);
}

bool VirtualUnits::start(QString *error)
{
    if (!m_options.promFile.isEmpty()) {
        QByteArray text;
        if (!readPromFile(&text, error)) return false;
        m_line.loadPromFileText(text);
    }
    return m_options.device.isEmpty() ? m_port.openPty(error) : m_port.openDevice(m_options.device, error);
}

bool VirtualUnits::readPromFile(QByteArray *text, QString *error) const
{
    // A PROM file takes 68 bytes a unit: anything this big is some other
    // file, which must not be rewritten.
    constexpr qint64 kLargest = 64 * 1024;
    QFile f(m_options.promFile);
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(m_options.promFile, f.errorString());
        return false;
    }
    *text = f.read(kLargest + 1);
    if (text->size() > kLargest) {
        *error = QStringLiteral("%1 is not a PROM file (over %2 bytes)").arg(m_options.promFile).arg(kLargest);
        return false;
    }
    return true;
}

QString VirtualUnits::printable(const QByteArray &bytes)
{
    QString s;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\x02')
            s += QStringLiteral("<STX>");
        else if (c == '\x03')
            s += QStringLiteral("<ETX>");
        else if (u < 0x20 || u > 0x7E)
            s += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
        else
            s += QLatin1Char(c);
    }
    return s;
}

void VirtualUnits::received(const QByteArray &bytes)
{
    for (const QByteArray &body : m_reader.feed(bytes)) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"));
        if (log) log(stamp + QStringLiteral(" rx ") + printable('\x02' + body + '\x03'));
        for (const QByteArray &reply : m_line.handle(body)) {
            m_port.write(reply);
            if (log)
                log(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral(" tx ") +
                    printable(reply));
        }
    }
}

void VirtualUnits::savePromFile()
{
    if (m_options.promFile.isEmpty()) return;
    // Read again rather than remembered: another tally-unit may keep its
    // units in the same file, and their lines stay as it left them.
    QByteArray previous;
    QString error;
    if (!readPromFile(&previous, &error)) {
        if (log) log(error);
        return;
    }
    // Written aside and renamed over the old file: a PROM is never half-written.
    QSaveFile f(m_options.promFile);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(m_line.promFileText(previous));
        if (f.commit()) return;
    }
    if (log) log(QStringLiteral("cannot write %1: %2").arg(m_options.promFile, f.errorString()));
}

} // namespace unit
