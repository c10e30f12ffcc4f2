// tally-bridge: takes tally from a vision switcher (its serial tally line,
// TSL UMD 3.1 or 5.0, vMix) and keeps the units' lamps in step.
#include "bridge/config.h"
#include "bridge/service.h"
#include "bridge/systemd.h"
#include "platform/commandline.h"
#include "platform/portmap.h"
#include "platform/signals.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTextStream>

#include <csignal>
#include <cstdio>

namespace {

constexpr int kUsage = 2;
constexpr int kCannotOpen = 3;

QString description()
{
    return QStringLiteral(
        "Takes tally from a vision switcher and keeps the units' PGM and PVW lamps in step: on every change, and "
        "again every refresh period, it sends \"TLY\" with the program inputs and \"TLW\" with the preview inputs "
        "on the unit line. A unit follows the parallel inputs assigned to it (tallyctl input).\n\n"
        "Source n of an input drives parallel input n (1 to 48) unless the config file maps it elsewhere. "
        "Options win over the config file. SIGHUP reads the mapping again; SIGTERM and SIGINT end it.\n\n"
        "Exit status: 0 ended by a signal, 2 usage or configuration, 3 a port or socket that cannot be opened.");
}

void say(const QString &text)
{
    QTextStream err(stderr);
    err << "tally-bridge: " << text << '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    platform::CommandLine cli(QStringLiteral("tally-bridge"), description());
    cli.addPortsOption();
    QCommandLineParser &p = cli.parser();
    const QCommandLineOption config(QStringLiteral("config"), QStringLiteral("Read the configuration (INI) from file."),
                                    QStringLiteral("file"));
    const QCommandLineOption line(QStringLiteral("line"),
                                  QStringLiteral("The unit line: a device, or a port number of --ports."),
                                  QStringLiteral("device"));
    const QCommandLineOption refresh(QStringLiteral("refresh"),
                                     QStringLiteral("Send the state again every ms (0: only on change; default 200)."),
                                     QStringLiteral("ms"));
    const QCommandLineOption stale(
        QStringLiteral("stale"), QStringLiteral("Clear an input's tally after s seconds of silence (default: never)."),
        QStringLiteral("s"));
    const QCommandLineOption switcher(QStringLiteral("switcher"),
                                      QStringLiteral("A switcher's serial tally line (38400 8E1)."),
                                      QStringLiteral("device"));
    const QCommandLineOption tsl31(QStringLiteral("tsl31"), QStringLiteral("TSL UMD 3.1 on UDP."),
                                   QStringLiteral("[addr:]port"));
    const QCommandLineOption tsl31Tcp(QStringLiteral("tsl31-tcp"), QStringLiteral("TSL UMD 3.1 on TCP."),
                                      QStringLiteral("[addr:]port"));
    const QCommandLineOption tsl5(QStringLiteral("tsl5"), QStringLiteral("TSL UMD 5.0 on UDP."),
                                  QStringLiteral("[addr:]port"));
    const QCommandLineOption tsl5Tcp(QStringLiteral("tsl5-tcp"), QStringLiteral("TSL UMD 5.0 on TCP."),
                                     QStringLiteral("[addr:]port"));
    const QCommandLineOption vmix(QStringLiteral("vmix"), QStringLiteral("vMix's TCP tally (port 8099 unless given)."),
                                  QStringLiteral("host[:port]"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log every change of state and its source."));
    p.addOptions({config, line, refresh, stale, switcher, tsl31, tsl31Tcp, tsl5, tsl5Tcp, vmix, verbose});
    if (const std::optional<int> done = cli.parse(argc, argv)) return *done;

    bridge::Config c;
    const QString configFile = p.value(config);
    const auto readAll = [&](bridge::Config &into) -> QString {
        into = {};
        if (!configFile.isEmpty())
            if (QString error = bridge::readConfigFile(configFile, into); !error.isEmpty()) return error;
        const auto endpoint = [&](const QCommandLineOption &o, std::optional<bridge::Endpoint> &field) -> QString {
            if (!p.isSet(o)) return {};
            field = bridge::readEndpoint(p.value(o));
            return field ? QString() : QStringLiteral("--%1 wants [ADDR:]PORT").arg(o.names().first());
        };
        const auto whole = [&](const QCommandLineOption &o, int &field, int high) -> QString {
            if (!p.isSet(o)) return {};
            bool ok = false;
            field = p.value(o).toInt(&ok);
            return ok && field >= 0 && field <= high
                       ? QString()
                       : QStringLiteral("--%1 wants 0 to %2").arg(o.names().first()).arg(high);
        };
        for (const QString &error :
             {endpoint(tsl31, into.tsl31Udp), endpoint(tsl31Tcp, into.tsl31Tcp), endpoint(tsl5, into.tsl5Udp),
              endpoint(tsl5Tcp, into.tsl5Tcp), whole(refresh, into.refreshMs, 60000), whole(stale, into.staleS, 86400)})
            if (!error.isEmpty()) return error;
        if (p.isSet(vmix)) {
            into.vmix = bridge::readRemote(p.value(vmix), bridge::kVmixPort);
            if (!into.vmix) return QStringLiteral("--vmix wants HOST[:PORT]");
        }
        if (p.isSet(switcher)) into.switcher = p.value(switcher);
        if (p.isSet(line)) into.line = p.value(line);
        into.verbose = p.isSet(verbose);
        return {};
    };
    if (const QString error = readAll(c); !error.isEmpty()) {
        say(error);
        return kUsage;
    }
    if (c.line.isEmpty()) {
        say(QStringLiteral("name the unit line with --line or [line] device"));
        return kUsage;
    }
    if (!c.hasInput()) {
        say(QStringLiteral("no input: give --switcher, --tsl31, --tsl31-tcp, --tsl5, --tsl5-tcp or --vmix, or enable "
                           "one in the config file"));
        return kUsage;
    }
    // A port number stands for the device of --ports or TALLY_SERIAL_PORTS.
    bool isNumber = false;
    if (const int n = c.line.toInt(&isNumber); isNumber) {
        c.line = platform::PortMap::fromEnvironment(cli.ports()).device(n);
        if (c.line.isEmpty()) {
            say(QStringLiteral("line: port %1 has no device").arg(n));
            return kCannotOpen;
        }
    }

    QCoreApplication app(argc, argv);
    bridge::Service service(c, say);
    bridge::Systemd systemd;
    platform::SignalWatcher watcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&watcher, &platform::SignalWatcher::caught, &app, [&](int s) {
        if (s != SIGHUP) {
            systemd.stopping();
            say(QStringLiteral("ending on signal %1").arg(s));
            return app.quit();
        }
        systemd.reloading();
        const auto reloaded = qScopeGuard([&] { systemd.ready(); });
        bridge::Config next;
        if (const QString error = readAll(next); !error.isEmpty())
            return say(QStringLiteral("configuration not reloaded, the old one stays: ") + error);
        service.reload(next);
        say(QStringLiteral("configuration reloaded"));
    });
    if (const QString error = service.start(); !error.isEmpty()) {
        say(error);
        return kCannotOpen;
    }
    say(QStringLiteral("configuration loaded%1; line %2")
            .arg(configFile.isEmpty() ? QString() : QStringLiteral(" from ") + configFile, c.line));
    systemd.ready();
    return app.exec();
}
