// Drawing on the unit's 32 x 8 dot image: which cell a point of the canvas
// falls in, the cells a stroke passes, and the bit-order listing.
#pragma once

#include "link/heximage.h"

#include <QList>
#include <QPointF>
#include <QString>

namespace console {

using unitlink::DotGrid;
using unitlink::kColumns;
using unitlink::kRows;

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
