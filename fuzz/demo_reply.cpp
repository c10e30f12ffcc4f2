// kandrel's reply handling: the bounded reply buffer and the address a
// "si"/"id" reply reports; and the lamp cell of any click.
#include "demo/demosequence.h"
#include "link/replycollector.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unitlink::ReplyCollector buffer;
    for (size_t i = 0; i < size; ++i) {
        if (buffer.feed(QByteArrayView(data + i, 1)) != unitlink::ReplyCollector::Fed::Completed) continue;
        if (buffer.text().size() > unitlink::ReplyCollector::kLimit ||
            demo::reportedAddress(buffer.text()).value_or("").size() > 2)
            std::abort();
    }
    double x = 0;
    std::memcpy(&x, data, qMin(size, sizeof x));
    if (const int cell = demo::lampCell(x);
        cell != -1 && !(cell >= 0 && cell < 24 && x >= cell * 200.0 && x < cell * 200.0 + 200.0))
        std::abort();
    return 0;
}
