// The running bridge: every input the configuration names, the combined
// tally state and the unit line. Inputs hand what they read to the state;
// any change of the lamps goes to the line writer, which sends the newest.
#pragma once

#include "bridge/config.h"
#include "bridge/linewriter.h"
#include "bridge/tallystate.h"
#include "bridge/throttle.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

namespace bridge {

class Input;

class Service : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString &)>;

    Service(Config config, Log log, QObject *parent = nullptr);
    ~Service() override;

    // Opens the line, puts the saved state on it and opens every input:
    // empty, or what could not be opened. Once open, a lost line or
    // switcher line is tried again every 2 s, and a lost vMix connection.
    QString start();
    // Applies a whole new configuration, or none of it. An input whose
    // endpoint moved is opened anew, added ones are opened, removed ones
    // closed, the others left as they are; the mapping is taken whole. Empty with *changes listing what
    // was opened or closed, or why nothing was applied.
    QString reload(const Config &config, QString *changes);
    // Saves the state and closes everything without a word more in the log.
    void stop();

    const Config &config() const { return m_config; }
    const TallyState &state() const { return m_state; }
    // Whether any source of the input lights a lamp.
    bool lit(const QString &input) const;

    // Called by the inputs.
    void heard(Input &input, const SourceStates &states, bool complete);
    void log(const QString &text) const
    {
        if (!m_stopped) m_log(text);
    }

private:
    // What a reload opened, not yet in use.
    struct Opened {
        std::unique_ptr<LineWriter> line; // none: the line stays
        std::map<QString, std::unique_ptr<Input>> inputs;
        QStringList changed;
    };
    QString open(const Endpoints &next, Opened &opened);
    QStringList takeEndpoints(const Endpoints &next, Opened &opened);
    void takeMapping(const Mapping &next);
    void verbose(const QString &text) const
    {
        if (m_config.verbose) log(text);
    }
    void publish(const QString &cause);
    void checkStale();
    void restore();
    void save();

    Config m_config;
    Log m_log;
    TallyState m_state, m_saved;
    Lamps m_lamps;
    std::unique_ptr<LineWriter> m_line;
    std::map<QString, std::unique_ptr<Input>> m_inputs; // by id
    QTimer m_staleCheck, m_save;
    Throttle m_saveFailures;
    bool m_stopped = false;
};

} // namespace bridge
