// A console window on a fresh pty as port 1, its boxes answered by the test.
#pragma once

#include "console/consolewindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"

#include <memory>

namespace testsupport {

struct ConsoleRig {
    Pty pty;
    RecordingBoxes boxes;
    RecordingDialogs dialogs;
    std::unique_ptr<console::ConsoleWindow> w;
    ConsoleRig() { w = std::make_unique<console::ConsoleWindow>(platform::PortMap({pty.slavePath()}), boxes, dialogs); }
};

} // namespace testsupport
