#include "demo/demowindow.h"
#include "platform/commandline.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("kandrel"),
                              QStringLiteral("Demonstration driver for ZIDID tally display units: the PC clock on "
                                             "one unit, or 24 simulated parallel tally inputs broadcast."));
    cli.addPortsOption();
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("kandrel"));
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    platform::SystemClock clock;
    demo::DemoWindow window(platform::PortMap::fromEnvironment(cli.ports()), boxes, clock);
    boxes.setParent(&window);
    window.show();
    return app.exec();
}
