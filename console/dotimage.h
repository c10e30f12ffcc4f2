// The unit's 32 x 8 dot image and its hex image text: for each column from
// the left two upper-case hex digits and a space, bit 0 the bottom dot.
#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringView>
#include <array>

namespace console {

inline constexpr int kColumns = 32;
inline constexpr int kRows = 8;
using DotGrid = std::array<std::array<bool, kRows>, kColumns>; // [column][row], row 0 at the bottom

// Always 96 characters.
QString dotsToHex(const DotGrid &dots);

// Reads column c from the two characters at 3c and 3c+1 (missing ones are
// simply absent); text from position 95 on is never looked at.
DotGrid hexToDots(QStringView text);

// Cell of a canvas point: x 0..6399 left to right, y 0..1599 bottom to top,
// 200 units a cell. Points on or past the edge fall into the edge cells.
struct Cell {
    int column;
    int row;
};
Cell cellAt(double x, double y);

// The cells a straight stroke between two canvas points passes, in order,
// one step (sideways, up or down, or diagonal) apart: the cell of the end
// point last, the cell of the start left out. A mouse reports a fast stroke
// as points several cells apart; the cells between them are taken too.
// Points off the canvas are not clamped: what lies outside it is left out,
// so a stroke that runs off one edge paints nothing along that edge.
QList<Cell> strokeCells(QPointF from, QPointF to);

// The bit-reordering table as assembler DB lines, CR LF after each.
QString dataListing();

} // namespace console
