// Log lines for something that may repeat many times a second or all day
// (malformed bytes, a switcher that cannot be reached, senders replaced):
// the first is told at once, then at most once per interval, with how many
// came meanwhile.
#pragma once

#include <QString>
#include <QTimer>

#include <functional>

namespace bridge {

// Something that may come many times a second (malformed messages,
// senders replaced) is told at most this often.
inline constexpr int kNoiseReportMs = 1000;

// "0.6": milliseconds as the log tells them, in seconds.
inline QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

class Throttle {
public:
    // count: how many came since the last telling; last: the newest's text.
    using Tell = std::function<void(qint64 count, const QString &last)>;
    Throttle(int intervalMs, Tell tell) : m_tell(std::move(tell))
    {
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(intervalMs);
        QObject::connect(&m_quiet, &QTimer::timeout, [this] { flush(); });
    }
    void add(const QString &what, qint64 count = 1)
    {
        m_pending += count;
        m_last = what;
        m_any = true;
        if (!m_quiet.isActive()) flush();
    }
    // The run is over (the switcher is back): whether any of it was told.
    bool end()
    {
        m_quiet.stop();
        m_pending = 0;
        return std::exchange(m_any, false);
    }

private:
    void flush()
    {
        if (m_pending == 0) return;
        m_tell(std::exchange(m_pending, 0), m_last);
        m_quiet.start();
    }

    Tell m_tell;
    QTimer m_quiet;
    qint64 m_pending = 0;
    QString m_last;
    bool m_any = false;
};

// Something opened again every retryMs while it fails (the unit line, a
// switcher line, vMix): the failure told at once, "who: why; trying again
// every 2 s", then once a report period with a count, and "back" when it
// opens.
class Retrying {
public:
    using Log = std::function<void(const QString &)>;
    // who: what the lines start with; stays: what is said of the lamps
    // meanwhile, read when the line is told.
    Retrying(int retryMs, int reportMs, Log log, std::function<QString()> who, std::function<QString()> stays)
        : m_log(std::move(log)), m_who(std::move(who)),
          m_failures(reportMs, [this, retryMs, stays = std::move(stays)](qint64 n, const QString &why) {
              m_log(
                  n == 1
                      ? QStringLiteral("%1: %2%3; trying again every %4 s").arg(m_who(), why, stays(), seconds(retryMs))
                      : QStringLiteral("%1: %2 (%3 more failed attempts)").arg(m_who(), why).arg(n));
          })
    {}
    void failed(const QString &why) { m_failures.add(why); }
    // "who: what", or "who: back, what" once it failed.
    void opened(const QString &what)
    {
        m_log(QStringLiteral("%1: %2%3").arg(m_who(), m_failures.end() ? QStringLiteral("back, ") : QString(), what));
    }

private:
    Log m_log;
    std::function<QString()> m_who;
    Throttle m_failures;
};

} // namespace bridge
