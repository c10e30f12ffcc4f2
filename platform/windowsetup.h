// What every program with windows does once its application exists, the
// virtual unit's window included: names its desktop entry, keeps its
// windows where the operator left them (--reset-layout: not this time) and
// speaks the desktop's language (--lang wins).
#pragma once

#include "platform/commandline.h"

namespace platform {

void setUpWindows(const CommandLine &commandLine);

} // namespace platform
