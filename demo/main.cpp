#include "demo/demowindow.h"
#include "platform/commandline.h"
#include "platform/portmap.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("kandrel"),
                              QStringLiteral("Demonstration driver for ZIDID tally display units: the PC clock on "
                                             "one unit, or 24 simulated parallel tally inputs broadcast."));
    cli.addPortsOption();
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;

    // The system's ports are looked up while the application and window are built.
    platform::PortMap ports = platform::PortMap::fromEnvironment(cli.ports());
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("kandrel"));
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    platform::SystemClock clock;
    demo::DemoWindow window(std::move(ports), boxes, clock);
    boxes.setParent(&window);
    window.show();
    return app.exec();
}
