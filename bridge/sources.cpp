#include "bridge/sources.h"

#include <algorithm>

namespace bridge {

SourceStates tsl31Sources(const Mapping &mapping, const QList<Tsl31Message> &messages)
{
    SourceStates states;
    for (const Tsl31Message &m : messages) {
        const auto any = [&](const QList<int> &bits) {
            return std::any_of(bits.begin(), bits.end(), [&](int b) { return m.tally(b); });
        };
        states.insert(m.address, {any(mapping.tsl31Program), any(mapping.tsl31Preview)});
    }
    return states;
}

SourceStates tsl5Sources(const Mapping &mapping, const Tsl5Packet &packet, const SourceStates &heard)
{
    const bool everyScreen = packet.screen == Tsl5Packet::kEveryScreen;
    if (mapping.tsl5Screen && !everyScreen && packet.screen != *mapping.tsl5Screen) return {};
    QList<int> screens;
    if (mapping.tsl5Screen)
        screens = {*mapping.tsl5Screen};
    else if (!everyScreen)
        screens = {packet.screen};
    else
        for (const SourceKey key : heard.keys())
            if (!screens.contains(sourceScreen(key))) screens << sourceScreen(key);
    if (screens.isEmpty()) screens = {0};
    SourceStates states;
    for (const Tsl5Display &d : packet.displays) {
        const SourceTally t{mapping.tsl5Program.matches(d), mapping.tsl5Preview.matches(d)};
        const QList<int> indexes =
            d.index == Tsl5Display::kBroadcast ? mapping.maps[int(Kind::Tsl5)].sources() : QList<int>{d.index};
        for (const int screen : screens)
            for (const int index : indexes) states.insert(screen * kScreenStep + index, t);
    }
    return states;
}

SourceStates vmixSources(const QList<VmixState> &tally)
{
    SourceStates states;
    for (qsizetype i = 0; i < tally.size(); ++i)
        states.insert(int(i + 1), {tally[i] == VmixState::Program, tally[i] == VmixState::Preview});
    return states;
}

SourceStates atemSources(const AtemTally &tally)
{
    SourceStates states;
    for (qsizetype i = 0; i < tally.size(); ++i) states.insert(int(i + 1), {bool(tally[i] & 1), bool(tally[i] & 2)});
    return states;
}

SourceStates obsSources(const Mapping &mapping, const ObsTally &tally)
{
    SourceStates states;
    for (const QString &name : tally.program)
        if (const int n = obsInput(name, mapping.obsNames)) states[n].program = true;
    for (const QString &name : tally.preview)
        if (const int n = obsInput(name, mapping.obsNames)) states[n].preview = true;
    return states;
}

SourceStates switcherSources(const Mapping &mapping, const QMap<int, switcherlink::LampStates> &frames)
{
    SourceStates states;
    for (int s = 0; s < switcherlink::kLampCount; ++s) {
        SourceTally t;
        for (auto it = frames.cbegin(); it != frames.cend(); ++it) {
            if (!it.value()[size_t(s)]) continue;
            t.program |= mapping.programIds.contains(it.key());
            t.preview |= mapping.previewIds.contains(it.key());
        }
        states.insert(s + 1, t);
    }
    return states;
}

} // namespace bridge
