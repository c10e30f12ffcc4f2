#include "bridge/tsl31.h"

#include <algorithm>

namespace bridge {

namespace {

bool isHeader(char c)
{
    const auto b = quint8(c);
    return b >= 0x80 && b <= 0x80 + 126;
}

// Text is printable Latin-1 ("café"); NUL pads a name in some senders'
// messages. Control characters, C1 included, are not text: a header byte
// 0x80 to 0x9F in the text is a message cut short by the next one.
bool isText(char c)
{
    const auto b = quint8(c);
    return b == 0 || (b >= 0x20 && b <= 0x7E) || b >= 0xA0;
}

} // namespace

QList<Tsl31Message> Tsl31Reader::feed(QByteArrayView bytes)
{
    m_pending.append(bytes);
    QList<Tsl31Message> messages;
    const auto nextHeader = [this](qsizetype from) {
        return std::find_if(m_pending.cbegin() + from, m_pending.cend(), isHeader) - m_pending.cbegin();
    };
    qsizetype at = 0;
    while (at < m_pending.size()) {
        const QByteArrayView body =
            QByteArrayView(m_pending).sliced(at + 1, std::min(kMessageSize, m_pending.size() - at) - 1);
        const bool controlOk = body.isEmpty() || quint8(body[0]) < 0x80;
        const bool textOk = body.size() < 2 || std::all_of(body.begin() + 1, body.end(), isText);
        if (!isHeader(m_pending[at]) || !controlOk || !textOk) {
            // Garbage, or a message cut short by the next header: one
            // malformed run, up to the next header.
            ++m_malformed;
            at = nextHeader(at + 1);
            continue;
        }
        if (body.size() < kMessageSize - 1) break; // the rest is still coming
        QByteArrayView text = body.sliced(1);
        while (!text.isEmpty() && (text.back() == ' ' || text.back() == 0)) text.chop(1);
        messages.append({quint8(m_pending[at]) - 0x80, quint8(body[0]), text.toByteArray()});
        at += kMessageSize;
    }
    m_pending.remove(0, at);
    return messages;
}

void Tsl31Reader::end()
{
    if (m_pending.isEmpty()) return;
    m_pending.clear();
    ++m_malformed;
}

} // namespace bridge
