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
    // Noise with no start byte after it would wait here for one for ever.
    if (!m_pending.isEmpty() && quint8(m_pending.front()) != simulator::kFrameStart) {
        ++m_malformed;
        m_pending.clear();
    }
    return frames;
}

} // namespace bridge
