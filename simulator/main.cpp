#include "platform/commandline.h"
#include "platform/windowprogram.h"
#include "simulator/simulatorwindow.h"

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("velk"),
                              QStringLiteral("Vision switcher tally simulator: an 8 x 8 lamp panel sent as 13-byte "
                                             "tally frames at 38400 baud, 8E1."));
    cli.addPortsOption();
    cli.addResetLayoutOption();
    cli.addLanguageOption();
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;
    if (const std::optional<int> exitCode = platform::refuseWithoutDisplay(cli)) return *exitCode;

    platform::WindowProgram program(cli, argc, argv);
    platform::QtMessageBoxes boxes;
    simulator::SimulatorWindow window(std::move(program.ports), boxes);
    boxes.setParent(&window);
    window.show();
    return program.app.exec();
}
