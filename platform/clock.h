// The time of day as a window reads it, behind an interface so that tests
// can set the clock.
#pragma once

#include <QTime>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local time of day.
    virtual QTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QTime now() const override { return QTime::currentTime(); }
};

} // namespace platform
