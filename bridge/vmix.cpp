#include "bridge/vmix.h"

namespace bridge {

namespace {
const QByteArray kTallyOk = QByteArrayLiteral("TALLY OK ");
} // namespace

QList<QList<VmixState>> VmixReader::feed(QByteArrayView bytes)
{
    QList<QList<VmixState>> tallies;
    for (const char c : bytes) {
        if (c != '\n') {
            if (m_line.size() < kLineLimit)
                m_line += c;
            else
                m_overlong = true;
            continue;
        }
        QByteArrayView line = m_line;
        if (line.endsWith('\r')) line.chop(1);
        if (m_overlong) {
            ++m_malformed;
        } else if (line.startsWith("TALLY ")) {
            QList<VmixState> states;
            const bool ok =
                line.startsWith(kTallyOk) && std::all_of(line.begin() + kTallyOk.size(), line.end(), [&](char d) {
                    if (d < '0' || d > '2') return false;
                    states << VmixState(d - '0');
                    return true;
                });
            if (ok)
                tallies << states;
            else
                ++m_malformed;
        }
        m_line.clear();
        m_overlong = false;
    }
    return tallies;
}

} // namespace bridge
