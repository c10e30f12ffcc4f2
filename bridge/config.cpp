#include "bridge/config.h"

#include <QFile>
#include <QRegularExpression>

namespace bridge {

namespace {

std::optional<int> number(QStringView text, int low, int high)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high) return std::nullopt;
    return n;
}

// "0-7", "1, 3", "" (none).
std::optional<QList<int>> numbers(const QString &text, int low, int high)
{
    QList<int> out;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList range = part.split(QLatin1Char('-'));
        const std::optional<int> from = number(range[0], low, high);
        const std::optional<int> to = range.size() == 2 ? number(range[1], low, high) : from;
        if (!from || !to || range.size() > 2 || *from > *to) return std::nullopt;
        for (int n = *from; n <= *to; ++n) out << n;
    }
    return out;
}

std::optional<Tsl5Rule> tsl5Rule(const QString &text)
{
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char(':'));
    if (parts.size() != 2) return std::nullopt;
    const QStringList lamps{QStringLiteral("rh"), QStringLiteral("text"), QStringLiteral("lh")};
    const QStringList colours{QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("amber")};
    const qsizetype lamp = lamps.indexOf(parts[0]), colour = colours.indexOf(parts[1]);
    if (lamp < 0 || colour < 0) return std::nullopt;
    return Tsl5Rule{Tsl5Lamp(lamp), Tsl5Colour(colour + 1)};
}

// A key's value read into the config, or why it cannot be.
QString apply(Config &c, const QString &section, const QString &key, const QString &value)
{
    const auto set = [&](auto &field, const auto &read, const QString &want) -> QString {
        if (auto v = read(value)) {
            field = *v;
            return {};
        }
        return want;
    };
    const auto endpoint = [](const QString &v) { return readEndpoint(v); };
    const auto device = [](const QString &v) { return v.isEmpty() ? std::nullopt : std::optional(v); };
    const auto bits = [](const QString &v) { return numbers(v, 1, 4); };
    const auto ids = [](const QString &v) { return numbers(v, 0, 7); };
    const QString wantEndpoint = QStringLiteral("wants [ADDR:]PORT");
    const QString wantStale = QStringLiteral("wants 0 to %1").arg(kMaxStaleS);
    const std::optional<Kind> kind = kindNamed(section);
    if (key == QLatin1String("stale_s") && kind)
        return set(
            c.staleOf[int(*kind)], [](const QString &v) { return number(v, 0, kMaxStaleS); }, wantStale);
    if (key == QLatin1String("map")) {
        if (!kind) return QStringLiteral("unknown key");
        const int k = int(*kind);
        if (*kind == Kind::Obs) return readNameMap(value, c.obsNames);
        QList<int> mapped;
        for (const QString &pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QStringList st = pair.split(QLatin1Char(':'));
            const std::optional<int> source = st.size() == 2 ? number(st[0], 0, 65535) : std::nullopt;
            const std::optional<int> input = st.size() == 2 ? number(st[1], 1, kParallelInputs) : std::nullopt;
            if (!source || !input)
                return QStringLiteral("\"%1\" is not source:input with an input of 1 to %2")
                    .arg(pair.trimmed())
                    .arg(kParallelInputs);
            if (mapped.contains(*source)) return QStringLiteral("source %1 is mapped twice").arg(*source);
            mapped << *source;
            c.maps[k].set(*source, *input);
        }
        return {};
    }
    if (section == QLatin1String("names")) {
        const std::optional<int> input = number(key, 1, kParallelInputs);
        if (!input) return QStringLiteral("wants an input 1 to %1").arg(kParallelInputs);
        c.names[*input] = value.left(kMaxNameLength);
        return {};
    }
    const QString where = section + QLatin1Char('/') + key;
    if (where == QLatin1String("http/listen")) return set(c.http, endpoint, wantEndpoint);
    if (where == QLatin1String("http/control"))
        return set(
            c.httpControl,
            [](const QString &v) -> std::optional<bool> {
                if (v == QLatin1String("yes")) return true;
                if (v == QLatin1String("no")) return false;
                return std::nullopt;
            },
            QStringLiteral("wants yes or no"));
    if (where == QLatin1String("http/token_file")) return set(c.httpTokenFile, device, QStringLiteral("wants a file"));
    if (where == QLatin1String("line/device")) return set(c.line, device, QStringLiteral("wants a device"));
    if (where == QLatin1String("line/refresh_ms"))
        return set(
            c.refreshMs, [](const QString &v) { return number(v, 0, kMaxRefreshMs); },
            QStringLiteral("wants 0 to %1").arg(kMaxRefreshMs));
    if (where == QLatin1String("line/state")) return set(c.statePath, device, QStringLiteral("wants a file"));
    if (where == QLatin1String("line/stale_s"))
        return set(
            c.staleS, [](const QString &v) { return number(v, 0, kMaxStaleS); }, wantStale);
    if (where == QLatin1String("switcher/device")) return set(c.switcher, device, QStringLiteral("wants a device"));
    if (where == QLatin1String("switcher/program_ids"))
        return set(c.programIds, ids, QStringLiteral("wants IDs 0 to 7"));
    if (where == QLatin1String("switcher/preview_ids"))
        return set(c.previewIds, ids, QStringLiteral("wants IDs 0 to 7"));
    if (where == QLatin1String("tsl31/udp")) return set(c.tsl31Udp, endpoint, wantEndpoint);
    if (where == QLatin1String("tsl31/tcp")) return set(c.tsl31Tcp, endpoint, wantEndpoint);
    if (where == QLatin1String("tsl31/program"))
        return set(c.tsl31Program, bits, QStringLiteral("wants tally bits 1 to 4"));
    if (where == QLatin1String("tsl31/preview"))
        return set(c.tsl31Preview, bits, QStringLiteral("wants tally bits 1 to 4"));
    if (where == QLatin1String("tsl5/udp")) return set(c.tsl5Udp, endpoint, wantEndpoint);
    if (where == QLatin1String("tsl5/tcp")) return set(c.tsl5Tcp, endpoint, wantEndpoint);
    if (where == QLatin1String("tsl5/program"))
        return set(c.tsl5Program, tsl5Rule, QStringLiteral("wants text|lh|rh:red|green|amber"));
    if (where == QLatin1String("tsl5/preview"))
        return set(c.tsl5Preview, tsl5Rule, QStringLiteral("wants text|lh|rh:red|green|amber"));
    if (where == QLatin1String("tsl5/screen"))
        return set(
            c.tsl5Screen, [](const QString &v) { return number(v, 0, 0xFFFE); }, QStringLiteral("wants 0 to 65534"));
    if (where == QLatin1String("vmix/host"))
        return set(
            c.vmix, [](const QString &v) { return readRemote(v, kVmixPort); }, QStringLiteral("wants HOST[:PORT]"));
    if (where == QLatin1String("atem/host"))
        return set(
            c.atem, [](const QString &v) { return readRemote(v, kAtemPort); }, QStringLiteral("wants HOST[:PORT]"));
    if (where == QLatin1String("obs/host"))
        return set(
            c.obs, [](const QString &v) { return readRemote(v, kObsPort); }, QStringLiteral("wants HOST[:PORT]"));
    if (where == QLatin1String("obs/password_file"))
        return set(c.obsPasswordFile, device, QStringLiteral("wants a file"));
    return QStringLiteral("unknown key");
}

} // namespace

QString Endpoint::text() const
{
    return (address.protocol() == QAbstractSocket::IPv6Protocol
                ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                : address.toString()) +
           QLatin1Char(':') + QString::number(port);
}

std::optional<Endpoint> readEndpoint(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const std::optional<int> port = number(QStringView(text).sliced(colon + 1), 1, 65535);
    if (!port) return std::nullopt;
    Endpoint e;
    e.port = quint16(*port);
    if (colon >= 0) {
        QString host = text.left(colon).trimmed();
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) host = host.mid(1, host.size() - 2);
        if (!e.address.setAddress(host)) return std::nullopt;
    }
    return e;
}

std::optional<Remote> readRemote(const QString &text, quint16 defaultPort)
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z0-9.\\-]+|\\[[0-9A-Fa-f:.]+\\])(?::(\\d+))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    Remote r{m.captured(1), defaultPort};
    if (r.host.startsWith(QLatin1Char('['))) r.host = r.host.mid(1, r.host.size() - 2);
    if (m.hasCaptured(2)) {
        const std::optional<int> port = number(m.captured(2), 1, 65535);
        if (!port) return std::nullopt;
        r.port = quint16(*port);
    }
    return r;
}

QString readNameMap(const QString &text, QHash<QString, int> &map)
{
    QHash<QString, int> read;
    for (qsizetype at = 0; at < text.size();) {
        // NAME or "NAME", a colon, the input, then a comma or the end.
        const qsizetype start = at;
        QString name;
        qsizetype colon = -1;
        while (at < text.size() && text[at].isSpace()) ++at;
        if (at < text.size() && text[at] == QLatin1Char('"')) {
            const qsizetype close = text.indexOf(QLatin1Char('"'), at + 1);
            if (close < 0) return QStringLiteral("a quote is not closed");
            name = text.mid(at + 1, close - at - 1);
            for (at = close + 1; at < text.size() && text[at].isSpace();) ++at;
            if (at < text.size() && text[at] == QLatin1Char(':')) colon = at;
        } else {
            colon = text.indexOf(QLatin1Char(':'), at);
            name = text.mid(at, colon - at).trimmed();
        }
        qsizetype comma = text.indexOf(QLatin1Char(','), at);
        if (comma < 0) comma = text.size();
        const std::optional<int> input =
            colon >= 0 && colon < comma
                ? number(QStringView(text).sliced(colon + 1, comma - colon - 1), 1, kParallelInputs)
                : std::nullopt;
        if (name.isEmpty() || !input)
            return QStringLiteral("\"%1\" is not name:input with an input of 1 to %2")
                .arg(text.mid(start, comma - start).trimmed())
                .arg(kParallelInputs);
        if (read.contains(name)) return QStringLiteral("\"%1\" is mapped twice").arg(name);
        read.insert(name, *input);
        at = comma + 1;
    }
    map = read;
    return {};
}

QString readConfigFile(const QString &path, Config &config)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return path + QStringLiteral(": ") + file.errorString();
    Config read = config;
    QString section;
    QHash<QString, int> seen; // "[section]" and "section/key": the line that gave it
    static const QRegularExpression comment(QStringLiteral("\\s[;#].*$"));
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).remove(comment).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        const QString at = QStringLiteral("%1:%2: ").arg(path).arg(lineNumber);
        const auto once = [&](const QString &what) {
            const int first = std::exchange(seen[what], lineNumber);
            return first ? QStringLiteral("given twice (lines %1 and %2)").arg(first).arg(lineNumber) : QString();
        };
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            if (section != QLatin1String("line") && section != QLatin1String("http") &&
                section != QLatin1String("names") && !kindNamed(section))
                return at + QStringLiteral("unknown section [%1]").arg(section);
            if (const QString twice = once(QLatin1Char('[') + section); !twice.isEmpty())
                return at + QStringLiteral("[%1] %2").arg(section, twice);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || section.isEmpty()) return at + QStringLiteral("not a key = value line in a [section]");
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        QString error = once(section + QLatin1Char('/') + key);
        if (error.isEmpty())
            error = value.isEmpty() ? QStringLiteral("wants a value") : apply(read, section, key, value);
        if (!error.isEmpty()) return at + QStringLiteral("[%1] %2: %3").arg(section, key, error);
    }
    config = read;
    return {};
}

QList<InputSpec> Endpoints::inputs() const
{
    QList<InputSpec> specs;
    if (switcher) specs.append({Kind::Switcher, {}, *switcher});
    for (const auto &[at, kind, transport] :
         {std::tuple(tsl31Udp, Kind::Tsl31, "udp"), std::tuple(tsl31Tcp, Kind::Tsl31, "tcp"),
          std::tuple(tsl5Udp, Kind::Tsl5, "udp"), std::tuple(tsl5Tcp, Kind::Tsl5, "tcp")})
        if (at) specs.append({kind, QString::fromLatin1(transport), at->text()});
    if (vmix) specs.append({Kind::Vmix, {}, vmix->text()});
    if (atem) specs.append({Kind::Atem, {}, atem->text()});
    if (obs) specs.append({Kind::Obs, {}, obs->text()});
    return specs;
}

} // namespace bridge
