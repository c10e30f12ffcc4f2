// The unit line: keeps the units' lamps at the newest state. At most one
// pair of tally frames is on its way at a time; whatever changes while it
// goes replaces what was waiting, so a flood of changes costs CPU, never
// delay. A pair is on its way until the device has sent it and, whatever
// the device reports, for the pair's own time on the line: a pty or a
// virtual COM driver takes kilobytes while saying nothing is queued. The
// pair goes again every refresh period, so that a unit switched on later
// catches up, and at once when a lost line comes back.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"
#include "platform/linesettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <functional>

namespace bridge {

class LineWriter : public QObject {
    Q_OBJECT
public:
    // Beyond the characters' own time: the UART's turn-around and the timer's.
    static constexpr int kMarginMs = 2;
    // A pair takes 112 ms at the most: a device that holds one this long is
    // stuck (a wedged adapter) and is opened anew.
    static constexpr int kStuckMs = 5000;

    using Log = std::function<void(const QString &)>;
    LineWriter(QString device, int refreshMs, const Timing &timing, Log log, QObject *parent = nullptr);

    // Opens the line now: empty, or why it cannot be opened. Once it has
    // been open, a lost line is tried again every 2 s.
    QString open();
    // The frames for the newest state; sent as soon as the line is free.
    void setFrames(const QByteArray &frames);
    void setRefresh(int ms);

    const QString &device() const { return m_device; }
    bool isOpen() const { return m_port.isOpen(); }
    qint64 pairsWritten() const { return m_pairs; }
    qint64 losses() const { return m_losses; }

signals:
    // A pair went out; again: the same as the one before it.
    void wrote(const QByteArray &pair, bool again);
    // Opened, or lost.
    void changed();

private:
    QString openPort(); // empty, or why the device did not open
    bool reopen();
    void lost(const QString &why);
    void sendIfFree();
    // The line is free once neither Qt nor the device holds any of the pair.
    void checkDrained();

    QString m_device;
    platform::LineSettings m_settings;
    Log m_log;
    Retrying m_failures;
    QByteArray m_newest;
    QByteArray m_sent; // the last pair written
    QElapsedTimer m_sentAt;
    bool m_busy = false;
    bool m_refreshDue = false;
    qint64 m_pairs = 0;
    qint64 m_losses = 0;
    QTimer m_refresh, m_retry, m_drain, m_stuck;
    // Last, so it goes first: its closing signals reach the members above.
    QSerialPort m_port;
};

} // namespace bridge
