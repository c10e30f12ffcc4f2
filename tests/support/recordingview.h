// What the console's receiver shows, without a window: every character is
// handled before anything is measured.
#pragma once

#include "console/receiver.h"
#include "tests/support/recordingboxes.h"

namespace testsupport {

struct RecordingView : console::ReceiverView {
    QString status, mon, programList, previewList, image, pgmInput = "-", pvwInput = "-";
    int pxr = -1; // never set
    RecordingBoxes recorded;
    void setStatus(const QString &t) override { status = t; }
    QString monitor() const override { return mon; }
    void setMonitor(const QString &t) override { mon = t; }
    void setProgramList(const QString &t) override { programList = t; }
    void setPreviewList(const QString &t) override { previewList = t; }
    void loadImage(const QString &t) override { image = t; }
    void setPxrMode(bool on) override { pxr = on; }
    void clearProgramInput() override { pgmInput.clear(); }
    void showInputs(const QString &pgm, const QString &pvw) override { pgmInput = pgm, pvwInput = pvw; }
    platform::MessageBoxes &boxes() override { return recorded; }
};

// A receiver on a recording view, fed one character per read as the port delivers.
struct ReceiverRig {
    RecordingView view;
    console::Receiver receiver{view};
    void feed(const QByteArray &bytes)
    {
        for (char c : bytes) receiver.OnComm(QByteArray(1, c));
    }
};

} // namespace testsupport
