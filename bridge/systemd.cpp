#include "bridge/systemd.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <ctime>

namespace bridge {

Systemd::Systemd(QObject *parent) : QObject(parent)
{
    // Twice in each period, so one late turn of the loop is not yet a hang.
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) m_watchdog.setInterval(std::max<qint64>(1, qint64(usec / 2000)));
    connect(&m_watchdog, &QTimer::timeout, this, [] { sd_notify(0, "WATCHDOG=1"); });
}

void Systemd::ready()
{
    sd_notify(0, "READY=1");
    if (m_watchdog.interval() > 0 && !m_watchdog.isActive()) m_watchdog.start();
}

void Systemd::reloading()
{
    // systemd 253 on wants the time the reload began, to match it with its
    // own request; 252 (Debian 12) ignores the field.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    sd_notifyf(0, "RELOADING=1\nMONOTONIC_USEC=%llu",
               static_cast<unsigned long long>(now.tv_sec) * 1000000ULL + now.tv_nsec / 1000);
}

// No ping after this: the loop may turn a few more times before it ends,
// and from here TimeoutStopSec= rules, not the watchdog.
void Systemd::stopping()
{
    m_watchdog.stop();
    sd_notify(0, "STOPPING=1");
}

} // namespace bridge
