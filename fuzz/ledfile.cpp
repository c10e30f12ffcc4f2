// .LED file contents as the open command reads them.
#include "console/dotimage.h"
#include "console/ledfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (qint64(size) > console::kLedFileLimit) return 0;  // refused before reading
    const QByteArrayView bytes(data, qsizetype(size));
    const QString text = console::ledFileText(bytes);
    if (!text.isEmpty() && !text.endsWith(QStringLiteral("\r\n"))) std::abort();
    if (text.size() > 2 * bytes.size() + 2) std::abort();
    const console::DotGrid dots = console::hexToDots(text);
    const QByteArray saved = console::ledFileBytes(console::dotsToHex(dots));
    if (saved.size() != 98) std::abort();
    // A saved file opens to the same image.
    if (console::hexToDots(console::ledFileText(saved)) != dots) std::abort();
    return 0;
}
