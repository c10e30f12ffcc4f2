// The vision switcher's serial tally line as a stream of frames: each
// frame an ID 0 to 7 and 64 sources, lit or dark. Frames are cut and read
// as velk writes them; anything else on the line is malformed.
#pragma once

#include "bridge/malformed.h"
#include "link/switcherframe.h"

#include <QByteArrayView>
#include <QList>

namespace bridge {

class SwitcherReader {
public:
    // The frames the bytes complete.
    QList<switcherlink::Tally> feed(QByteArrayView bytes);
    // Frames that could not be read, and runs of noise, since the start.
    const MalformedCount &malformed() const { return m_malformed; }
    MalformedCount &malformed() { return m_malformed; }
    qsizetype pending() const { return m_pending.size(); }

private:
    QByteArray m_pending;
    MalformedCount m_malformed;
};

} // namespace bridge
