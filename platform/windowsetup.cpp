#include "platform/windowsetup.h"

#include "platform/language.h"
#include "platform/windowgeometry.h"

#include <QGuiApplication>
#include <QProcessEnvironment>

namespace platform {

void setUpWindows(const CommandLine &commandLine)
{
    QGuiApplication::setDesktopFileName(commandLine.name());
    WindowGeometry::enable(commandLine.resetLayout());
    installTranslation(*QCoreApplication::instance(),
                       chooseLanguage(commandLine.language(), QProcessEnvironment::systemEnvironment()));
}

} // namespace platform
