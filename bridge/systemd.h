// What the service manager is told (Type=notify): that the bridge is up,
// reloading or stopping, and, while the event loop turns, that it is alive.
// A loop that hangs stops the pings, and systemd restarts the bridge.
// Outside systemd (no NOTIFY_SOCKET) nothing is sent.
#pragma once

#include <QObject>
#include <QTimer>

namespace bridge {

class Systemd : public QObject {
    Q_OBJECT
public:
    explicit Systemd(QObject *parent = nullptr);

    // Starts the watchdog's pings too: before this, TimeoutStartSec= rules.
    void ready();
    // Followed by ready() once the new configuration is in force, or refused.
    void reloading();
    void stopping();

private:
    QTimer m_watchdog;
};

} // namespace bridge
