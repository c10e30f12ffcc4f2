#include "demo/demosequence.h"

#include "link/protocol.h"

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
    return unitlink::inputCode(input + 1);
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
    const unitlink::Reply parsed = unitlink::Reply::parse(reply);
    if (parsed.kind() != unitlink::Reply::Kind::Address) return std::nullopt;
    return parsed.address();
}

} // namespace demo
