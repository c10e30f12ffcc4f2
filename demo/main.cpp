#include "demo/demowindow.h"
#include "platform/commandline.h"
#include "platform/windowprogram.h"

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("kandrel"),
                              QStringLiteral("Demonstration driver for ZIDID tally display units: the PC clock on "
                                             "one unit, or 24 simulated parallel tally inputs broadcast."));
    cli.addPortsOption();
    cli.addResetLayoutOption();
    cli.addLanguageOption();
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;
    if (const std::optional<int> exitCode = platform::refuseWithoutDisplay(cli)) return *exitCode;

    platform::WindowProgram program(cli, argc, argv);
    platform::QtMessageBoxes boxes;
    platform::SystemClock clock;
    demo::DemoWindow window(std::move(program.ports), boxes, clock);
    boxes.setParent(&window);
    window.show();
    return program.app.exec();
}
