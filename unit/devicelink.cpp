#include "unit/devicelink.h"

#include "platform/portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace unit {

QString DeviceLink::resolve(const QString &given)
{
    if (given.contains(QLatin1Char('/'))) return QFileInfo(given).absoluteFilePath();
    return platform::runtimePath(given);
}

DeviceLink::~DeviceLink()
{
    if (m_lock && QFile::symLinkTarget(m_path) == m_device) QFile::remove(m_path);
}

bool DeviceLink::make(const QString &path, const QString &device, QString *error)
{
    const auto refuse = [&](const QString &why) {
        *error = why;
        m_lock.reset();
        return false;
    };
    // Without $XDG_RUNTIME_DIR the folder is one in /tmp, which may not be
    // there yet, and which nobody else may own: it holds what we open.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder) && !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return refuse(QStringLiteral("cannot make the folder %1").arg(folder));
    if (const QFileInfo f(folder); f.isDir() && f.ownerId() != ::getuid() && folder == platform::runtimeFolder())
        return refuse(QStringLiteral("%1 belongs to another user: left as it is").arg(folder));
    m_lock.emplace(path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0); // held as long as the unit runs; a dead holder's lock is taken over
    if (!m_lock->tryLock()) {
        qint64 pid = 0;
        if (m_lock->error() != QLockFile::LockFailedError || !m_lock->getLockInfo(&pid, nullptr, nullptr))
            return refuse(QStringLiteral("cannot lock %1.lock").arg(path));
        return refuse(
            QStringLiteral("%1 is the link of another tally-unit (pid %2): left as it is").arg(path).arg(pid));
    }
    const QFileInfo there(path);
    if (there.isSymLink())
        QFile::remove(path); // its tally-unit has gone: it held no lock
    else if (there.exists())
        return refuse(QStringLiteral("%1 is not a link: left as it is").arg(path));
    if (QFile target(device); !target.link(path))
        return refuse(QStringLiteral("cannot make the link %1: %2").arg(path, target.errorString()));
    m_path = path;
    m_device = device;
    return true;
}

} // namespace unit
