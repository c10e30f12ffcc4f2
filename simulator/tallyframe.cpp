#include "simulator/tallyframe.h"

namespace simulator {

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

} // namespace simulator
