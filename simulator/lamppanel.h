// The 8 x 8 lamp panel in its own units (one unit per cell, (0, 0) at the
// top left): which lamp a click lands on and how the click is read back
// to the operator.
#pragma once

#include <QString>

namespace simulator {

inline constexpr int kPanelCells = 8;

struct Cell {
    int column = 0;
    int row = 0;
    friend bool operator==(Cell, Cell) = default;
};

// The cell under a point in panel units. A press on the far edge (x or y
// exactly 8 on some screens' fractional positions) belongs to the last cell.
Cell cellAt(double x, double y);

// Rows of eight from the top left: the top row holds lamps 1 to 8.
constexpr int lampIndex(Cell c)
{
    return c.row * kPanelCells + c.column;
}

// Column, row and lamp number, each with the blank a non-negative number
// carries in its sign position: " 0,  0 =>  1" for the top-left cell.
QString readout(Cell c);

} // namespace simulator
