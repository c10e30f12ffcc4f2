#include "console/consolewindow.h"
#include "platform/commandline.h"
#include "platform/windowprogram.h"

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("tally"),
                              QStringLiteral("Engineering console for ZIDID tally display units on a serial line."));
    cli.addPortsOption();
    cli.addResetLayoutOption();
    cli.addLanguageOption();
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Open the line log window beside the console."));
    cli.parser().addOption(log);
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;
    if (const std::optional<int> exitCode = platform::refuseWithoutDisplay(cli)) return *exitCode;

    platform::WindowProgram program(cli, argc, argv);
    platform::QtMessageBoxes boxes;
    platform::QtFileDialogs dialogs;
    console::ConsoleWindow window(std::move(program.ports), boxes, dialogs);
    boxes.setParent(&window);
    dialogs.setParent(&window);
    window.show();
    if (cli.parser().isSet(log)) window.showLineLog();
    return program.app.exec();
}
