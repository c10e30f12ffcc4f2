#include "link/switcherframe.h"

#include <algorithm>

namespace switcherlink {

TallyBytes packTally(const LampStates &lamps, int id)
{
    TallyBytes frame{};
    frame[0] = kFrameStart;
    frame[1] = kBytesThatFollow;
    frame[2] = quint8(id & 0x07);
    // Lamps 1..63 go seven to a byte in lamp order, not eight to a panel
    // row: lamp 8 is bit 0 of the second byte.
    for (int k = 0; k < 9; ++k) {
        quint8 packed = 0;
        for (int j = 0; j < 7; ++j) {
            if (lamps[std::size_t(7 * k + j)]) packed |= quint8(1u << j);
        }
        frame[std::size_t(3 + k)] = packed;
    }
    frame[12] = lamps[63] ? 0x01 : 0x00;
    return frame;
}

std::optional<Tally> unpackTally(const TallyBytes &frame)
{
    if (frame[0] != kFrameStart || frame[1] != kBytesThatFollow || frame[2] > 0x07 || frame[12] > 0x01)
        return std::nullopt;
    Tally tally;
    tally.id = frame[2];
    for (int k = 0; k < 9; ++k) {
        const quint8 packed = frame[std::size_t(3 + k)];
        if (packed & 0x80) return std::nullopt;
        for (int j = 0; j < 7; ++j) tally.lamps[std::size_t(7 * k + j)] = packed & (1u << j);
    }
    tally.lamps[63] = frame[12] == 0x01;
    return tally;
}

std::optional<TallyPiece> takeTally(QByteArray &pending)
{
    // Only the start byte has bit 7 set with 0xFF.
    const char start = char(kFrameStart);
    const qsizetype next = pending.indexOf(start, 1);
    if (pending.isEmpty() || (pending.front() != start && next < 0)) return std::nullopt;
    if (pending.front() != start || (next > 0 && next < kFrameSize)) {
        TallyPiece piece{pending.first(next), std::nullopt};
        pending.remove(0, next);
        return piece;
    }
    if (pending.size() < kFrameSize) return std::nullopt;
    TallyBytes bytes;
    std::copy_n(pending.constData(), kFrameSize, reinterpret_cast<char *>(bytes.data()));
    TallyPiece piece{pending.first(kFrameSize), unpackTally(bytes)};
    pending.remove(0, kFrameSize);
    return piece;
}

} // namespace switcherlink
