// tally-bridge's byte readers fed whatever a network or a noisy line sends,
// in reads of any size (the first byte picks it). One source, one target
// per reader (BRIDGE_READER). Each checks what its reader promises.
#include "bridge/atem.h"
#include "bridge/switcher.h"
#include "bridge/tsl31.h"
#include "bridge/tsl5.h"
#include "bridge/vmix.h"

#include <cstdlib>

namespace {
void check(bool ok)
{
    if (!ok) std::abort();
}
// The bytes in reads of step bytes (the last one shorter).
[[maybe_unused]] QList<QByteArrayView> reads(QByteArrayView bytes, qsizetype step)
{
    QList<QByteArrayView> out;
    for (qsizetype at = 0; at < bytes.size(); at += step) out << bytes.sliced(at, std::min(step, bytes.size() - at));
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    [[maybe_unused]] const qsizetype step = data[0] % 32 + 1; // not for the ATEM's datagrams
    const QByteArrayView in(data + 1, qsizetype(size - 1));
    using namespace bridge;
#if BRIDGE_READER == 1
    Tsl31Reader r;
    for (QByteArrayView read : reads(in, step))
        for (const Tsl31Message &m : r.feed(read))
            check(m.address <= 126 && m.control < 0x80 && m.text.size() <= 16 && !m.text.endsWith(' '));
    check(r.pending() < Tsl31Reader::kMessageSize);
#elif BRIDGE_READER == 2
    // Any bytes as a packet (its byte count set right) come back whole
    // through the TCP wrapping, and whatever came before them is dropped
    // (unless it ends in a DLE, which would pair with the wrapping's own).
    QByteArray packet = in.toByteArray();
    if (packet.size() >= 2) packet[0] = char((packet.size() - 2) & 0xFF), packet[1] = char((packet.size() - 2) >> 8);
    if (packet.size() < 2 || packet.size() > 0xFFFF) return 0;
    Tsl5Stream r;
    QByteArray stream = in.first(std::min(step, in.size())).toByteArray();
    while (stream.endsWith(Tsl5Stream::kDle)) stream.chop(1);
    stream += wrapTsl5(packet);
    QList<QByteArray> got;
    for (QByteArrayView read : reads(stream, step)) got += r.feed(read);
    check(!got.isEmpty() && got.last() == packet);
    for (const QByteArray &p : got) (void)readTsl5Packet(p);
#elif BRIDGE_READER == 3
    VmixReader r;
    for (QByteArrayView read : reads(in, step))
        for (const QList<VmixState> &t : r.feed(read))
            for (VmixState s : t) check(s == VmixState::Off || s == VmixState::Program || s == VmixState::Preview);
    check(r.pending() <= VmixReader::kLineLimit);
#elif BRIDGE_READER == 5
    // Datagrams, each a 2-byte length (up to 2048) and its bytes, to an
    // ATEM session that opened as client 0x1234, their commands to its
    // reader. The first byte's bit 0 sets each header's length to the
    // datagram's, bit 1 its session to the one the session expects, so
    // that most datagrams go past the first checks.
    AtemSession session;
    AtemReader reader;
    const quint16 client = 0x1234;
    check(session.open(client).size() == atem::kSynSize);
    qsizetype datagrams = 0, payloads = 0;
    // A reply goes under the client's id (the handshake's ack) or the switcher's.
    const auto wellFormed = [&](const QByteArray &p, quint16 expected) {
        const auto word = [&](qsizetype at) { return quint16(quint8(p[at]) << 8 | quint8(p[at + 1])); };
        check((p.size() == atem::kHeader || p.size() == atem::kSynSize) && (word(0) & atem::kMaxSize) == p.size());
        check((word(2) == expected || word(2) == client) && word(4) <= atem::kIdMask && word(6) <= atem::kIdMask);
    };
    for (qsizetype at = 0; at + 2 <= in.size();) {
        const qsizetype length =
            std::min<qsizetype>((quint8(in[at]) << 8 | quint8(in[at + 1])) % 2049, in.size() - at - 2);
        QByteArray d = in.sliced(at + 2, length).toByteArray();
        at += 2 + length;
        ++datagrams;
        if (d.size() >= atem::kHeader && (data[0] & 1))
            d[0] = char((d[0] & 0xF8) | (d.size() >> 8)), d[1] = char(d.size());
        const bool opening = session.stage() == AtemSession::Stage::Opening;
        const quint16 expected = opening ? client : session.session();
        if (d.size() >= atem::kHeader && (data[0] & 2)) d[2] = char(expected >> 8), d[3] = char(expected);
        const AtemSession::Read r = session.read(d);
        check(!r.accepted || (opening && session.stage() == AtemSession::Stage::Open && session.session() >= 0x8000));
        check(!r.malformed || (!r.ours && r.replies.isEmpty() && r.payloads.isEmpty()));
        for (const QByteArray &reply : r.replies) wellFormed(reply, session.session());
        check(session.held() < AtemSession::kMaxHeld);
        for (const QByteArray &p : r.payloads) {
            check(!p.isEmpty() && p.size() <= atem::kMaxSize - atem::kHeader);
            const AtemNews news = reader.feed(p);
            // A dump's tally may come with a later packet's InCm: within any packet.
            for (const AtemTally &t : news.tallies) check(t.size() <= atem::kMaxSize - atem::kHeader - 10);
            for (const auto &[input, name] : news.names) check(input >= 1 && input <= 999 && name.size() <= 20);
        }
        payloads += r.payloads.size();
        check(payloads <= datagrams);
    }
    if (session.stage() == AtemSession::Stage::Open) {
        const quint16 open = session.session();
        wellFormed(session.keepAlive(), open);
        wellFormed(session.close(), open);
    }
    check(session.keepAlive().isEmpty() && session.close().isEmpty());
#else
    SwitcherReader r;
    for (QByteArrayView read : reads(in, step)) (void)r.feed(read);
    check(r.pending() < switcherlink::kFrameSize);
#endif
    return 0;
}
