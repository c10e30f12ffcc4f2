// The running bridge as the status page, /api/state and the WebSocket
// show it: plain JSON values, each part on its own so that an update
// carries only the parts that changed.
#pragma once

#include "bridge/service.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

namespace bridge {

// A pair as it went out on the unit line.
struct WrittenPair {
    QDateTime at; // UTC
    QByteArray pair;
};

QString jsonTime(const QDateTime &utc); // "2026-12-07T23:59:01.123Z"

QJsonArray lampsJson(const Service &service);
QJsonArray inputsJson(const Service &service);
QJsonObject lineJson(const Service &service, const std::optional<WrittenPair> &last);
QJsonValue testJson(const Service &service);
// Each frame of a pair: its body, what it says, when it went.
QJsonArray framesJson(const WrittenPair &written, bool again);

} // namespace bridge
