// What each window program builds before its window, in this order: the
// port map, so that the system's ports are looked up while the rest is
// built, then the application with the suite's font, desktop entry and the
// windows' language (--lang, else the desktop's); its windows keep where the
// operator left them (--reset-layout: not this time). SIGINT, SIGTERM and
// SIGHUP (a logout, a kill, Ctrl+C in the terminal) end it as closing the
// window does, so its port is closed and its lock file goes.
#pragma once

#include "platform/commandline.h"
#include "platform/portmap.h"
#include "platform/signals.h"
#include "platform/windowsetup.h"

#include <QApplication>

namespace platform {

struct WindowProgram {
    // The command line (with addResetLayoutOption) has been read; argc must outlive the program.
    WindowProgram(const CommandLine &commandLine, int &argc, char **argv);

    PortMap ports;
    QApplication app;
    SignalWatcher stop;
};

} // namespace platform
