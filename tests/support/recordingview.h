// What the console's receiver shows, without a window: every character is
// handled before anything is measured.
#pragma once

#include "console/receiver.h"
#include "tests/support/recordingboxes.h"

namespace testsupport {

struct RecordingView : console::ReceiverView {
    QString status, mon, programList, previewList;
    RecordingBoxes recorded;
    void setStatus(const QString &t) override { status = t; }
    QString monitor() const override { return mon; }
    void setMonitor(const QString &t) override { mon = t; }
    void setProgramList(const QString &t) override { programList = t; }
    void setPreviewList(const QString &t) override { previewList = t; }
    void loadImage(const QString &) override {}
    void setPxrMode(bool) override {}
    void clearProgramInput() override {}
    void showInputs(const QString &, const QString &) override {}
    platform::MessageBoxes &boxes() override { return recorded; }
};

} // namespace testsupport
