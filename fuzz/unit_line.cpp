// tally-unit's side of the line: whatever bytes a controller or a noisy line
// sends, in reads of any size (the first byte picks it), through the frame
// reader into four units, two of them sharing an address.
#include "unit/unitline.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
// Every character in low..high (0x20..0x7E: printable).
bool within(QByteArrayView text, char low, char high)
{
    return std::all_of(text.begin(), text.end(), [&](char c) { return c >= low && c <= high; });
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const qsizetype chunk = data[0] % 16 + 1;
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));
    unit::FrameReader reader;
    unit::UnitLine line({0x01, 0x07, 0x07, 0xFE});
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        for (const QByteArray &body : reader.feed(bytes.sliced(at, qMin(chunk, bytes.size() - at)))) {
            if (body.size() > unit::FrameReader::kLongestFrame || !within(body, 0x20, 0x7E)) std::abort();
            const QList<QByteArray> replies = line.handle(body);
            if (replies.size() > line.units().size()) std::abort(); // one reply per unit at most
            for (const QByteArray &reply : replies) {
                // STX, a lower-case mnemonic, printable data, ETX; the longest carries an image (66 digits).
                if (reply.size() < 4 || reply.size() > 71) std::abort();
                if (reply.front() != '\x02' || reply.back() != '\x03') std::abort();
                const QByteArray inside = reply.sliced(1, reply.size() - 2);
                if (!within(inside.first(2), 'a', 'z') || !within(inside, 0x20, 0x7E)) std::abort();
                if (!line.handle(inside).isEmpty()) std::abort(); // units never answer units
            }
        }
    }
    for (const unit::Unit &u : line.units())
        if (u.text.size() != 5 || !within(u.text, 0x20, 0x7E) || u.pgmInput < '@' || u.pgmInput > 'p' ||
            u.pvwInput < '@' || u.pvwInput > 'p')
            std::abort();
    return 0;
}
