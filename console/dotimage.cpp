#include "console/dotimage.h"

#include "link/frame.h"

#include <QtGlobal>
#include <cmath>

namespace console {

Cell cellAt(double x, double y)
{
    const int c = int(std::floor(x / 200.0));
    const int r = int(std::floor(y / 200.0));
    return {qBound(0, c, kColumns - 1), qBound(0, r, kRows - 1)};
}

QList<Cell> strokeCells(QPointF from, QPointF to)
{
    // Bresenham's line over cells rather than pixels.
    int c = int(std::floor(from.x() / 200.0)), r = int(std::floor(from.y() / 200.0));
    const int toC = int(std::floor(to.x() / 200.0)), toR = int(std::floor(to.y() / 200.0));
    const int dc = std::abs(toC - c), dr = -std::abs(toR - r);
    const int stepC = c < toC ? 1 : -1, stepR = r < toR ? 1 : -1;
    QList<Cell> cells;
    for (int err = dc + dr; c != toC || r != toR;) {
        const int e2 = 2 * err;
        if (e2 >= dr) {
            err += dr;
            c += stepC;
        }
        if (e2 <= dc) {
            err += dc;
            r += stepR;
        }
        if (c >= 0 && c < kColumns && r >= 0 && r < kRows) cells.append({c, r});
    }
    return cells;
}

QString dataListing()
{
    // Where each bit of the index lands in the entry.
    static constexpr int kWeights[8] = {1, 4, 32, 2, 8, 64, 16, 128};
    QString text;
    text.reserve(32 * 55);
    for (int line = 0; line < 32; ++line) {
        text += QStringLiteral("DB ");
        for (int k = 0; k < 8; ++k) {
            const int n = 8 * line + k;
            int entry = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (n & (1 << bit)) entry += kWeights[bit];
            text += QLatin1Char('0') + unitlink::hex2(unsigned(entry));
            text += k < 7 ? QStringLiteral("H, ") : QStringLiteral("H ;%1\r\n").arg(line, 2, 10, QLatin1Char('0'));
        }
    }
    return text;
}

} // namespace console
