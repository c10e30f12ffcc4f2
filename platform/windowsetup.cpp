#include "platform/windowsetup.h"

#include "platform/language.h"
#include "platform/windowgeometry.h"

#include <QGuiApplication>
#include <QProcessEnvironment>

#include <cstdio>

namespace platform {

void setUpWindows(const CommandLine &commandLine)
{
    QGuiApplication::setDesktopFileName(commandLine.name());
    WindowGeometry::enable(commandLine.resetLayout());
    installTranslation(*QCoreApplication::instance(),
                       chooseLanguage(commandLine.language(), QProcessEnvironment::systemEnvironment()));
}

std::optional<int> refuseWithoutDisplay(const CommandLine &commandLine)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool wantsDisplay = platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    if (!wantsDisplay || !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return std::nullopt;
    std::fprintf(stderr, "%s: no display: run it from a desktop session, or under xvfb-run\n",
                 qPrintable(commandLine.name()));
    return 1;
#else
    Q_UNUSED(commandLine);
    return std::nullopt;
#endif
}

} // namespace platform
