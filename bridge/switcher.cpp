#include "bridge/switcher.h"

namespace bridge {

QList<switcherlink::Tally> SwitcherReader::feed(QByteArrayView bytes)
{
    m_pending.append(bytes);
    QList<switcherlink::Tally> frames;
    while (std::optional<switcherlink::TallyPiece> piece = switcherlink::takeTally(m_pending)) {
        if (piece->tally)
            frames << *piece->tally;
        else
            ++m_malformed;
    }
    // Noise with no start byte after it would wait here for one for ever.
    if (!m_pending.isEmpty() && quint8(m_pending.front()) != switcherlink::kFrameStart) {
        ++m_malformed;
        m_pending.clear();
    }
    return frames;
}

} // namespace bridge
