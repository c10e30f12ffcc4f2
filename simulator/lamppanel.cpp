#include "simulator/lamppanel.h"

#include <QtGlobal>
#include <cmath>

namespace simulator {

Cell cellAt(double x, double y)
{
    const auto cell = [](double v) { return qBound(0, int(std::floor(v)), kPanelCells - 1); };
    return {cell(x), cell(y)};
}

QString readout(Cell c)
{
    const auto signPlace = [](int n) { return QLatin1Char(' ') + QString::number(n); };
    return signPlace(c.column) + QStringLiteral(", ") + signPlace(c.row) + QStringLiteral(" => ") +
           signPlace(lampIndex(c) + 1);
}

} // namespace simulator
