// Unix signals (SIGINT, SIGTERM, SIGHUP) as Qt signals on the event loop's
// thread, for the headless programs: the handler only writes a byte to a
// socket pair, and everything else happens between events. One watcher at
// a time; the handlers it replaced come back when it goes.
#pragma once

#include <QObject>

#include <initializer_list>
#include <memory>

class QSocketNotifier;

namespace platform {

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalWatcher() override;

    // Whether any of the signals came since the watcher was made.
    bool happened() const { return m_happened; }

signals:
    void caught(int signalNumber);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_happened = false;
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};

} // namespace platform
