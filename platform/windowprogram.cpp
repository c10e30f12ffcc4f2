#include "platform/windowprogram.h"

#include "platform/language.h"
#include "platform/windowgeometry.h"

#include <QFont>

#include <csignal>

namespace platform {

WindowProgram::WindowProgram(const CommandLine &commandLine, int &argc, char **argv)
    : ports(PortMap::fromEnvironment(commandLine.ports())), app(argc, argv), stop({SIGINT, SIGTERM, SIGHUP})
{
    QObject::connect(&stop, &SignalWatcher::caught, &app, &QCoreApplication::quit);
    QGuiApplication::setDesktopFileName(commandLine.name());
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    WindowGeometry::enable(commandLine.resetLayout());
    installTranslation(app, chooseLanguage(commandLine.language(), QProcessEnvironment::systemEnvironment()));
}

} // namespace platform
