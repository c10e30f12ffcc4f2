#include "platform/clock.h"

#include <QDateTime>

namespace platform {

QTime SystemClock::now() const
{
    constexpr qint64 kMinute = 60 * 1000, kDay = 24 * 60 * kMinute;
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    const qint64 ms = utc.toMSecsSinceEpoch();
    if (ms / kMinute != m_offsetMinute) {
        m_offsetMinute = ms / kMinute;
        m_offsetMs = qint64(utc.toLocalTime().offsetFromUtc()) * 1000;
    }
    return QTime::fromMSecsSinceStartOfDay(int(((ms + m_offsetMs) % kDay + kDay) % kDay));
}

} // namespace platform
