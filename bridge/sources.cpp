#include "bridge/sources.h"

#include <algorithm>

namespace bridge {

SourceStates tsl31Sources(const Config &config, const QList<Tsl31Message> &messages)
{
    SourceStates states;
    for (const Tsl31Message &m : messages) {
        const auto any = [&](const QList<int> &bits) {
            return std::any_of(bits.begin(), bits.end(), [&](int b) { return m.tally(b); });
        };
        states.insert(m.address, {any(config.tsl31Program), any(config.tsl31Preview)});
    }
    return states;
}

SourceStates tsl5Sources(const Config &config, const Tsl5Packet &packet)
{
    SourceStates states;
    for (const Tsl5Display &d : packet.displays) {
        const SourceTally t{config.tsl5Program.matches(d), config.tsl5Preview.matches(d)};
        if (d.index == Tsl5Display::kBroadcast)
            for (const int s : config.maps[int(Kind::Tsl5)].sources()) states.insert(s, t);
        else
            states.insert(d.index, t);
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

SourceStates switcherSources(const Config &config, const QMap<int, simulator::LampStates> &frames)
{
    SourceStates states;
    for (int s = 0; s < simulator::kLampCount; ++s) {
        SourceTally t;
        for (auto it = frames.cbegin(); it != frames.cend(); ++it) {
            if (!it.value()[size_t(s)]) continue;
            t.program |= config.programIds.contains(it.key());
            t.preview |= config.previewIds.contains(it.key());
        }
        states.insert(s + 1, t);
    }
    return states;
}

} // namespace bridge
