// tallyctl's commands: one table of their words and arguments, read by
// the dispatcher and by --help alike, and what each does on the line.
#pragma once

#include "cli/session.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

class Output;

// The options the commands read, as the command line gave them.
struct VerbOptions {
    PortChoice port;
    QString output;  // -o: read writes a .LED file
    QString retries; // --retries, read by write
    bool yes = false;
    bool text = false;
    bool hex = false;
    bool pxr = false;
    int count = -1; // --count: frames a watch prints; -1 without end
};

inline constexpr int kDefaultRetries = 2;

// The program's description for --help: the commands, the exit statuses.
QString description();

// Runs the command of that name with its arguments.
int runVerb(const QString &name, const QStringList &args, const VerbOptions &options, Output &output, Session &session);

// The number text is, when it lies from low to high.
std::optional<int> number(const QString &text, int low, int high);

} // namespace cli
