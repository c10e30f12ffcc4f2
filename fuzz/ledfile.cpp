// .LED file contents as the open command reads them: a saved image opens to the same image.
#include "console/ledfile.h"
#include "console/dotimage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = console::ledFileText(QByteArrayView(data, qsizetype(size)));
    if (!text.isEmpty() && !text.endsWith(QStringLiteral("\r\n"))) std::abort();
    const console::DotGrid dots = console::hexToDots(text);
    if (console::hexToDots(console::ledFileText(console::ledFileBytes(console::dotsToHex(dots)))) != dots) std::abort();
    return 0;
}
