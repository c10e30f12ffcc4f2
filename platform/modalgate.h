// Run to completion: a handler that shows a box or dialog spins a nested
// event loop, and nothing else of ours may run inside it. While any box or
// dialog is open the gate is closed: the serial component only queues what
// arrives and timers hold back their ticks. Both resume once the outermost
// box has closed and the handler that opened it has returned.
#pragma once

#include <QObject>
#include <QTimer>

namespace platform {

class ModalGate : public QObject {
    Q_OBJECT
public:
    static ModalGate &instance();
    static bool isOpen() { return instance().m_depth == 0; }

    // Held by a box or dialog for as long as it is shown.
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
    };

signals:
    // Posted when the last box closes, so it comes after the handler that
    // opened the box has finished, not inside it.
    void reopened();

private:
    ModalGate() = default;
    int m_depth = 0;
    // One reopening waits at a time: boxes that close before it runs need
    // no more, and a loop that never runs (a fuzz target) does not pile up.
    bool m_reopenPosted = false;
};

// The window timer: its tick never runs while the gate is closed. Ticks
// that fell due meanwhile run once afterwards, as a blocked message loop
// coalesces them, not once per missed period.
class Timer : public QTimer {
    Q_OBJECT
public:
    explicit Timer(QObject *parent = nullptr);

signals:
    void tick();

private:
    bool m_missed = false;
};

} // namespace platform
