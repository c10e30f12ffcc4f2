#include "console/receiver.h"

#include "link/frame.h"

#include <QStringList>

namespace console {

using platform::MessageBoxes;

void Receiver::OnComm(const QByteArray &read)
{
    const QString s = QString::fromLatin1(read);
    if (s == QLatin1Char(unitlink::STX)) {
        ReplyBuffer.clear();
        m_dropping = false;
        m_view.setStatus(QString());
        m_view.setMonitor(QStringLiteral("[STX]"));
        return;
    }
    if (s != QLatin1Char(unitlink::ETX)) {
        if (!m_dropping) {
            if (ReplyBuffer.size() + s.size() > kReplyBufferLimit) {
                ReplyBuffer.clear();
                m_dropping = true;
            } else {
                ReplyBuffer += s;
            }
        }
        m_view.setMonitor(m_view.monitor().left(64) + s);
        return;
    }
    // A frame's monitor text is at most 65 characters before its ETX; the
    // cut only matters for a run of ETX without STX, which would otherwise
    // grow the monitor without end.
    m_view.setMonitor(m_view.monitor().left(65) + QStringLiteral("[ETX]"));
    if (!m_dropping) actOnFrame();
}

void Receiver::actOnFrame()
{
    const QString k = ReplyBuffer.left(3);
    static const QStringList done = {QStringLiteral("cfg"), QStringLiteral("rtm"), QStringLiteral("ton"),
                                     QStringLiteral("tof"), QStringLiteral("twn"), QStringLiteral("twf"),
                                     QStringLiteral("chr")};
    if (k == u"rdr" || k == u"rdm")
        imageDownload();
    else if (k == u"wrm" || k == u"wrr")
        m_view.setStatus(QStringLiteral("LED unit has been written!"));
    else if (done.contains(k))
        m_view.setStatus(k);
    else if (k == u"tfh")
        m_view.setStatus(ReplyBuffer.left(4));
    else if (k == u"gpi")
        inputReport();
    else if (k == u"TLY")
        tallyList(true);
    else if (k == u"TLW")
        tallyList(false);
    else if (k == u"err")
        unitError();
    else
        m_view.setStatus(ReplyBuffer);
}

void Receiver::imageDownload()
{
    // Everything is computed before the box: characters that arrive while
    // it is open wait, and the steps after it use these values.
    const unitlink::ImageReply reply = unitlink::readImageReply(ReplyBuffer);
    if (!reply.checksumOk)
        m_view.boxes().show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, QStringLiteral("Warning!"),
                            QStringLiteral("Download CRC Error"));
    m_view.loadImage(reply.hexText);
    // The image is loaded either way, but a failed check must not read as success.
    m_view.setStatus(reply.checksumOk ? QStringLiteral("Download finished!") : QStringLiteral("Download CRC Error"));
}

void Receiver::tallyList(bool program)
{
    QString text = program ? QStringLiteral("PGM:") : QStringLiteral("PVW:");
    for (qsizetype i = ReplyBuffer.size() - 1; i >= 3; --i)
        text += QLatin1Char(' ') + unitlink::codedAsDecimal(ReplyBuffer.at(i));
    program ? m_view.setProgramList(text) : m_view.setPreviewList(text);
}

void Receiver::unitError()
{
    const QChar code = ReplyBuffer.size() > 3 ? ReplyBuffer.at(3) : QChar();
    const QString title = QStringLiteral("Warning!");
    MessageBoxes &boxes = m_view.boxes();
    if (code == u'1')
        boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, title, QStringLiteral("Command Error"));
    else if (code == u'2')
        boxes.show(MessageBoxes::Icon::Question, MessageBoxes::Buttons::RetryCancel, title, QStringLiteral("CRC Error"));
    else if (code == u'3')
        boxes.show(MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, title, QStringLiteral("Programming Error"));
}

void Receiver::inputReport()
{
    if (ReplyBuffer.size() != 5) return;
    const QString report = ReplyBuffer;  // unticking sends a frame; keep what was received
    if (report.at(3) == u'@') {
        m_view.setPxrMode(false);
        m_view.clearProgramInput();
        return;
    }
    m_view.setPxrMode(true);
    m_view.showInputs(unitlink::codedAsDecimal(report.at(3)), unitlink::codedAsDecimal(report.at(4)));
}

} // namespace console
