// What the switchers say, combined: each input (a listener, the vMix
// connection, the switcher line) keeps the program and preview state of its
// sources; a source maps to one of the units' 48 parallel inputs, and a
// parallel input is on program when any source mapped to it is, likewise
// preview.
#pragma once

#include "link/protocol.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>

#include <bitset>
#include <optional>

namespace bridge {

using unitlink::kParallelInputs;

// The kinds of input; each has its own source numbers and its own mapping.
enum class Kind { Switcher, Tsl31, Tsl5, Vmix, Atem, Obs };
inline constexpr int kKinds = 6;
QString kindName(Kind kind); // "switcher", "tsl31", "tsl5", "vmix", "atem", "obs": the config's sections
std::optional<Kind> kindNamed(const QString &name);

// Which lamps: a lamp test's, as the status page asks for it.
enum class Bus { Program, Preview, Both };

struct SourceTally {
    bool program = false;
    bool preview = false;
    friend bool operator==(const SourceTally &, const SourceTally &) = default;
};
// A source's number, and for TSL 5 its screen above it (screen * 0x10000 +
// index): displays of two screens are two sources, which the map still
// finds by their index.
using SourceKey = qint64;
inline constexpr SourceKey kScreenStep = 0x10000;
inline int sourceNumber(SourceKey key)
{
    return int(key % kScreenStep);
}
inline int sourceScreen(SourceKey key)
{
    return int(key / kScreenStep);
}
using SourceStates = QMap<SourceKey, SourceTally>;

// Source n goes to parallel input n (1 to 48) unless the map says otherwise.
class SourceMap {
public:
    // 0 when the source drives no parallel input.
    int input(int source) const;
    void set(int source, int input) { m_inputs[source] = input; }
    // Every source that drives an input: those a broadcast reaches.
    QList<int> sources() const;

private:
    QHash<int, int> m_inputs;
};

// Parallel inputs 1 to 48 on program and on preview (bit n is input n).
struct Lamps {
    unitlink::InputSet program, preview;
    friend bool operator==(const Lamps &, const Lamps &) = default;
};
inline QByteArray tallyFrames(const Lamps &lamps)
{
    return unitlink::tallyFrames(lamps.program, lamps.preview);
}

class TallyState {
public:
    // Sources an input may have: a sender making up screens or addresses
    // cannot grow the state, or the work a change costs, without end.
    static constexpr qsizetype kMaxSources = 4096;
    // What one input says now about some of its sources; new ones past
    // kMaxSources are left out.
    void update(const QString &input, Kind kind, const SourceStates &states);
    // Replaces everything one input says (a complete picture, or nothing).
    void replace(const QString &input, Kind kind, const SourceStates &states);
    // An input that is no longer configured: it lights nothing any more.
    void remove(const QString &input) { m_inputs.remove(input); }
    const SourceStates &states(const QString &input) const;
    Lamps lamps(const SourceMap (&maps)[kKinds]) const;

    struct Input {
        Kind kind;
        SourceStates states;
        friend bool operator==(const Input &, const Input &) = default;
    };
    const QMap<QString, Input> &inputs() const { return m_inputs; }
    friend bool operator==(const TallyState &, const TallyState &) = default;

private:
    QMap<QString, Input> m_inputs;
};

} // namespace bridge
