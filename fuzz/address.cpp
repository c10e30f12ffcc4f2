// Address and new-address reading from whatever the operator typed.
#include "link/frame.h"
#include "link/protocol.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString address = unitlink::normaliseAddress(text);
    const unitlink::SetIdStep step = unitlink::setIdStep(text);
    for (const QString &a : {address, step.sent, step.next})
        if (!unitlink::isAddress(a)) std::abort();
    if (step.sent == u"FF" || step.next == u"FF" || step.next == u"00") std::abort();
    const QByteArray frame = unitlink::frame(u"QID", text);
    for (qsizetype i = 1; i + 1 < frame.size(); ++i)
        if (frame[i] < 0x20 || frame[i] > 0x7E) std::abort(); // nothing typed can cut a frame
    return 0;
}
