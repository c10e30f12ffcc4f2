#include "platform/commandline.h"
#include "platform/portmap.h"
#include "simulator/simulatorwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("velk"),
                              QStringLiteral("Vision switcher tally simulator: an 8 x 8 lamp panel sent as 13-byte "
                                             "tally frames at 38400 baud, 8E1."));
    cli.addPortsOption();
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;

    // The system's ports are looked up while the application and window are built.
    platform::PortMap ports = platform::PortMap::fromEnvironment(cli.ports());
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("velk"));
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    simulator::SimulatorWindow window(std::move(ports), boxes);
    boxes.setParent(&window);
    window.show();
    return app.exec();
}
