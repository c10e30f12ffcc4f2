#include "bridge/http/testrequest.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace bridge {

namespace {

// A JSON number that is a whole number within [low, high].
std::optional<int> whole(const QJsonValue &v, int low, int high)
{
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (!(d >= low && d <= high) || std::floor(d) != d) return std::nullopt;
    return int(d);
}

} // namespace

QString busName(Bus bus)
{
    switch (bus) {
    case Bus::Program: return QStringLiteral("program");
    case Bus::Preview: return QStringLiteral("preview");
    case Bus::Both: return QStringLiteral("both");
    }
    return {};
}

std::variant<TestRequest, QString> readTestRequest(QByteArrayView body)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("not JSON: %1 at %2").arg(error.errorString()).arg(error.offset);
    if (!doc.isObject())
        return QStringLiteral("wants an object: {\"input\": 1, \"bus\": \"program\", \"seconds\": 10}");
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it)
        if (it.key() != QLatin1String("input") && it.key() != QLatin1String("bus") &&
            it.key() != QLatin1String("seconds"))
            return QStringLiteral("unknown member \"%1\"").arg(it.key().left(40));
    TestRequest r;
    const std::optional<int> input = whole(o.value(QLatin1String("input")), 1, kParallelInputs);
    if (!input) return QStringLiteral("input wants a whole number 1 to %1").arg(kParallelInputs);
    r.input = *input;
    const QString bus = o.value(QLatin1String("bus")).toString();
    if (bus == busName(Bus::Program))
        r.bus = Bus::Program;
    else if (bus == busName(Bus::Preview))
        r.bus = Bus::Preview;
    else if (bus == busName(Bus::Both))
        r.bus = Bus::Both;
    else
        return QStringLiteral("bus wants \"program\", \"preview\" or \"both\"");
    const std::optional<int> seconds = whole(o.value(QLatin1String("seconds")), 1, kMaxTestS);
    if (!seconds) return QStringLiteral("seconds wants a whole number 1 to %1").arg(kMaxTestS);
    r.seconds = *seconds;
    return r;
}

} // namespace bridge
