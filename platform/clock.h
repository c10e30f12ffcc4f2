// The time of day as a window reads it, behind an interface so that tests
// can set the clock.
#pragma once

#include <QDate>
#include <QTime>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local time of day.
    virtual QTime now() const = 0;
    // The local date, asked for seldom (a saved log names its day).
    virtual QDate today() const { return QDate::currentDate(); }
};

// Asking for local time makes the C library look at the zone file again
// each time; the line log asks once per frame. Local time is UTC plus an
// offset that the zone's rules change only at whole minutes, so the offset
// is asked for once a minute.
class SystemClock : public Clock {
public:
    QTime now() const override;

private:
    mutable qint64 m_offsetMinute = -1; // the UTC minute the offset was taken in
    mutable qint64 m_offsetMs = 0;
};

} // namespace platform
