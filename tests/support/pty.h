// A pseudo-terminal pair: the program under test opens the slave through
// its serial component, the test reads and writes the master.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

class Pty {
public:
    Pty();
    ~Pty();
    Q_DISABLE_COPY(Pty)

    QString slavePath() const { return m_slavePath; }
    // The test's end (non-blocking), for readers that wait on it themselves.
    int masterFd() const { return m_master; }

    void write(const QByteArray &bytes);
    // Everything that has arrived so far, without waiting.
    QByteArray readAvailable();
    // Reads until `count` bytes came or the deadline passed, processing
    // Qt events meanwhile so the program under test keeps running.
    QByteArray readBytes(int count, int timeoutMs = 3000);
    // Hang-up: closes the master (the slave then reads EIO / end of line).
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1; // kept open so the pty stays configured between opens
    QString m_slavePath;
    QByteArray m_buffer;
};

// Whether process `pid` has `device` open. A program killed while it holds
// a serial port leaves its lock file behind, and one another user left
// blocks that pty number for everyone else: hang up and wait for this to
// turn false before a kill.
bool holdsOpen(qint64 pid, const QString &device);

// A port whose device can be unplugged and plugged in again: the program is
// given a link that the test re-points to a fresh pty, as a re-plugged
// adapter comes back under the same name.
class ReplugPort {
public:
    ReplugPort() : m_link(m_dir.filePath(QStringLiteral("ttyTALLY"))) { replug(); }
    QString path() const { return m_link; }
    Pty &pty() { return *m_pty; }
    // The far end hangs up.
    void unplug() { m_pty->closeMaster(); }
    // A new device under the same name.
    void replug();

private:
    QTemporaryDir m_dir;
    QString m_link;
    std::unique_ptr<Pty> m_pty;
};

} // namespace testsupport
