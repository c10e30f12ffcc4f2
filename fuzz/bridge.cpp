// tally-bridge's byte readers fed whatever a network or a noisy line sends,
// in reads of any size (the first byte picks it). One source, one target
// per reader (BRIDGE_READER). Each checks what its reader promises.
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
QList<QByteArrayView> reads(QByteArrayView bytes, qsizetype step)
{
    QList<QByteArrayView> out;
    for (qsizetype at = 0; at < bytes.size(); at += step) out << bytes.sliced(at, std::min(step, bytes.size() - at));
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    const qsizetype step = data[0] % 32 + 1;
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
#else
    SwitcherReader r;
    for (QByteArrayView read : reads(in, step)) (void)r.feed(read);
    check(r.pending() < switcherlink::kFrameSize);
#endif
    return 0;
}
