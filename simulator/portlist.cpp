#include "simulator/portlist.h"

#include <algorithm>

namespace simulator {

PortChoice portChoice(const QString &entry)
{
    const QString digits = entry.mid(3, 2);
    const bool allDigits =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (allDigits) return {PortChoice::OpenPort, digits.toInt()};
    if (entry.left(6) == kSearchEntry) return {PortChoice::Search, 0};
    return {};
}

} // namespace simulator
