#include "link/heximage.h"

#include "link/frame.h"

#include <QtGlobal>

namespace unitlink {

QString dotsToHex(const DotGrid &dots)
{
    QString text;
    text.reserve(kColumns * 3);
    for (int c = 0; c < kColumns; ++c) {
        unsigned b = 0;
        for (int r = 0; r < kRows; ++r)
            if (dots[c][r]) b |= 1u << r;
        text += unitlink::hex2(b);
        text += QLatin1Char(' ');
    }
    return text;
}

DotGrid hexToDots(QStringView text)
{
    DotGrid dots{};
    text = text.first(qMin<qsizetype>(text.size(), 95));
    for (int c = 0; c < kColumns; ++c) {
        const int v = unitlink::hexTextPairValue(text.mid(3 * c, 2));
        for (int r = 0; r < kRows; ++r) dots[c][r] = (v >> r) & 1;
    }
    return dots;
}

} // namespace unitlink
