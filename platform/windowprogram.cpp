#include "platform/windowprogram.h"

#include "platform/windowsetup.h"

#include <QFont>

#include <csignal>

namespace platform {

WindowProgram::WindowProgram(const CommandLine &commandLine, int &argc, char **argv)
    : ports(PortMap::fromEnvironment(commandLine.ports())), app(argc, argv), stop({SIGINT, SIGTERM, SIGHUP})
{
    QObject::connect(&stop, &SignalWatcher::caught, &app, &QCoreApplication::quit);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    setUpWindows(commandLine);
}

} // namespace platform
