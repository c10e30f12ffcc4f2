// The console's only reader of the line: collects each reply frame between
// STX and ETX, keeps the line monitor, and acts on the frame at ETX. What
// it shows and asks goes through ReceiverView, so the logic runs (and is
// fuzzed) without widgets.
#pragma once

#include "platform/messageboxes.h"

#include <QByteArray>
#include <QString>

namespace console {

// A reply longer than any the units send is noise; it is dropped whole.
inline constexpr qsizetype kReplyBufferLimit = 4096;

class ReceiverView {
public:
    virtual ~ReceiverView() = default;
    virtual void setStatus(const QString &text) = 0;  // the status line
    virtual QString monitor() const = 0;              // the line monitor
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

    const QString &replyBuffer() const { return ReplyBuffer; }

private:
    void actOnFrame();
    void imageDownload();
    void tallyList(bool program);
    void unitError();
    void inputReport();

    ReceiverView &m_view;
    QString ReplyBuffer;
    bool m_dropping = false;  // an overlong frame: wait for the next STX
};

} // namespace console
