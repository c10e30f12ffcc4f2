// The tally frame a vision switcher writes on its tally line: a start
// byte, the count of bytes that follow, the ID and the 64 sources packed
// seven to a byte. Seven bits per byte keep 0xFF out of everything after
// the start byte, so a receiver can find the start of a frame anywhere.
#pragma once

#include <QtGlobal>
#include <array>

namespace simulator {

inline constexpr int kLampCount = 64;
inline constexpr int kFrameSize = 13;
inline constexpr quint8 kFrameStart = 0xFF;
inline constexpr quint8 kBytesThatFollow = kFrameSize - 2; // 0x0B

// Source states by lamp index (lamp number - 1): true is lit.
using LampStates = std::array<bool, kLampCount>;
using TallyBytes = std::array<quint8, kFrameSize>;

// The whole frame for the lamp states and an ID of 0 to 7.
TallyBytes packTally(const LampStates &lamps, int id);

} // namespace simulator
