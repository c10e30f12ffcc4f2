// The lamps' sources kept across a restart: what each input said was lit,
// and when that last changed. A text file, a line a lit source:
//   tally-bridge state 1
//   saved 2026-12-07T12:01:33.120Z
//   tsl31 udp<TAB>3<TAB>program
//   vmix<TAB>2<TAB>program preview
#pragma once

#include "bridge/tallystate.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

namespace bridge {

struct SavedState {
    QDateTime saved;
    TallyState state;
};

QByteArray writeState(const TallyState &state, const QDateTime &saved);
// The state, or none with why (a damaged file is never half read).
std::optional<SavedState> readState(const QByteArray &bytes, QString *why);
// "12 s", "4 min", "3 h", "2 d": how old a saved state is.
QString age(qint64 seconds);

} // namespace bridge
