#include "bridge/obs.h"

#include "bridge/tallystate.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace bridge {

namespace {

enum Op { kHello = 0, kIdentify = 1, kIdentified = 2, kEvent = 5, kRequest = 6, kResponse = 7 };

QByteArray message(int op, const QJsonObject &d)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("op"), op}, {QStringLiteral("d"), d}})
        .toJson(QJsonDocument::Compact);
}

QByteArray sha256Base64(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toBase64();
}

const QString kProgramScene = QStringLiteral("GetCurrentProgramScene");
const QString kPreviewScene = QStringLiteral("GetCurrentPreviewScene");
const QString kSceneItems = QStringLiteral("GetSceneItemList");
// A group's items: GetSceneItemList on a group is refused.
const QString kGroupItems = QStringLiteral("GetGroupSceneItemList");

} // namespace

QString obsAuthentication(const QString &password, const QString &salt, const QString &challenge)
{
    return QString::fromLatin1(sha256Base64(QString::fromLatin1(sha256Base64(password + salt)) + challenge));
}

int obsInput(const QString &name, const QHash<QString, int> &map)
{
    if (const auto it = map.constFind(name); it != map.cend()) return *it;
    static const QRegularExpression trailing(QStringLiteral("(\\d+)\\s*$"));
    const QRegularExpressionMatch m = trailing.match(name);
    if (!m.hasMatch()) return 0;
    // Digits past an int are far past 48 too.
    const QStringView digits = m.capturedView(1);
    const int n = digits.size() > 4 ? 0 : digits.toInt();
    return n >= 1 && n <= kParallelInputs ? n : 0;
}

QList<QByteArray> ObsSession::feed(QByteArrayView text)
{
    const QJsonDocument doc = QJsonDocument::fromJson(text.toByteArray());
    const QJsonObject d = doc.object().value(QStringLiteral("d")).toObject();
    const QJsonValue op = doc.object().value(QStringLiteral("op"));
    if (!doc.isObject() || !op.isDouble()) {
        ++m_malformed;
        return {};
    }
    switch (op.toInt(-1)) {
    case kHello: {
        QJsonObject identify{{QStringLiteral("rpcVersion"), 1}, {QStringLiteral("eventSubscriptions"), kObsEvents}};
        const QJsonObject auth = d.value(QStringLiteral("authentication")).toObject();
        if (!auth.isEmpty())
            identify.insert(QStringLiteral("authentication"),
                            obsAuthentication(m_password, auth.value(QStringLiteral("salt")).toString(),
                                              auth.value(QStringLiteral("challenge")).toString()));
        m_out << message(kIdentify, identify);
        break;
    }
    case kIdentified:
        if (std::exchange(m_identified, true)) break;
        request(kProgramScene);
        // Refused outside studio mode: then nothing is on preview.
        request(kPreviewScene);
        break;
    case kEvent:
        if (m_identified)
            event(d.value(QStringLiteral("eventType")).toString(), d.value(QStringLiteral("eventData")).toObject());
        break;
    case kResponse: response(d); break;
    default: break;
    }
    fill();
    return std::exchange(m_out, {});
}

std::optional<ObsTally> ObsSession::takeTally()
{
    if (!std::exchange(m_new, false)) return std::nullopt;
    return m_last;
}

void ObsSession::event(const QString &type, const QJsonObject &data)
{
    const QString scene = data.value(QStringLiteral("sceneName")).toString();
    if (type == QLatin1String("CurrentProgramSceneChanged")) {
        m_program = scene;
        drop([](const Request &r) { return r.type == kProgramScene; });
    } else if (type == QLatin1String("CurrentPreviewSceneChanged")) {
        m_preview = scene;
        drop([](const Request &r) { return r.type == kPreviewScene; });
    } else if (type == QLatin1String("StudioModeStateChanged")) {
        if (data.value(QStringLiteral("studioModeEnabled")).toBool())
            request(kPreviewScene);
        else
            m_preview.reset();
    } else if (type == QLatin1String("SceneItemEnableStateChanged")) {
        const auto it = m_scenes.find(scene);
        if (it == m_scenes.end()) return;
        const qint64 id = data.value(QStringLiteral("sceneItemId")).toInteger(-1);
        for (Item &item : *it)
            if (item.id == id) item.enabled = data.value(QStringLiteral("sceneItemEnabled")).toBool();
    } else if (type == QLatin1String("SceneItemCreated") || type == QLatin1String("SceneItemRemoved") ||
               type == QLatin1String("SceneItemListReindexed")) {
        // Asked for again when the walk reaches it.
        m_scenes.remove(scene);
        drop([&](const Request &r) { return r.scene == scene; });
    } else if (type == QLatin1String("SceneNameChanged")) {
        const QString old = data.value(QStringLiteral("oldSceneName")).toString();
        if (m_program == old) m_program = scene;
        if (m_preview == old) m_preview = scene;
        forgetScenes(); // the scene is an item of others under its old name
    } else if (type == QLatin1String("InputNameChanged") || type == QLatin1String("SceneListChanged")) {
        forgetScenes();
    }
}

// An answer already on its way may tell of the tree before the event:
// dropped requests are asked again, and their answers ignored.
void ObsSession::drop(const std::function<bool(const Request &)> &which)
{
    m_requests.removeIf([&](const auto &it) { return which(it.value()); });
}

void ObsSession::forgetScenes()
{
    m_scenes.clear();
    drop([](const Request &r) { return !r.scene.isNull(); });
}

void ObsSession::response(const QJsonObject &d)
{
    const auto it = m_requests.find(d.value(QStringLiteral("requestId")).toString());
    if (it == m_requests.end()) return;
    const Request asked = *it;
    m_requests.erase(it);
    const bool ok = d.value(QStringLiteral("requestStatus")).toObject().value(QStringLiteral("result")).toBool();
    const QJsonObject data = d.value(QStringLiteral("responseData")).toObject();
    if (asked.type == kProgramScene || asked.type == kPreviewScene) {
        std::optional<QString> &scene = asked.type == kProgramScene ? m_program : m_preview;
        const QJsonValue name = data.value(asked.type == kProgramScene ? QStringLiteral("currentProgramSceneName")
                                                                       : QStringLiteral("currentPreviewSceneName"));
        scene = ok && name.isString() ? std::optional(name.toString()) : std::nullopt;
        return;
    }
    // A scene that went away between the walk and the answer has no items.
    QList<Item> &items = m_scenes[asked.scene];
    items.clear();
    if (!ok) return;
    for (const QJsonValue v : data.value(QStringLiteral("sceneItems")).toArray()) {
        const QJsonObject o = v.toObject();
        const bool group = o.value(QStringLiteral("isGroup")).toBool();
        items << Item{
            o.value(QStringLiteral("sceneItemId")).toInteger(-1), o.value(QStringLiteral("sourceName")).toString(),
            o.value(QStringLiteral("sceneItemEnabled")).toBool(),
            group || o.value(QStringLiteral("sourceType")).toString() == QLatin1String("OBS_SOURCE_TYPE_SCENE"), group};
    }
}

void ObsSession::request(const QString &type, const QString &scene)
{
    const QString id = QString::number(m_nextId++);
    QJsonObject d{{QStringLiteral("requestType"), type}, {QStringLiteral("requestId"), id}};
    if (!scene.isNull()) d.insert(QStringLiteral("requestData"), QJsonObject{{QStringLiteral("sceneName"), scene}});
    m_requests.insert(id, {type, scene});
    m_out << message(kRequest, d);
}

// Asks for the items of every scene and group the walk reaches and does
// not have; with nothing left to ask, the walk has ended.
void ObsSession::fill()
{
    if (!m_identified) return;
    QStringList names, seen;
    if (m_program) walk(*m_program, names, seen, true);
    if (m_preview) walk(*m_preview, names, seen, true);
    if (m_requests.isEmpty()) settle();
}

// The names visible in a scene, itself first; fetch: ask for what is
// missing. A scene met again (OBS allows no loop, a peer may send one) is
// not walked twice.
void ObsSession::walk(const QString &scene, QStringList &names, QStringList &seen, bool fetch, bool group)
{
    names << scene;
    if (seen.contains(scene)) return;
    seen << scene;
    const auto it = m_scenes.constFind(scene);
    if (it == m_scenes.cend()) {
        const QString type = group ? kGroupItems : kSceneItems;
        const bool asked = std::any_of(m_requests.cbegin(), m_requests.cend(),
                                       [&](const Request &r) { return r.scene == scene && r.type == type; });
        if (fetch && !asked && m_scenes.size() < kMaxScenes) request(type, scene);
        return;
    }
    for (const Item &item : *it) {
        if (!item.enabled) continue;
        if (item.nested)
            walk(item.name, names, seen, fetch, item.group);
        else
            names << item.name;
    }
}

void ObsSession::settle()
{
    ObsTally tally;
    QStringList seen;
    if (m_program) walk(*m_program, tally.program, seen, false);
    seen.clear();
    if (m_preview) walk(*m_preview, tally.preview, seen, false);
    for (QStringList *names : {&tally.program, &tally.preview}) {
        names->sort();
        names->removeDuplicates();
    }
    if (m_last == tally) return;
    m_last = tally;
    m_new = true;
}

} // namespace bridge
