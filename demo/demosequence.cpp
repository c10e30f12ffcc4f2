#include "demo/demosequence.h"

#include "link/frame.h"

#include <cmath>

namespace demo {

TickMode tickMode(bool virtualInputOn, bool clockOn)
{
    if (virtualInputOn) return TickMode::VirtualInputShow;
    if (clockOn) return TickMode::ClockShow;
    return TickMode::Idle;
}

QChar inputLetter(int input)
{
    return unitlink::codedChar(input + 1);
}

QString inputLetters(const Inputs &inputs)
{
    QString letters;
    for (int i = 0; i < kInputCount; ++i) {
        if (inputs[i]) letters += inputLetter(i);
    }
    return letters;
}

QString clockText(QTime time)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2").arg(time.minute(), 2, 10, zero).arg(time.second(), 2, 10, zero);
}

int lampCell(double x)
{
    // Also keeps NaN out of the integer conversion.
    if (!(x >= 0 && x < kInputCount * kCellWidth)) return -1;
    return int(std::floor(x / kCellWidth));
}

std::optional<QString> reportedAddress(QStringView reply)
{
    if (!reply.startsWith(u"si") && !reply.startsWith(u"id")) return std::nullopt;
    return reply.mid(2, 2).toString();
}

} // namespace demo
