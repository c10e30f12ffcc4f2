// The unit's 32 x 8 dot image and its hex image text: for each column from
// the left two upper-case hex digits and a space, bit 0 the bottom dot. The
// text is what a unit's image frames, .LED files and the console's text box
// all carry.
#pragma once

#include <QString>
#include <QStringView>
#include <array>

namespace unitlink {

inline constexpr int kColumns = 32;
inline constexpr int kRows = 8;
using DotGrid = std::array<std::array<bool, kRows>, kColumns>; // [column][row], row 0 at the bottom

// Always 96 characters.
QString dotsToHex(const DotGrid &dots);

// Reads column c from the two characters at 3c and 3c+1 (missing ones are
// simply absent); text from position 95 on is never looked at.
DotGrid hexToDots(QStringView text);

} // namespace unitlink
