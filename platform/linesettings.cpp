#include "platform/linesettings.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <vector>

namespace platform {

OpenRefusal openRefusal(const QSerialPort &port, const QString &device)
{
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: return OpenRefusal::Absent;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // The device lets this user in, so the refusal was a lock: busy.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0) return OpenRefusal::NoPermission;
#endif
        return OpenRefusal::Busy;
    default: break;
    }
    return OpenRefusal::Other;
}

namespace {
// In the window's language; tallyctl and the bridge load no translation.
QString said(const char *text)
{
    return QCoreApplication::translate("platform::DeviceAccess", text);
}
} // namespace

QString refusalText(OpenRefusal refusal, const QString &device)
{
    switch (refusal) {
    case OpenRefusal::Absent: return said(QT_TRANSLATE_NOOP("platform::DeviceAccess", "absent"));
    case OpenRefusal::Busy: return said(QT_TRANSLATE_NOOP("platform::DeviceAccess", "busy: held by another program"));
    case OpenRefusal::NoPermission: return permissionText(deviceAccess(device));
    case OpenRefusal::Other: break;
    }
    return {};
}

QString whyNotOpen(const QSerialPort &port, const QString &device)
{
    const OpenRefusal refusal = openRefusal(port, device);
    return refusal == OpenRefusal::Other ? port.errorString() : refusalText(refusal, device);
}

DeviceAccess deviceAccess(const QString &device)
{
    DeviceAccess a;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0) return a;
    a.mode = st.st_mode & 0777;
    const passwd *owner = ::getpwuid(st.st_uid);
    a.owner = owner ? QString::fromLocal8Bit(owner->pw_name) : QString::number(st.st_uid);
    const group *g = ::getgrgid(st.st_gid);
    a.group = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
    const passwd *user = ::getpwuid(::geteuid());
    a.user = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::geteuid());
    a.groupNow = ::getegid() == st.st_gid;
    std::vector<gid_t> groups(size_t(std::max(0, ::getgroups(0, nullptr))));
    groups.resize(size_t(std::max(0, ::getgroups(int(groups.size()), groups.data()))));
    a.groupNow = a.groupNow || std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    a.groupListed = user && user->pw_gid == st.st_gid;
    for (char **member = g ? g->gr_mem : nullptr; member && *member; ++member)
        a.groupListed = a.groupListed || (user && qstrcmp(*member, user->pw_name) == 0);
#else
    Q_UNUSED(device);
#endif
    return a;
}

QString permissionText(const DeviceAccess &a)
{
    QString text = said(QT_TRANSLATE_NOOP("platform::DeviceAccess", "permission denied: %1:%2 %3, the user is %4"))
                       .arg(a.owner, a.group)
                       .arg(a.mode, 3, 8, QLatin1Char('0'))
                       .arg(a.user);
    if (a.group != QLatin1String("dialout")) return text;
    if (!a.groupListed)
        return text + said(QT_TRANSLATE_NOOP("platform::DeviceAccess", "; the user needs to be in the dialout group"));
    if (!a.groupNow)
        return text +
               said(QT_TRANSLATE_NOOP("platform::DeviceAccess",
                                      "; the user is in the dialout group, but this session is not yet: log in again"));
    return text;
}

LineSettings switcherLine()
{
    LineSettings s;
    s.baud = 38400;
    s.parity = QSerialPort::EvenParity;
    return s;
}

void applyFraming(QSerialPort &port, const LineSettings &settings)
{
    port.setBaudRate(settings.baud);
    port.setDataBits(settings.dataBits);
    port.setParity(settings.parity);
    port.setStopBits(settings.stopBits);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

QString openLine(QSerialPort &port, const QString &device, const LineSettings &settings, QIODevice::OpenMode mode)
{
    port.setPortName(device);
    applyFraming(port, settings);
    if (port.open(mode)) return {};
    const QString why = whyNotOpen(port, device);
    port.clearError();
    return why;
}

} // namespace platform
