// tally-unit: plays tally display units on a pseudo-terminal (or a serial
// device), so that the console and the demonstration driver can be used and
// tested without hardware.
#include "platform/commandline.h"
#include "platform/signals.h"
#include "platform/windowgeometry.h"
#include "platform/windowsetup.h"
#include "unit/devicelink.h"
#include "unit/unitwindow.h"
#include "unit/virtualunits.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPortInfo>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

int main(int argc, char *argv[])
{
    platform::CommandLine cli(
        QStringLiteral("tally-unit"),
        QStringLiteral("Plays ZIDID tally display units on a pseudo-terminal or a serial device."));
    cli.addPositionalArgument(QStringLiteral("device"),
                              QStringLiteral("Serial device to answer on (default: a new pty)."),
                              QStringLiteral("[device]"));
    QCommandLineOption address(QStringLiteral("address"),
                               QStringLiteral("Unit address, two hex digits (repeatable; default 01)."),
                               QStringLiteral("hh"));
    QCommandLineOption prom(QStringLiteral("prom"),
                            QStringLiteral("Keep the units' PROM images in this file across runs."),
                            QStringLiteral("file"));
    QCommandLineOption headlessOption(QStringLiteral("headless"),
                                      QStringLiteral("No window: print every frame received and reply sent."));
    QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("With --headless: print only the device path."));
    QCommandLineOption systemPorts(QStringLiteral("system-ports"),
                                   QStringLiteral("List the system's serial ports and exit (none: prints nothing)."));
    cli.addResetLayoutOption();
    cli.addLanguageOption();
    QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Keep a symbolic link to the device at this path while running, for --ports and scripts, and "
                       "print it as the first line. A bare name is taken in the runtime folder ($XDG_RUNTIME_DIR, "
                       "else /tmp/runtime-USER), where the other programs look a bare name up: --link tally-unit "
                       "there is --ports tally-unit and a running unit the windows find on their own."),
        QStringLiteral("path"));
    QCommandLineParser &parser = cli.parser();
    parser.addOptions({address, prom, headlessOption, quiet, systemPorts, linkOption});
    if (const std::optional<int> exitCode = cli.parse(argc, argv)) return *exitCode;

    const bool headless = parser.isSet(headlessOption) || parser.isSet(systemPorts);
    if (!headless)
        if (const std::optional<int> exitCode = platform::refuseWithoutDisplay(cli)) return *exitCode;
    std::unique_ptr<QCoreApplication> app;
    if (headless) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
        platform::setUpWindows(cli);
    }

    QTextStream out(stdout);
    if (parser.isSet(systemPorts)) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) out << info.systemLocation() << '\n';
        return 0;
    }

    unit::Options options;
    if (parser.isSet(address)) {
        options.addresses.clear();
        for (const QString &a : parser.values(address)) {
            bool ok = false;
            const uint v = a.toUInt(&ok, 16);
            if (!ok || v > 0xFF || a.size() > 2) {
                std::fprintf(stderr, "tally-unit: --address takes two hex digits (00 to FF), not \"%s\"\n",
                             qPrintable(a));
                return 2;
            }
            options.addresses << quint8(v);
        }
    }
    options.promFile = parser.value(prom);
    if (!parser.positionalArguments().isEmpty()) options.device = parser.positionalArguments().constFirst();

    unit::VirtualUnits units(options);
    QString error;
    if (!units.start(&error)) {
        std::fprintf(stderr, "tally-unit: %s\n", qPrintable(error));
        return 1;
    }
    // Made before the first line goes out, so that whoever waits for that
    // line finds the link. A signal ends the run as closing the window does,
    // and the link goes with it.
    unit::DeviceLink link;
    std::optional<platform::SignalWatcher> stop;
    QString shown = units.path();
    QString first = units.path();
    if (parser.isSet(linkOption)) {
        const QString path = unit::DeviceLink::resolve(parser.value(linkOption));
        if (!link.make(path, units.path(), &error)) {
            std::fprintf(stderr, "tally-unit: %s\n", qPrintable(error));
            return 1;
        }
        stop.emplace({SIGINT, SIGTERM, SIGHUP});
        QObject::connect(&*stop, &platform::SignalWatcher::caught, app.get(), &QCoreApplication::quit);
        shown = QStringLiteral("%1 (%2)").arg(path, units.path());
        first = path;
    }
    // The first line is the device the controllers open (scripts read it):
    // the link, where there is one, says where a bare name leads.
    out << first << Qt::endl;

    std::unique_ptr<unit::UnitWindow> window;
    if (headless) {
        if (!parser.isSet(quiet)) units.log = [&out](const QString &line) { out << line << Qt::endl; };
    } else {
        window = std::make_unique<unit::UnitWindow>(units.line(), shown);
        platform::WindowGeometry::remember(window.get(), QStringLiteral("tally-unit"));
        window->show();
    }
    return app->exec();
}
