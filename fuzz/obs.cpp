// OBS's session fed whatever a peer on the obs-websocket port may send:
// messages cut at newlines, so that a seed reads as the exchange it is.
// What goes back is always Identify or a request, every request is
// answered or dropped, and a tally's names are sorted and unique.
#include "bridge/obs.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <functional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bridge::ObsSession session(QStringLiteral("secret"));
    for (const QByteArray &message :
         QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n')) {
        for (const QByteArray &out : session.feed(message)) {
            const int op = QJsonDocument::fromJson(out).object().value(QStringLiteral("op")).toInt();
            if (op != 1 && op != 6) std::abort();
        }
        // A walk asks at most for each scene it may hold, and the two current scenes.
        if (session.pending() > bridge::ObsSession::kMaxScenes + 2) std::abort();
        // Strictly increasing: sorted, each name once.
        if (const std::optional<bridge::ObsTally> t = session.takeTally())
            for (const QStringList &names : {t->program, t->preview})
                if (std::adjacent_find(names.cbegin(), names.cend(), std::greater_equal<>()) != names.cend())
                    std::abort();
    }
    return 0;
}
