// The console's reply handling fed a byte stream, one character per read
// (0xFE: a notification without one), as the serial component delivers it.
#include "tests/support/recordingview.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    testsupport::RecordingView view;
    console::Receiver receiver(view);
    for (size_t i = 0; i < size; ++i) {
        receiver.OnComm(data[i] == 0xFE ? QByteArray() : QByteArray(1, char(data[i])));
        if (receiver.replyBuffer().size() > unitlink::ReplyCollector::kLimit || view.mon.size() > 70) std::abort();
        if (view.image.size() % 3 != 0) std::abort();
    }
    return 0;
}
