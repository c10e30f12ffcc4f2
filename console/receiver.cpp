#include "console/receiver.h"

#include "link/frame.h"

#include <QStringList>

namespace console {

using platform::MessageBoxes;

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

void Receiver::actOnFrame(const QString &reply)
{
    const QString k = reply.left(3);
    static const QStringList done = {QStringLiteral("cfg"), QStringLiteral("rtm"), QStringLiteral("ton"),
                                     QStringLiteral("tof"), QStringLiteral("twn"), QStringLiteral("twf"),
                                     QStringLiteral("chr")};
    if (k == u"rdr" || k == u"rdm")
        imageDownload(reply);
    else if (k == u"wrm" || k == u"wrr")
        m_view.setStatus(QStringLiteral("LED unit has been written!"));
    else if (done.contains(k))
        m_view.setStatus(k);
    else if (k == u"tfh")
        m_view.setStatus(reply.left(4));
    else if (k == u"gpi")
        inputReport(reply);
    else if (k == u"TLY")
        tallyList(reply, true);
    else if (k == u"TLW")
        tallyList(reply, false);
    else if (k == u"err")
        unitError(reply);
    else
        m_view.setStatus(reply);
}

void Receiver::imageDownload(const QString &reply)
{
    // Everything is computed before the box: characters that arrive while
    // it is open wait, and the steps after it use these values.
    const unitlink::ImageReply image = unitlink::readImageReply(reply);
    if (!image.checksumOk)
        m_view.boxes().show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, QStringLiteral("Warning!"),
                            QStringLiteral("Download CRC Error"));
    m_view.loadImage(image.hexText);
    // The image is loaded either way, but a failed check must not read as success.
    m_view.setStatus(image.checksumOk ? QStringLiteral("Download finished!") : QStringLiteral("Download CRC Error"));
}

void Receiver::tallyList(const QString &reply, bool program)
{
    QString text = program ? QStringLiteral("PGM:") : QStringLiteral("PVW:");
    for (qsizetype i = reply.size() - 1; i >= 3; --i)
        text += QLatin1Char(' ') + unitlink::codedAsDecimal(reply.at(i));
    program ? m_view.setProgramList(text) : m_view.setPreviewList(text);
}

void Receiver::unitError(const QString &reply)
{
    const QChar code = reply.size() > 3 ? reply.at(3) : QChar();
    const QString title = QStringLiteral("Warning!");
    MessageBoxes &boxes = m_view.boxes();
    if (code == u'1')
        boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, title, QStringLiteral("Command Error"));
    else if (code == u'2')
        boxes.show(MessageBoxes::Icon::Question, MessageBoxes::Buttons::RetryCancel, title, QStringLiteral("CRC Error"));
    else if (code == u'3')
        boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, title, QStringLiteral("Programming Error"));
}

void Receiver::inputReport(const QString &reply)
{
    if (reply.size() != 5) return;
    const QString report = reply;  // the handlers below may run long; keep what was received
    if (report.at(3) == u'@') {
        m_view.setPxrMode(false);
        m_view.clearProgramInput();
        return;
    }
    m_view.setPxrMode(true);
    m_view.showInputs(unitlink::codedAsDecimal(report.at(3)), unitlink::codedAsDecimal(report.at(4)));
}

} // namespace console
