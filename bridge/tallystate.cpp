#include "bridge/tallystate.h"

namespace bridge {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Switcher: return QStringLiteral("switcher");
    case Kind::Tsl31: return QStringLiteral("tsl31");
    case Kind::Tsl5: return QStringLiteral("tsl5");
    case Kind::Vmix: return QStringLiteral("vmix");
    case Kind::Atem: return QStringLiteral("atem");
    case Kind::Obs: break;
    }
    return QStringLiteral("obs");
}

std::optional<Kind> kindNamed(const QString &name)
{
    for (const Kind k : {Kind::Switcher, Kind::Tsl31, Kind::Tsl5, Kind::Vmix, Kind::Atem, Kind::Obs})
        if (kindName(k) == name) return k;
    return std::nullopt;
}

int SourceMap::input(int source) const
{
    if (const auto it = m_inputs.constFind(source); it != m_inputs.cend()) return *it;
    return source >= 1 && source <= kParallelInputs ? source : 0;
}

QList<int> SourceMap::sources() const
{
    QList<int> sources;
    for (int n = 1; n <= kParallelInputs; ++n)
        if (input(n)) sources << n;
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it)
        if (it.value() && (it.key() < 1 || it.key() > kParallelInputs)) sources << it.key();
    return sources;
}

void TallyState::update(const QString &input, Kind kind, const SourceStates &states)
{
    Input &in = m_inputs[input];
    in.kind = kind;
    for (auto it = states.cbegin(); it != states.cend(); ++it)
        if (in.states.size() < kMaxSources || in.states.contains(it.key())) in.states[it.key()] = it.value();
}

void TallyState::replace(const QString &input, Kind kind, const SourceStates &states)
{
    m_inputs[input] = {kind, states};
}

const SourceStates &TallyState::states(const QString &input) const
{
    static const SourceStates none;
    const auto it = m_inputs.constFind(input);
    return it == m_inputs.cend() ? none : it->states;
}

Lamps TallyState::lamps(const SourceMap (&maps)[kKinds]) const
{
    Lamps lamps;
    for (const Input &in : m_inputs) {
        const SourceMap &map = maps[int(in.kind)];
        for (auto it = in.states.cbegin(); it != in.states.cend(); ++it) {
            const int n = map.input(sourceNumber(it.key()));
            if (n < 1 || n > kParallelInputs) continue;
            if (it->program) lamps.program.set(size_t(n));
            if (it->preview) lamps.preview.set(size_t(n));
        }
    }
    return lamps;
}

} // namespace bridge
