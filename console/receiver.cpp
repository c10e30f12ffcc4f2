#include "console/receiver.h"

#include "link/frame.h"

namespace console {

using platform::MessageBoxes;
using unitlink::Mnemonic;
using unitlink::UnitError;

void Receiver::OnComm(const QByteArray &read)
{
    using Fed = unitlink::ReplyCollector::Fed;
    const Fed fed = ReplyBuffer.feed(read);
    if (fed == Fed::Started) {
        m_view.setStatus(QString());
        m_view.setMonitor(QStringLiteral("[STX]"));
        return;
    }
    if (read != QByteArrayView(&unitlink::ETX, 1)) {
        m_view.setMonitor(m_view.monitor().left(64) + QString::fromLatin1(read));
        return;
    }
    // A frame's monitor text is at most 65 characters before its ETX; the
    // cut only matters for a run of ETX without STX, which would otherwise
    // grow the monitor without end.
    m_view.setMonitor(m_view.monitor().left(65) + QStringLiteral("[ETX]"));
    if (fed == Fed::Completed) actOnFrame(QString(ReplyBuffer.text()));
}

void Receiver::actOnFrame(const QString &text)
{
    using Kind = unitlink::Reply::Kind;
    const unitlink::Reply reply = unitlink::Reply::parse(text);
    switch (reply.kind()) {
    case Kind::Image: return imageDownload(reply);
    case Kind::Done:
        if (reply.answers(Mnemonic::WRM) || reply.answers(Mnemonic::WRR))
            return m_view.setStatus(QStringLiteral("LED unit has been written!"));
        return m_view.setStatus(reply.mnemonic().toString());
    case Kind::Flag: return m_view.setStatus(reply.mnemonic().toString().append(reply.flag()));
    case Kind::Inputs: return inputReport(reply);
    case Kind::Malformed: return;
    case Kind::TallyList: return tallyList(reply);
    case Kind::UnitError: return unitError(reply);
    case Kind::Address: // shown as received, like any text the console does not know
    case Kind::Unknown: return m_view.setStatus(reply.text());
    }
}

void Receiver::imageDownload(const unitlink::Reply &reply)
{
    // Everything is computed before the box: characters that arrive while
    // it is open wait, and the steps after it use these values.
    const unitlink::ImageReply image = reply.image();
    if (!image.checksumOk)
        m_view.boxes().show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, QStringLiteral("Warning!"),
                            QStringLiteral("Download CRC Error"));
    m_view.loadImage(image.hexText);
    // The image is loaded either way, but a failed check must not read as success.
    m_view.setStatus(image.checksumOk ? QStringLiteral("Download finished!") : QStringLiteral("Download CRC Error"));
}

void Receiver::tallyList(const unitlink::Reply &reply)
{
    const bool program = reply.answers(Mnemonic::TLY);
    QString text = program ? QStringLiteral("PGM:") : QStringLiteral("PVW:");
    const QStringView codes = reply.data();
    for (qsizetype i = codes.size() - 1; i >= 0; --i) text += QLatin1Char(' ') + unitlink::codedAsDecimal(codes[i]);
    program ? m_view.setProgramList(text) : m_view.setPreviewList(text);
}

void Receiver::unitError(const unitlink::Reply &reply)
{
    const QString title = QStringLiteral("Warning!");
    MessageBoxes &boxes = m_view.boxes();
    const std::optional<UnitError> code = reply.error();
    if (!code) return; // a code the console does not know: no box
    // A checksum error may be retried; the others only reported.
    if (*code == UnitError::Crc)
        boxes.show(MessageBoxes::Icon::Question, MessageBoxes::Buttons::RetryCancel, title,
                   unitlink::unitErrorText(*code));
    else
        boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, title, unitlink::unitErrorText(*code));
}

void Receiver::inputReport(const unitlink::Reply &reply)
{
    // The handlers below may run long; the reply is a copy of what was received.
    if (reply.pgmInput() == unitlink::kNoInput) {
        m_view.setPxrMode(false);
        m_view.clearProgramInput();
        return;
    }
    m_view.setPxrMode(true);
    m_view.showInputs(unitlink::codedAsDecimal(reply.pgmInput()), unitlink::codedAsDecimal(reply.pvwInput()));
}

} // namespace console
