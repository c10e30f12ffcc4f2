// OBS Studio's tally through obs-websocket 5: JSON text messages, each
// {"op": N, "d": {...}}. OBS says Hello (with a challenge when it wants a
// password), the bridge Identifies, OBS says Identified; from then on the
// bridge asks for the program and preview scene and walks each scene's
// items, through nested scenes and groups, and OBS sends events when any
// of it changes. No socket here: a message in, the messages to send out,
// and the sources on program and preview once a walk has ended.
#pragma once

#include "bridge/malformed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace bridge {

inline constexpr quint16 kObsPort = 4455;
// The close codes OBS ends a session with that the bridge acts on.
inline constexpr int kObsAuthenticationFailed = 4009;
inline constexpr int kObsSessionInvalidated = 4011; // kicked by OBS's user
// General, Scenes, Inputs (a source renamed), Scene Items and UI (studio mode).
inline constexpr int kObsEvents = (1 << 0) | (1 << 2) | (1 << 3) | (1 << 7) | (1 << 10);

// "base64(sha256(base64(sha256(password + salt)) + challenge))": what
// Identify answers a challenge with.
QString obsAuthentication(const QString &password, const QString &salt, const QString &challenge);

// The parallel input a scene or source name drives: the map's, else the
// number the name ends in ("CAM 3", "Cam3", "Camera 03"); 0 for none or
// one past 48.
int obsInput(const QString &name, const QHash<QString, int> &map);

// The names of every scene and source visible on program and on preview,
// sorted.
struct ObsTally {
    QStringList program, preview;
    friend bool operator==(const ObsTally &, const ObsTally &) = default;
};

class ObsSession {
public:
    // More scenes and groups than this are not walked: a peer cannot grow
    // the tree, or the requests it draws, without end.
    static constexpr qsizetype kMaxScenes = 1024;

    // password: empty when none is configured.
    explicit ObsSession(QString password = {}) : m_password(std::move(password)) {}
    // The messages to send for one received: Identify for Hello, requests
    // for Identified, an event or a reply.
    QList<QByteArray> feed(QByteArrayView message);
    bool identified() const { return m_identified; }
    // The tally a walk ended with, when it is new since the last take (the
    // first always is).
    std::optional<ObsTally> takeTally();
    // Requests not yet answered.
    qsizetype pending() const { return m_requests.size(); }
    const MalformedCount &malformed() const { return m_malformed; }
    MalformedCount &malformed() { return m_malformed; }

private:
    struct Item {
        qint64 id = 0;
        QString name;
        bool enabled = false;
        bool nested = false; // a scene or a group, whose items are walked
        bool group = false;
    };
    struct Request {
        QString type, scene;
    };
    void event(const QString &type, const QJsonObject &data);
    void response(const QJsonObject &d);
    void request(const QString &type, const QString &scene = {});
    void drop(const std::function<bool(const Request &)> &which);
    void forgetScenes();
    void fill();
    void walk(const QString &scene, QStringList &names, QStringList &seen, bool fetch, bool group = false);
    void settle();

    QString m_password;
    bool m_identified = false;
    std::optional<QString> m_program, m_preview; // the scenes; none: not known, or no studio mode
    QHash<QString, QList<Item>> m_scenes;        // the items of each scene or group walked
    QHash<QString, Request> m_requests;          // by request id
    qint64 m_nextId = 1;
    QList<QByteArray> m_out;
    std::optional<ObsTally> m_last;
    bool m_new = false;
    MalformedCount m_malformed;
};

} // namespace bridge
