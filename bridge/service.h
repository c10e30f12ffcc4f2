// The running bridge: every input the configuration names, the combined
// tally state and the unit line. Inputs hand what they read to the state;
// any change of the lamps goes to the line writer, which sends the newest.
#pragma once

#include "bridge/config.h"
#include "bridge/linewriter.h"
#include "bridge/tallystate.h"
#include "bridge/tsl31.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace bridge {

class Input;

class Service : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString &)>;
    static constexpr int kRetryMs = 2000;
    static constexpr int kMaxClients = 16;
    static constexpr qsizetype kClientBacklog = 4096;
    static constexpr int kQuietSwitcherMs = 5000;

    Service(Config config, Log log, QObject *parent = nullptr);
    ~Service() override;

    // Opens the line and every input: empty, or what could not be opened.
    // Once open, a lost line or switcher line is tried again every 2 s and
    // a lost vMix connection too.
    QString start();
    // A new mapping (sources to inputs, which tallies mean what, refresh,
    // staleness); inputs and the line stay as they are.
    void reload(const Config &config);
    const Config &config() const { return m_config; }

    // Called by the inputs.
    void heard(Input &input, const SourceStates &states, bool complete);
    void log(const QString &text) const { m_log(text); }
    void verbose(const QString &text) const
    {
        if (m_config.verbose) m_log(text);
    }

private:
    void publish(const QString &cause);
    void checkStale();

    Config m_config;
    Log m_log;
    TallyState m_state;
    Lamps m_lamps;
    std::unique_ptr<LineWriter> m_line;
    std::vector<std::unique_ptr<Input>> m_inputs;
    QTimer m_staleCheck;
};

// One source of tally: a listener, the vMix connection or the switcher line.
class Input : public QObject {
    Q_OBJECT
public:
    Input(Service &service, Kind kind, QString name);
    const QString &name() const { return m_name; }
    Kind kind() const { return m_kind; }
    // Empty when it is open (or will keep trying); else why not.
    virtual QString open() = 0;
    qint64 silentMs() const { return m_heard.isValid() ? m_heard.elapsed() : -1; }
    bool stale = false; // cleared after --stale seconds of silence
    bool quiet = false; // a switcher line that stopped sending, logged once

protected:
    // What was read: some sources (complete = false) or all of them.
    void heard(const SourceStates &states, bool complete = false);
    // Counts malformed input and says so at most once a second.
    void malformed(qint64 count);
    // A TSL 5 packet read and heard, or counted as malformed.
    void tsl5(QByteArrayView packet);
    Service &m_service;

private:
    Kind m_kind;
    QString m_name;
    void complain();

    QElapsedTimer m_heard;
    QTimer m_quietComplaints;
    qint64 m_unreported = 0;
};

} // namespace bridge
