#include "bridge/statefile.h"

namespace bridge {

namespace {
const QByteArray kHeader = QByteArrayLiteral("tally-bridge state 1");
const QByteArray kSaved = QByteArrayLiteral("saved ");
} // namespace

QByteArray writeState(const TallyState &state, const QDateTime &saved)
{
    QByteArray out = kHeader + '\n' + kSaved + saved.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n';
    for (auto in = state.inputs().cbegin(); in != state.inputs().cend(); ++in)
        for (auto it = in->states.cbegin(); it != in->states.cend(); ++it) {
            if (!it->program && !it->preview) continue;
            QByteArrayList lamps;
            if (it->program) lamps << "program";
            if (it->preview) lamps << "preview";
            out += in.key().toUtf8() + '\t' + QByteArray::number(it.key()) + '\t' + lamps.join(' ') + '\n';
        }
    return out;
}

std::optional<SavedState> readState(const QByteArray &bytes, QString *why)
{
    const QByteArrayList lines = bytes.split('\n');
    SavedState read;
    if (lines.size() >= 2 && lines[1].startsWith(kSaved))
        read.saved = QDateTime::fromString(QString::fromLatin1(lines[1].mid(kSaved.size())), Qt::ISODateWithMs);
    if (lines[0] != kHeader || !read.saved.isValid()) {
        *why = QStringLiteral("not a tally-bridge state");
        return std::nullopt;
    }
    for (qsizetype n = 2; n < lines.size(); ++n) {
        if (lines[n].isEmpty()) continue;
        const QByteArrayList f = lines[n].split('\t');
        const QString input = QString::fromUtf8(f[0]);
        const std::optional<Kind> kind = kindNamed(input.section(QLatin1Char(' '), 0, 0));
        bool ok = false;
        const SourceKey key = f.value(1).toLongLong(&ok);
        const QByteArrayList lamps = f.value(2).split(' ');
        const SourceTally t{lamps.contains("program"), lamps.contains("preview")};
        if (f.size() != 3 || !kind || !ok || key < 0 || lamps.size() != int(t.program) + int(t.preview)) {
            *why = QStringLiteral("line %1 is damaged").arg(n + 1);
            return std::nullopt;
        }
        read.state.update(input, *kind, {{key, t}});
    }
    return read;
}

QString age(qint64 seconds)
{
    if (seconds < 60) return QStringLiteral("%1 s").arg(std::max<qint64>(0, seconds));
    if (seconds < 3600) return QStringLiteral("%1 min").arg(seconds / 60);
    if (seconds < 86400) return QStringLiteral("%1 h").arg(seconds / 3600);
    return QStringLiteral("%1 d").arg(seconds / 86400);
}

} // namespace bridge
