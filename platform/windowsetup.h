// What every program with windows does once its application exists, the
// virtual unit's window included: names its desktop entry, keeps its
// windows where the operator left them (--reset-layout: not this time) and
// speaks the desktop's language (--lang wins).
#pragma once

#include "platform/commandline.h"

#include <optional>

namespace platform {

void setUpWindows(const CommandLine &commandLine);

// Where there is no display (a plain SSH login), Qt's window platform
// would abort the program: this says so and gives exit status 1 instead.
// Nothing where a display is there, or another platform (offscreen) is
// asked for.
[[nodiscard]] std::optional<int> refuseWithoutDisplay(const CommandLine &commandLine);

} // namespace platform
