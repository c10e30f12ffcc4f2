// The console's only reader of the line: collects each reply frame between
// STX and ETX, keeps the line monitor, and acts on the frame at ETX. What
// it shows and asks goes through ReceiverView, so the logic runs (and is
// fuzzed) without widgets.
#pragma once

#include "link/protocol.h"
#include "link/replycollector.h"
#include "platform/messageboxes.h"

#include <QByteArray>
#include <QString>

namespace console {

class ReceiverView {
public:
    virtual ~ReceiverView() = default;
    virtual void setStatus(const QString &text) = 0; // the status line
    virtual QString monitor() const = 0;             // the line monitor
    virtual void setMonitor(const QString &text) = 0;
    virtual void setProgramList(const QString &text) = 0;
    virtual void setPreviewList(const QString &text) = 0;
    // Puts the hex image text in place and draws the image from it.
    virtual void loadImage(const QString &hexText) = 0;
    // PXR-09 mode on or off, as the operator's click would set it.
    virtual void setPxrMode(bool on) = 0;
    virtual void clearProgramInput() = 0;
    // The inputs as two-digit texts, shown without choosing an entry.
    virtual void showInputs(const QString &pgm, const QString &pvw) = 0;
    virtual platform::MessageBoxes &boxes() = 0;
};

class Receiver {
public:
    explicit Receiver(ReceiverView &view) : m_view(view) {}

    // One read of the port's input: one character, or none.
    void OnComm(const QByteArray &read);

    const QString &replyBuffer() const { return ReplyBuffer.text(); }

private:
    void actOnFrame(const QString &text);
    void imageDownload(const unitlink::Reply &reply);
    void tallyList(const unitlink::Reply &reply);
    void unitError(const unitlink::Reply &reply);
    void inputReport(const unitlink::Reply &reply);

    ReceiverView &m_view;
    unitlink::ReplyCollector ReplyBuffer;
};

} // namespace console
