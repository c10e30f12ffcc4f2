// The tally frame a vision switcher writes on its tally line: a start
// byte, the count of bytes that follow, the ID and the 64 sources packed
// seven to a byte. Seven bits per byte keep 0xFF out of everything after
// the start byte, so a receiver can find the start of a frame anywhere.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <optional>

namespace switcherlink {

inline constexpr int kLampCount = 64;
inline constexpr int kFrameSize = 13;
inline constexpr quint8 kFrameStart = 0xFF;
inline constexpr quint8 kBytesThatFollow = kFrameSize - 2; // 0x0B

// Source states by lamp index (lamp number - 1): true is lit.
using LampStates = std::array<bool, kLampCount>;
using TallyBytes = std::array<quint8, kFrameSize>;

// The whole frame for the lamp states and an ID of 0 to 7.
TallyBytes packTally(const LampStates &lamps, int id);

// A received frame read back: the ID and the lamp states, or none when the
// bytes are not a frame packTally could have written (a wrong start or
// count byte, an ID above 7, bit 7 set after the start, a last byte other
// than 0 or 1).
struct Tally {
    int id = 0;
    LampStates lamps{};
};
std::optional<Tally> unpackTally(const TallyBytes &frame);

// Takes the next piece off the front of received bytes: a whole frame, or
// bytes that are none (before a start byte, or a frame cut short by the
// next start). Nothing while the front piece is still incomplete.
struct TallyPiece {
    QByteArray bytes;
    std::optional<Tally> tally; // none: not a frame
};
std::optional<TallyPiece> takeTally(QByteArray &pending);

} // namespace switcherlink
