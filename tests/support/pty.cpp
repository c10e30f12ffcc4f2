#include "tests/support/pty.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace testsupport {

Pty::Pty()
{
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    if (openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) qFatal("openpty failed: %s", strerror(errno));
    // Both ends raw before a byte moves: no echo, no CR/LF games.
    tcsetattr(m_master, TCSANOW, &tio);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0) ::close(m_slave);
}

void Pty::closeMaster()
{
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

bool holdsOpen(qint64 pid, const QString &device)
{
    // A hung-up pty's node is gone while the program still holds it.
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::Files | QDir::System))
        if (const QString at = fd.symLinkTarget(); at == device || at == device + " (deleted)") return true;
    return false;
}

void Pty::write(const QByteArray &bytes)
{
    // Frames are far smaller than the pty's buffer: a short write is a broken line.
    if (::write(m_master, bytes.constData(), size_t(bytes.size())) != bytes.size()) qWarning("pty write failed");
}

QByteArray Pty::readAvailable()
{
    char buf[4096];
    ssize_t n = 0;
    while (m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0) m_buffer.append(buf, n);
    return std::exchange(m_buffer, {});
}

QByteArray Pty::readBytes(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QByteArray got;
    while (got.size() < count && !deadline.hasExpired()) {
        got += readAvailable();
        if (got.size() < count) QTest::qWait(2);
    }
    if (got.size() > count) {
        m_buffer.prepend(got.mid(count));
        got.truncate(count);
    }
    return got;
}

void ReplugPort::replug()
{
    auto next = std::make_unique<Pty>();
    QFile::remove(m_link);
    if (!QFile::link(next->slavePath(), m_link)) qFatal("cannot link %s", qPrintable(m_link));
    m_pty = std::move(next);
}

} // namespace testsupport
