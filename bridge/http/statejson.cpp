#include "bridge/http/statejson.h"

#include "bridge/http/testrequest.h"
#include "bridge/inputs.h"
#include "link/framemeaning.h"

namespace bridge {

namespace {

QString linkName(Link link)
{
    switch (link) {
    case Link::Listening: return QStringLiteral("listening");
    case Link::Connected: return QStringLiteral("connected");
    case Link::Lost: return QStringLiteral("lost");
    case Link::Retrying: return QStringLiteral("retrying");
    }
    return {};
}

// The frames of a pair, STX to ETX each: what lies between.
QList<QByteArrayView> bodies(QByteArrayView pair)
{
    QList<QByteArrayView> out;
    for (qsizetype at = 0; (at = pair.indexOf(unitlink::STX, at)) >= 0;) {
        const qsizetype end = pair.indexOf(unitlink::ETX, at);
        if (end < 0) break;
        out << pair.sliced(at + 1, end - at - 1);
        at = end + 1;
    }
    return out;
}

struct Tallies {
    QString command;
    std::optional<Bus> bus;
    QJsonArray inputs;
};

Tallies tallies(QByteArrayView body)
{
    const unitlink::FrameMeaning m = unitlink::frameMeaning(QString::fromLatin1(body), unitlink::Reading::Commands);
    Tallies t{m.mnemonic, {}, {}};
    if (!m.tallies) return t;
    t.bus = m.tallies->lamp == unitlink::TallyLamp::Program ? Bus::Program : Bus::Preview;
    for (const QChar c : m.tallies->codes) t.inputs << unitlink::codedValue(c);
    return t;
}

} // namespace

QString jsonTime(const QDateTime &utc)
{
    return utc.toString(Qt::ISODateWithMs);
}

QJsonArray lampsJson(const Service &service)
{
    const Config &config = service.config();
    QJsonArray sources[kParallelInputs + 1];
    QString said[kParallelInputs + 1];
    const auto &states = service.state().inputs();
    for (auto in = states.cbegin(); in != states.cend(); ++in) {
        const auto input = service.inputs().find(in.key());
        for (auto it = in->states.cbegin(); it != in->states.cend(); ++it) {
            if (!it->program && !it->preview) continue;
            const int n = config.maps[int(in->kind)].input(sourceNumber(it.key()));
            if (n < 1 || n > kParallelInputs) continue;
            QJsonObject s{{QStringLiteral("input"), in.key()}, {QStringLiteral("source"), sourceNumber(it.key())}};
            if (in->kind == Kind::Tsl5) s.insert(QStringLiteral("screen"), sourceScreen(it.key()));
            const QString text = input != service.inputs().end() ? input->second->text(it.key()) : QString();
            if (!text.isEmpty()) s.insert(QStringLiteral("text"), text);
            if (said[n].isEmpty())
                said[n] = !text.isEmpty()          ? text
                          : in->kind == Kind::Vmix ? QStringLiteral("vMix %1").arg(sourceNumber(it.key()))
                          : in->kind == Kind::Atem ? QStringLiteral("ATEM %1").arg(sourceNumber(it.key()))
                                                   : QString();
            sources[n] << s;
        }
    }
    const Lamps &lamps = service.lamps();
    const std::optional<LampTest> &test = service.test();
    QJsonArray out;
    for (int n = 1; n <= kParallelInputs; ++n)
        out << QJsonObject{{QStringLiteral("input"), n},
                           {QStringLiteral("program"), bool(lamps.program[size_t(n)])},
                           {QStringLiteral("preview"), bool(lamps.preview[size_t(n)])},
                           {QStringLiteral("test"), test && test->input == n},
                           {QStringLiteral("label"), config.names[n].isEmpty() ? said[n] : config.names[n]},
                           {QStringLiteral("sources"), sources[n]}};
    return out;
}

QJsonArray inputsJson(const Service &service)
{
    QJsonArray out;
    for (const InputSpec &spec : service.config().inputs()) {
        const auto it = service.inputs().find(spec.id());
        if (it == service.inputs().end()) continue;
        const Input &input = *it->second;
        const qint64 heard = input.lastHeardMs();
        out << QJsonObject{
            {QStringLiteral("id"), spec.id()},
            {QStringLiteral("kind"), kindName(spec.kind)},
            {QStringLiteral("transport"), spec.transport},
            {QStringLiteral("endpoint"), spec.endpoint},
            {QStringLiteral("state"), linkName(input.transport().link())},
            {QStringLiteral("last_heard_s"), heard < 0 ? QJsonValue() : QJsonValue(double(heard) / 1000)},
            {QStringLiteral("messages"), input.messages()},
            {QStringLiteral("malformed"), input.malformedCount()},
            {QStringLiteral("senders"),
             spec.transport == QLatin1String("tcp") ? QJsonValue(input.transport().senders()) : QJsonValue()},
            {QStringLiteral("reconnects"), input.transport().reconnects()},
        };
    }
    return out;
}

QJsonObject lineJson(const Service &service, const std::optional<WrittenPair> &last)
{
    const LineWriter *line = service.line();
    QJsonValue pair;
    if (last) {
        QJsonObject p{{QStringLiteral("at"), jsonTime(last->at)},
                      {QStringLiteral("program"), QJsonArray()},
                      {QStringLiteral("preview"), QJsonArray()}};
        for (const QByteArrayView body : bodies(last->pair))
            if (const Tallies t = tallies(body); t.bus) p.insert(busName(*t.bus), t.inputs);
        pair = p;
    }
    return {{QStringLiteral("device"), line ? line->device() : service.config().line},
            {QStringLiteral("open"), line && line->isOpen()},
            {QStringLiteral("pairs_written"), line ? line->pairsWritten() : 0},
            {QStringLiteral("losses"), line ? line->losses() : 0},
            {QStringLiteral("last_pair"), pair}};
}

QJsonValue testJson(const Service &service)
{
    const std::optional<LampTest> &test = service.test();
    if (!test) return QJsonValue();
    return QJsonObject{{QStringLiteral("input"), test->input},
                       {QStringLiteral("bus"), busName(test->bus)},
                       {QStringLiteral("left_s"), double(test->ends.remainingTime()) / 1000}};
}

QJsonArray framesJson(const WrittenPair &written, bool again)
{
    QJsonArray out;
    for (const QByteArrayView body : bodies(written.pair)) {
        const Tallies t = tallies(body);
        QJsonObject f{{QStringLiteral("at"), jsonTime(written.at)},
                      {QStringLiteral("frame"), QString::fromLatin1(body)},
                      {QStringLiteral("command"), t.command},
                      {QStringLiteral("again"), again}};
        if (t.bus) {
            f.insert(QStringLiteral("bus"), busName(*t.bus));
            f.insert(QStringLiteral("inputs"), t.inputs);
        }
        out << f;
    }
    return out;
}

} // namespace bridge
