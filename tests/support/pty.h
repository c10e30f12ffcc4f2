// A pseudo-terminal pair: the program under test opens the slave through
// its serial component, the test reads and writes the master.
#pragma once

#include <QByteArray>
#include <QString>

namespace testsupport {

class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    QString slavePath() const { return m_slavePath; }
    bool isOpen() const { return m_master >= 0; }

    void write(const QByteArray &bytes);
    // Everything that has arrived so far, without waiting.
    QByteArray readAvailable();
    // Reads until `count` bytes came or the deadline passed, processing
    // Qt events meanwhile so the program under test keeps running.
    QByteArray readBytes(int count, int timeoutMs = 3000);
    // Next STX..ETX frame (anything before STX is dropped); empty on time-out.
    QByteArray readFrame(int timeoutMs = 3000);
    // Collects for a while and returns what came (to check that nothing did).
    QByteArray drainFor(int ms);
    // Hang-up: closes the master (the slave then reads EIO / end of line).
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;  // kept open so the pty stays configured between opens
    QString m_slavePath;
    QByteArray m_buffer;
};

} // namespace testsupport
