// tallyctl: the unit commands from a shell. The whole program is run(), so
// that tests call it in-process against virtual units on a pty.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace cli {

enum Exit {
    kDone = 0,
    kNoReply = 1,
    kUsage = 2,
    kPortFailure = 3, // the port (or a file) could not be used
    kVerifyFailure = 4,
    kUnitError = 5,
    kInterrupted = 130, // SIGINT or SIGTERM while waiting on the line, as a shell counts Ctrl+C
};

// One command line, args[0] being the program name. Results go to out, one
// line (or one JSON object) each; messages to err. Gives the exit code.
int run(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace cli
