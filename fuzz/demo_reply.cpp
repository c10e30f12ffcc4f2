// The demonstration driver's reply handling: the bounded reply buffer and
// the address a "si"/"id" reply reports; and the lamp cell of any click.
#include "demo/demosequence.h"
#include "link/replycollector.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unitlink::ReplyCollector buffer;
    QString text2 = QStringLiteral("??");
    for (size_t i = 0; i < size; ++i) {
        const char c = char(data[i]);
        if (buffer.feed(QByteArrayView(&c, 1)) == unitlink::ReplyCollector::Fed::Completed) {
            if (const std::optional<QString> address = demo::reportedAddress(buffer.text())) text2 = *address;
        }
        if (buffer.text().size() > unitlink::ReplyCollector::kLimit) std::abort();
        if (text2.size() > 2) std::abort();
    }
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        const int cell = demo::lampCell(x);
        if (cell < -1 || cell > 23) std::abort();
        if (cell >= 0 && !(x >= cell * 200.0 && x < cell * 200.0 + 200.0)) std::abort();
    }
    return 0;
}
