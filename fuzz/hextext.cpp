// Hex image text, image replies and upload frames.
#include "console/dotimage.h"
#include "link/frame.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        const unitlink::DotGrid dots = unitlink::hexToDots(text);
        const QString hex = unitlink::dotsToHex(dots);
        if (hex.size() != 96 || unitlink::hexToDots(hex) != dots) std::abort(); // written form reads back the same
        if (unitlink::readImageReply(text).hexText.size() % 3 != 0) std::abort();
        if (unitlink::uploadFrame(u"WRR", unitlink::normaliseAddress(text), text).size() != 73) std::abort();
    }
    return 0;
}
