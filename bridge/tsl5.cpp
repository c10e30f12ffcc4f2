#include "bridge/tsl5.h"

#include <QtEndian>

namespace bridge {

namespace {

constexpr qsizetype kHeaderSize = 6;  // PBC, VER, FLAGS, SCREEN
constexpr qsizetype kMessageHead = 6; // INDEX, CONTROL, LENGTH
constexpr quint16 kControlData = 0x8000;
constexpr quint8 kUnicodeText = 0x01;

quint16 word(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

} // namespace

std::optional<Tsl5Packet> readTsl5Packet(QByteArrayView bytes)
{
    if (bytes.size() < kHeaderSize || word(bytes, 0) != bytes.size() - 2) return std::nullopt;
    const bool unicode = quint8(bytes[3]) & kUnicodeText;
    Tsl5Packet packet{word(bytes, 4), {}};
    for (qsizetype at = kHeaderSize; at < bytes.size();) {
        if (bytes.size() - at < kMessageHead) return std::nullopt;
        const quint16 control = word(bytes, at + 2);
        const qsizetype length = word(bytes, at + 4);
        if (bytes.size() - at - kMessageHead < length) return std::nullopt;
        const QByteArrayView text = bytes.sliced(at + kMessageHead, length);
        if (!(control & kControlData)) {
            Tsl5Display display{word(bytes, at), control, {}};
            if (unicode)
                display.text = QString::fromUtf16(reinterpret_cast<const char16_t *>(text.data()), length / 2);
            else
                display.text = QString::fromLatin1(text);
            packet.displays.append(std::move(display));
        }
        at += kMessageHead + length;
    }
    return packet;
}

QList<QByteArray> Tsl5Stream::feed(QByteArrayView bytes)
{
    QList<QByteArray> packets;
    for (const char c : bytes) {
        if (m_afterDle) {
            m_afterDle = false;
            if (c == kStx) {
                // A new packet: one under way was cut short.
                if (m_inPacket) garbage();
                m_inPacket = true;
                m_inGarbage = false;
                m_packet.clear();
                continue;
            }
            if (c != kDle) {
                garbage(); // a lone DLE belongs to no packet
                continue;
            }
        } else if (c == kDle) {
            m_afterDle = true;
            continue;
        }
        if (!m_inPacket) {
            garbage();
            continue;
        }
        m_packet += c;
        if (m_packet.size() >= 2 && m_packet.size() == word(m_packet, 0) + 2) {
            packets.append(std::exchange(m_packet, {}));
            m_inPacket = false;
        }
    }
    return packets;
}

// Counts a run of bytes that are no packet once, however long it is.
void Tsl5Stream::garbage()
{
    if (!m_inGarbage) ++m_malformed;
    m_inGarbage = true;
    m_inPacket = false;
    m_packet.clear();
}

QByteArray wrapTsl5(QByteArrayView packet)
{
    QByteArray out;
    out.reserve(packet.size() + 4);
    out += Tsl5Stream::kDle;
    out += Tsl5Stream::kStx;
    for (const char c : packet) {
        out += c;
        if (c == Tsl5Stream::kDle) out += c;
    }
    return out;
}

} // namespace bridge
