// .LED file contents as the open command reads them: a saved image opens to the same image.
#include "link/ledfile.h"
#include "console/dotimage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = unitlink::ledFileText(QByteArrayView(data, qsizetype(size)));
    if (!text.isEmpty() && !text.endsWith(QStringLiteral("\r\n"))) std::abort();
    const unitlink::DotGrid dots = unitlink::hexToDots(text);
    if (unitlink::hexToDots(unitlink::ledFileText(unitlink::ledFileBytes(unitlink::dotsToHex(dots)))) != dots)
        std::abort();
    return 0;
}
