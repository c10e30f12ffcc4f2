#include "console/consolewindow.h"
#include "platform/commandline.h"
#include "platform/portmap.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("tally"),
                              QStringLiteral("Engineering console for ZIDID tally display units on a serial line."));
    cli.addPortsOption();
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Open the line log window beside the console."));
    cli.parser().addOption(log);
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;

    // The system's ports are looked up while the application and window are built.
    platform::PortMap ports = platform::PortMap::fromEnvironment(cli.ports());
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("tally"));
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    platform::QtFileDialogs dialogs;
    console::ConsoleWindow window(std::move(ports), boxes, dialogs);
    boxes.setParent(&window);
    dialogs.setParent(&window);
    window.show();
    if (cli.parser().isSet(log)) window.showLineLog();
    return app.exec();
}
