#include "bridge/switcher.h"

namespace bridge {

QList<simulator::Tally> SwitcherReader::feed(QByteArrayView bytes)
{
    m_pending.append(bytes);
    QList<simulator::Tally> frames;
    while (std::optional<simulator::TallyPiece> piece = simulator::takeTally(m_pending)) {
        if (piece->tally)
            frames << *piece->tally;
        else
            ++m_malformed;
    }
    return frames;
}

} // namespace bridge
