// Address and new-address reading from whatever the operator typed.
#include "link/frame.h"

#include <cstdint>
#include <cstdlib>

namespace {
bool twoUpperHex(const QString &s)
{
    if (s.size() != 2) return false;
    for (QChar c : s)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    const QString address = unitlink::normaliseAddress(text);
    if (!twoUpperHex(address)) std::abort();
    if (unitlink::normaliseAddress(address) != address) std::abort();
    const unitlink::LeadingHex h = unitlink::readLeadingHex(text);
    if (h.digits > text.size()) std::abort();

    const unitlink::SetIdStep step = unitlink::setIdStep(text);
    if (!twoUpperHex(step.sent) || !twoUpperHex(step.next)) std::abort();
    if (step.sent == u"FF" || step.next == u"FF" || step.next == u"00") std::abort();

    const QByteArray frame = unitlink::frame(u"QID", text);
    for (qsizetype i = 1; i + 1 < frame.size(); ++i)
        if (frame[i] < 0x20 || frame[i] > 0x7E) std::abort();  // nothing typed can cut a frame
    return 0;
}
