// A log line for something that may repeat many times a second or all day
// (malformed bytes, a switcher that cannot be reached, senders replaced):
// the first is told at once, then at most once per interval, with how many
// came meanwhile.
#pragma once

#include <QString>
#include <QTimer>

#include <functional>

namespace bridge {

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

} // namespace bridge
