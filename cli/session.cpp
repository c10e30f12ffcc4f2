#include "cli/session.h"

#include "cli/output.h"
#include "cli/tallyctl.h"
#include "platform/linesettings.h"
#include "platform/portmap.h"

#include <QEventLoop>
#include <QTimer>

#include <csignal>

namespace cli {

using namespace Qt::Literals::StringLiterals;
using unitlink::Command;
using unitlink::Mnemonic;
using unitlink::Reply;

int Session::open(const PortChoice &choice, bool switcher)
{
    // Ctrl+C while a command waits is a failure told like any other, and
    // the port closes as usual, its settings put back.
    if (!m_interruption) watchSignals();
    const QString port = choice.port.value_or(QString());
    bool numbered = false;
    const int n = port.toInt(&numbered);
    QString device = platform::namedDevice(port);
    if (!choice.port) {
        const platform::UnnamedPort unnamed = platform::unnamedPort(platform::listedPorts(choice.ports));
        if (unnamed.device.isEmpty())
            return m_output.fail(kUsage, u"name the port with --port; adapters here: %1"_s.arg(
                                             unnamed.adapters.isEmpty() ? u"none"_s : unnamed.adapters.join(u", "_s)));
        device = unnamed.device;
        m_output.setPortLabel(device);
    } else if (numbered) {
        device = platform::PortMap::fromEnvironment(choice.ports).device(n);
        m_output.setPortLabel(u"port %1 (%2)"_s.arg(n).arg(device.isEmpty() ? u"no device"_s : device));
        if (device.isEmpty()) return m_output.fail(kPortFailure, u"no device has this port number"_s);
    } else {
        m_output.setPortLabel(device);
    }
    if (const QString why =
            platform::openLine(m_port, device, switcher ? platform::switcherLine() : platform::LineSettings{});
        !why.isEmpty())
        return m_output.fail(kPortFailure, u"cannot open: "_s + why);
    return kDone;
}

void Session::send(const Command &command)
{
    m_port.write(command.frame());
    m_port.flush();
}

void Session::watchSignals()
{
    m_interruption.emplace({SIGINT, SIGTERM});
}

// Waits in an event loop rather than blocking, so that whatever else runs
// in this thread (a virtual unit in the tests) goes on meanwhile.
bool Session::waitForBytes(QDeadlineTimer deadline)
{
    if (m_port.bytesAvailable() == 0) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&m_port, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&m_port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        if (m_interruption)
            QObject::connect(&*m_interruption, &platform::SignalWatcher::caught, &loop, &QEventLoop::quit);
        if (!deadline.isForever()) timer.start(std::chrono::milliseconds(deadline.remainingTime()));
        loop.exec();
    }
    m_pending += m_port.readAll();
    return m_port.error() == QSerialPort::NoError && !interrupted();
}

// The next frame completed by the console's rule (STX empties, ETX ends),
// its text between STX and ETX; none when the deadline passed first.
std::optional<QString> Session::nextFrame(QDeadlineTimer deadline)
{
    for (;;) {
        while (!m_pending.isEmpty()) {
            const char c = m_pending.front();
            m_pending.remove(0, 1);
            if (m_collector.feed(QByteArrayView(&c, 1)) == unitlink::ReplyCollector::Fed::Completed)
                return m_collector.text();
        }
        if (deadline.hasExpired() || !waitForBytes(deadline)) return std::nullopt;
    }
}

std::optional<switcherlink::TallyPiece> Session::nextTallyPiece()
{
    for (;;) {
        if (std::optional<switcherlink::TallyPiece> piece = switcherlink::takeTally(m_pending)) return piece;
        if (!waitForBytes(QDeadlineTimer::Forever)) return std::nullopt;
    }
}

int Session::watchEnded()
{
    if (interrupted()) return kDone;
    return m_output.fail(kPortFailure, m_port.errorString());
}

// Sends the command and waits for its reply; frames that answer something
// else (another controller's tally messages) pass by.
int Session::exchange(const Command &command, std::optional<Reply> *answer)
{
    std::optional<Reply> kept;
    std::optional<Reply> &reply = answer ? *answer : kept;
    send(command);
    const QDeadlineTimer deadline(m_timeoutMs);
    while (const std::optional<QString> text = nextFrame(deadline)) {
        reply = Reply::parse(*text);
        if (reply->kind() == Reply::Kind::UnitError)
            return m_output.fail(
                kUnitError, u"unit %1 answered %2 to %3"_s.arg(command.address(), reply->text(), command.mnemonic()));
        if (reply->answers(command.id())) return kDone;
    }
    if (const int code = failIfInterrupted()) return code;
    if (m_port.error() != QSerialPort::NoError) return m_output.fail(kPortFailure, m_port.errorString());
    return m_output.fail(
        kNoReply, u"no reply to %1%2 within %3 ms"_s.arg(command.mnemonic(), command.address()).arg(m_timeoutMs));
}

int Session::failIfInterrupted()
{
    return interrupted() ? m_output.fail(kInterrupted, u"interrupted"_s) : kDone;
}

int Session::readImage(Mnemonic id, const QString &address, QString &hexText)
{
    std::optional<Reply> reply;
    if (const int code = exchange(Command(id, address), &reply)) return code;
    const unitlink::ImageReply image = reply->image();
    if (!image.checksumOk || image.hexText.size() != 96)
        return m_output.fail(kVerifyFailure,
                             u"the image from unit %1 fails its checksum: %2"_s.arg(address, reply->text()));
    hexText = image.hexText.trimmed();
    return kDone;
}

QStringList Session::addressesAnsweringSid()
{
    send(Command(Mnemonic::SID));
    QStringList found;
    const QDeadlineTimer deadline(m_timeoutMs);
    while (const std::optional<QString> text = nextFrame(deadline)) {
        const Reply reply = Reply::parse(*text);
        if (reply.answers(Mnemonic::SID) && unitlink::isAddress(reply.address())) found << reply.address();
    }
    return found;
}

} // namespace cli
