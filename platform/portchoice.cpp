#include "platform/portchoice.h"

namespace platform {

QString portEntry(int port)
{
    return QStringLiteral("Com%1").arg(port);
}

QStringList portEntries()
{
    QStringList entries;
    for (int p = 1; p <= kPortCount; ++p) entries << portEntry(p);
    return entries;
}

int TryOpenPort(SerialLine &line, int port)
{
    int step = ReadingOpen;
    if (line.portOpen()) {
        step = Closing;
        if (!line.setPortOpen(false).ok()) return step;
    }
    step = SettingPort;
    if (!line.setCommPort(port).ok()) return step;
    step = Opening;
    if (!line.setPortOpen(true).ok()) return step;
    return PortReady;
}

int startupSearch(SerialLine &line)
{
    for (int p = 1; p <= kPortCount; ++p) {
        if (TryOpenPort(line, p) == PortReady) return p;
    }
    return 0;
}

PortResult choosePort(SerialLine &line, int port)
{
    if (line.portOpen()) {
        if (PortResult closed = line.setPortOpen(false); !closed.ok()) return closed;
    }
    if (PortResult set = line.setCommPort(port); !set.ok()) return set;
    return line.setPortOpen(true);
}

QString promptText(const PortError &e, const QString &separator)
{
    return QString::number(e.number) + separator + e.description;
}

} // namespace platform
