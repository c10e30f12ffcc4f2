// The vision switcher's serial tally line as a stream of frames: each
// frame an ID 0 to 7 and 64 sources, lit or dark. Frames are cut and read
// as velk writes them; anything else on the line is malformed.
#pragma once

#include "link/switcherframe.h"

#include <QByteArrayView>
#include <QList>

namespace bridge {

class SwitcherReader {
public:
    // The frames the bytes complete.
    QList<switcherlink::Tally> feed(QByteArrayView bytes);
    qint64 malformed() const { return m_malformed; }
    qsizetype pending() const { return m_pending.size(); }

private:
    QByteArray m_pending;
    qint64 m_malformed = 0;
};

} // namespace bridge
