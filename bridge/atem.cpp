#include "bridge/atem.h"

namespace bridge {

namespace {

quint16 word(QByteArrayView bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) << 8 | quint8(bytes[at + 1]));
}

void putWord(QByteArray &bytes, qsizetype at, quint16 value)
{
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value & 0xFF);
}

// A SYN packet of the session with the opcode.
QByteArray syn(quint16 session, atem::Opcode opcode)
{
    QByteArray p = atem::header(atem::kSyn, atem::kSynSize, session) + QByteArray(atem::kSynSize - atem::kHeader, 0);
    p[atem::kHeader] = char(opcode);
    return p;
}

// How far id is past next, both 15-bit packet ids: below half the range
// it is ahead, above it behind (taken already).
quint16 ahead(quint16 id, quint16 next)
{
    return quint16(id - next) & atem::kIdMask;
}
constexpr quint16 kHalfRange = 0x4000;

} // namespace

QByteArray atem::header(quint8 flags, int size, quint16 session, quint16 ackId, quint16 resendId, quint16 packetId)
{
    QByteArray h(kHeader, 0);
    putWord(h, 0, quint16(flags << 8 | (size & kMaxSize)));
    putWord(h, 2, session);
    putWord(h, 4, ackId);
    putWord(h, 6, resendId);
    putWord(h, 10, packetId);
    return h;
}

QByteArray AtemSession::open(quint16 client)
{
    m_stage = Stage::Opening;
    m_client = client & atem::kIdMask;
    m_session = 0;
    m_last = 0;
    m_newest = 0;
    m_local = 0;
    m_asked.reset();
    m_aheadSinceAsked = 0;
    m_held.clear();
    return syn(m_client, atem::kOpen);
}

QByteArray AtemSession::keepAlive()
{
    if (m_stage != Stage::Open) return {};
    m_local = (m_local + 1) & atem::kIdMask;
    return atem::header(atem::kAckRequest, atem::kHeader, m_session, 0, 0, m_local);
}

QByteArray AtemSession::close()
{
    const bool open = m_stage == Stage::Open;
    m_stage = Stage::Closed;
    m_held.clear();
    return open ? syn(m_session, atem::kClosing) : QByteArray();
}

AtemSession::Read AtemSession::read(QByteArrayView d)
{
    Read r;
    if (d.size() < atem::kHeader || (word(d, 0) & atem::kMaxSize) != d.size()) {
        r.malformed = 1;
        return r;
    }
    const quint8 flags = quint8(d[0]) & 0xF8; // the rest is length
    const quint16 session = word(d, 2);
    if (flags & atem::kSyn) {
        if (d.size() != atem::kSynSize) {
            r.malformed = 1;
            return r;
        }
        switch (quint8(d[atem::kHeader])) {
        case atem::kAccepted:
            // Again when the ack was lost: acked again, the session as it is.
            if (session != m_client || (m_stage != Stage::Opening && m_stage != Stage::Open)) return r;
            if (m_stage == Stage::Opening) {
                m_stage = Stage::Open;
                m_session = word(d, 14) | 0x8000;
                r.accepted = true;
            }
            r.ours = true;
            r.replies << atem::header(atem::kAck, atem::kHeader, m_client);
            return r;
        case atem::kRejected:
            if (session != m_client || m_stage != Stage::Opening) return r;
            m_stage = Stage::Rejected;
            r.ours = r.rejected = true;
            return r;
        case atem::kClosing:
            if (session != m_session || m_stage != Stage::Open) return r;
            m_stage = Stage::Closed;
            m_held.clear();
            r.ours = r.closed = true;
            r.replies << syn(m_session, atem::kClosed);
            return r;
        case atem::kOpen:
        case atem::kClosed: // the answer to a closing request: that session is over
            return r;
        }
        r.malformed = 1;
        return r;
    }
    if (m_stage != Stage::Open || session != m_session) return r; // an older session's
    r.ours = true;
    if (!(flags & atem::kAckRequest)) return r; // an ack of a keep-alive
    const quint16 id = word(d, 10) & atem::kIdMask;
    const quint16 next = (m_last + 1) & atem::kIdMask;
    const quint16 distance = ahead(id, next);
    if (distance == 0) {
        take(id, d.sliced(atem::kHeader), r);
        for (auto it = m_held.find((m_last + 1) & atem::kIdMask); it != m_held.end();
             it = m_held.find((m_last + 1) & atem::kIdMask)) {
            take(it.key(), it.value(), r);
            m_held.erase(it);
        }
        r.replies << atem::header(atem::kAck, atem::kHeader, m_session, m_last);
        m_asked.reset();
        // Another packet is missing before newer ones seen.
        if (const quint16 newer = ahead(m_newest, m_last); newer != 0 && newer < kHalfRange) {
            m_asked = (m_last + 1) & atem::kIdMask;
            m_aheadSinceAsked = 0;
            r.replies << atem::header(atem::kResendRequest, atem::kHeader, m_session, 0, *m_asked);
        }
    } else if (distance < kHalfRange) {
        if (ahead(id, m_newest) < kHalfRange) m_newest = id;
        if (distance < kMaxHeld) m_held.insert(id, d.sliced(atem::kHeader).toByteArray());
        if (m_asked != next || ++m_aheadSinceAsked >= kAskAgain) {
            m_asked = next;
            m_aheadSinceAsked = 0;
            r.replies << atem::header(atem::kResendRequest, atem::kHeader, m_session, 0, next);
        }
    } else {
        // Taken already: its ack was lost.
        r.replies << atem::header(atem::kAck, atem::kHeader, m_session, m_last);
    }
    return r;
}

void AtemSession::take(quint16 id, QByteArrayView payload, Read &r)
{
    m_last = id;
    if (ahead(id, m_newest) < kHalfRange) m_newest = id;
    if (!payload.isEmpty()) r.payloads << payload.toByteArray();
}

AtemNews AtemReader::feed(QByteArrayView payload)
{
    AtemNews news;
    for (qsizetype at = 0; at < payload.size();) {
        const qsizetype left = payload.size() - at;
        const int length = left >= 8 ? word(payload, at) : 0;
        if (length < 8 || length > left) {
            ++m_malformed;
            break;
        }
        const QByteArrayView name = payload.sliced(at + 4, 4), body = payload.sliced(at + 8, length - 8);
        at += length;
        if (name == "TlIn") {
            const int count = body.size() >= 2 ? word(body, 0) : -1;
            if (count < 0 || count > body.size() - 2) {
                ++m_malformed;
                continue;
            }
            AtemTally tally;
            tally.reserve(count);
            for (const char bits : body.sliced(2, count)) tally << quint8(bits);
            if (m_initialised)
                news.tallies << tally;
            else
                m_dumped = tally;
        } else if (name == "InPr") {
            // The input's id, then its long name: 20 bytes, NUL-padded.
            if (body.size() < 22) {
                ++m_malformed;
                continue;
            }
            const int input = word(body, 0);
            QByteArrayView text = body.sliced(2, 20);
            if (const qsizetype nul = text.indexOf('\0'); nul >= 0) text.truncate(nul);
            if (input >= 1 && input <= 999) news.names.append({input, QString::fromUtf8(text).trimmed()});
        } else if (name == "InCm" && !m_initialised) {
            m_initialised = true;
            if (m_dumped) news.tallies << *std::exchange(m_dumped, std::nullopt);
        }
    }
    return news;
}

} // namespace bridge
