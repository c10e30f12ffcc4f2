// The running bridge: every input the configuration names, the combined
// tally state and the unit line. Inputs hand what they read to the state;
// any change of the lamps goes to the line writer, which sends the newest.
#pragma once

#include "bridge/config.h"
#include "bridge/linewriter.h"
#include "bridge/tallystate.h"
#include "bridge/throttle.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace bridge {

class Input;

// An input lit by hand for a while, to check a camera's lamp before the
// show, beside whatever the switcher says.
struct LampTest {
    int input = 0;
    Bus bus = Bus::Program;
    QDeadlineTimer ends;
};

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
    // What the units are told: the state under the mapping, and the test.
    const Lamps &lamps() const { return m_lamps; }
    // By id; config().inputs() gives their order.
    const std::map<QString, std::unique_ptr<Input>> &inputs() const { return m_inputs; }
    // None before start and after stop.
    const LineWriter *line() const { return m_line.get(); }

    // Lights an input for 1 to 60 s, replacing a test that runs; by whom
    // goes into the log.
    void startTest(int input, Bus bus, int seconds, const QString &by);
    void endTest(const QString &by);
    const std::optional<LampTest> &test() const { return m_test; }
    // Whether any source of the input lights a lamp.
    bool lit(const QString &input) const;

    // Called by the inputs.
    void heard(Input &input, const SourceStates &states, bool complete);
    void log(const QString &text) const
    {
        if (!m_stopped) m_log(text);
    }
    // A count or the link of an input changed.
    void inputChanged() { emit changed(); }

signals:
    // Something the status page shows: the state, an input, the line, the test.
    void changed();
    // A pair went out on the unit line; again: the same as the one before.
    void wrote(const QByteArray &pair, bool again);

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
    void setLine(std::unique_ptr<LineWriter> line);

    Config m_config;
    Log m_log;
    TallyState m_state, m_saved;
    Lamps m_lamps;
    std::unique_ptr<LineWriter> m_line;
    std::map<QString, std::unique_ptr<Input>> m_inputs; // by id
    std::optional<LampTest> m_test;
    QTimer m_staleCheck, m_save, m_testEnd;
    Throttle m_saveFailures;
    bool m_stopped = false;
};

} // namespace bridge
