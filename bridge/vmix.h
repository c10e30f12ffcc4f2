// vMix's TCP tally: after "SUBSCRIBE TALLY" it sends "TALLY OK " and one
// digit per input, in order (0 off, 1 program, 2 preview), on a CR LF line
// at every change. Other lines (the subscription's own answer) are not tally.
#pragma once

#include "bridge/malformed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace bridge {

enum class VmixState { Off, Program, Preview };

inline const QByteArray kVmixSubscribe = QByteArrayLiteral("SUBSCRIBE TALLY\r\n");
// Asks for the tally now: answered with a "TALLY OK" line, so a live
// connection is never silent for long.
inline const QByteArray kVmixAsk = QByteArrayLiteral("TALLY\r\n");
inline constexpr quint16 kVmixPort = 8099;

class VmixReader {
public:
    // No tally line is this long; past it the line is dropped, unread.
    static constexpr qsizetype kLineLimit = 1024;

    // The tally of each "TALLY OK" line the bytes complete; input n is entry n - 1.
    QList<QList<VmixState>> feed(QByteArrayView bytes);
    // Tally lines that could not be read, and overlong lines, since the start.
    const MalformedCount &malformed() const { return m_malformed; }
    MalformedCount &malformed() { return m_malformed; }
    qsizetype pending() const { return m_line.size(); }

private:
    QByteArray m_line;
    bool m_overlong = false;
    MalformedCount m_malformed;
};

} // namespace bridge
