// tallyctl's time on a line: the port it opens, the frames it sends and
// reads, a command and its reply. Every failure is told through the
// output, with the port's name, and given as tallyctl's exit code.
#pragma once

#include "link/protocol.h"
#include "link/replycollector.h"
#include "link/switcherframe.h"
#include "platform/signals.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

class Output;

// Which port to open, as the command line named it.
struct PortChoice {
    std::optional<QString> port;  // --port: a device path or a port number
    std::optional<QString> ports; // --ports
};

class Session {
public:
    static constexpr int kDefaultTimeoutMs = 500;

    explicit Session(Output &output) : m_output(output) {}

    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

    // The unit line (9600 8N1) or, with switcher, a switcher's tally line.
    int open(const PortChoice &choice, bool switcher);
    void send(const unitlink::Command &command);
    // Sends a command and waits for its answer; reply, when given, is the last frame read.
    int exchange(const unitlink::Command &command, std::optional<unitlink::Reply> *reply = nullptr);
    int readImage(unitlink::Mnemonic id, const QString &address, QString &hexText);
    QStringList addressesAnsweringSid();
    // After a wait: the failure (kInterrupted) when a signal came
    // meanwhile, else kDone. Nothing more may go on the line then.
    int failIfInterrupted();

    // From here on SIGINT and SIGTERM end a watch as its count does.
    void watchSignals();
    // The next frame's text between STX and ETX; none when the deadline
    // passed, the port failed or a signal came.
    std::optional<QString> nextFrame(QDeadlineTimer deadline);
    // The next piece of a switcher's tally line; none when the port failed
    // or a signal came.
    std::optional<switcherlink::TallyPiece> nextTallyPiece();
    // How a watch ended: done after a signal, else the port's failure.
    int watchEnded();

private:
    // False once the port failed or a signal ended the watch.
    bool waitForBytes(QDeadlineTimer deadline);
    bool interrupted() const { return m_interruption && m_interruption->happened(); }

    Output &m_output;
    int m_timeoutMs = kDefaultTimeoutMs;
    // Declared before the port, so that the handlers stay until it has closed.
    // While it lives, SIGINT and SIGTERM end a watch as its count does: the
    // port then closes as usual and puts back the settings it found, so the
    // next run can open it.
    std::optional<platform::SignalWatcher> m_interruption;
    QSerialPort m_port;
    QByteArray m_pending;
    unitlink::ReplyCollector m_collector;
};

} // namespace cli
