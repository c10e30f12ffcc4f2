// The console's reply handling fed a byte stream, one character per read,
// as the serial component delivers it. Boxes are answered at once.
#include "console/dotimage.h"
#include "console/receiver.h"

#include <cstdint>
#include <cstdlib>

namespace {
struct View : console::ReceiverView, platform::MessageBoxes {
    QString status, mon, programList, previewList, pgmInput, pvwInput;
    bool pxr = false;
    int boxesShown = 0;

    void setStatus(const QString &t) override { status = t; }
    QString monitor() const override { return mon; }
    void setMonitor(const QString &t) override { mon = t; }
    void setProgramList(const QString &t) override { programList = t; }
    void setPreviewList(const QString &t) override { previewList = t; }
    void loadImage(const QString &hexText) override
    {
        const console::DotGrid dots = console::hexToDots(hexText);
        if (console::dotsToHex(dots).size() != 96) std::abort();
    }
    void setPxrMode(bool on) override { pxr = on; }
    void clearProgramInput() override { pgmInput.clear(); }
    void showInputs(const QString &pgm, const QString &pvw) override
    {
        pgmInput = pgm;
        pvwInput = pvw;
    }
    platform::MessageBoxes &boxes() override { return *this; }

protected:
    Button ask(Icon, Buttons buttons, const QString &, const QString &) override
    {
        ++boxesShown;
        return buttons == Buttons::RetryCancel ? Button::Retry : Button::Ok;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    View view;
    console::Receiver receiver(view);
    for (size_t i = 0; i < size; ++i) {
        // A notification without a character now and then, as the port
        // raises for other events.
        receiver.OnComm(data[i] == 0xFE ? QByteArray() : QByteArray(1, char(data[i])));
        if (receiver.replyBuffer().size() > console::kReplyBufferLimit) std::abort();
        if (view.mon.size() > 70) std::abort();
        // Nothing on the line can make a tally list longer than the buffer.
        if (view.programList.size() > 4 + 4 * console::kReplyBufferLimit) std::abort();
    }
    return 0;
}
