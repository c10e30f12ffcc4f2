// tally-bridge: takes tally from a vision switcher (its serial tally line,
// TSL UMD 3.1 or 5.0, vMix, a Blackmagic ATEM, OBS) and keeps the units'
// lamps in step.
#include "bridge/config.h"
#include "bridge/http/httpside.h"
#include "bridge/service.h"
#include "bridge/systemd.h"
#include "platform/commandline.h"
#include "platform/portmap.h"
#include "platform/signals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr int kUsage = 2;
constexpr int kCannotOpen = 3;

QString description()
{
    const QString text = QStringLiteral(
        "Takes tally from a vision switcher and keeps the units' PGM and PVW lamps in step: on every change, and "
        "again every refresh period, it sends \"TLY\" with the program inputs and \"TLW\" with the preview inputs "
        "on the unit line. A unit follows the parallel inputs assigned to it (tallyctl input).\n\n"
        "Source n of an input drives parallel input n (1 to %1) unless the config file maps it elsewhere. "
        "Options win over the config file. SIGHUP applies the configuration file again, all of it or, when it "
        "does not read or a new port cannot be opened, none of it; SIGTERM and SIGINT end it.\n\n"
        "Exit status: 0 ended by a signal, %2 usage or configuration, %3 the unit line or a socket that cannot be "
        "opened (a switcher line that is missing is tried again every %4 s).");
    return text.arg(bridge::kParallelInputs)
        .arg(kUsage)
        .arg(kCannotOpen)
        .arg(bridge::seconds(bridge::Timing().retryMs));
}

// The journal stamps each line itself; a terminal or a file needs the time.
bool toJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat err {};
    if (stream.isEmpty() || ::fstat(2, &err) != 0) return false;
    return stream == QByteArray::number(quint64(err.st_dev)) + ':' + QByteArray::number(quint64(err.st_ino));
}

void say(const QString &text)
{
    static const bool stamped = !toJournal();
    QTextStream err(stderr);
    if (stamped) err << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toLatin1();
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
                                  QStringLiteral("The unit line: a device, a port number of --ports, or a bare name "
                                                 "(tally-unit) in the runtime folder as tally-unit --link takes it."),
                                  QStringLiteral("device"));
    const QCommandLineOption refresh(QStringLiteral("refresh"),
                                     QStringLiteral("Send the state again every ms (0: only on change; default %1).")
                                         .arg(bridge::Endpoints().refreshMs),
                                     QStringLiteral("ms"));
    const QCommandLineOption stale(
        QStringLiteral("stale"),
        QStringLiteral("Clear the tally of every input lost for s seconds: a connection "
                       "closed or an ATEM silent, or no message on UDP or the switcher line (default: never)."),
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
    const QCommandLineOption vmix(QStringLiteral("vmix"),
                                  QStringLiteral("vMix's TCP tally (port %1 unless given).").arg(bridge::kVmixPort),
                                  QStringLiteral("host[:port]"));
    const QCommandLineOption atem(
        QStringLiteral("atem"),
        QStringLiteral("A Blackmagic ATEM switcher's tally, UDP (port %1 unless given).").arg(bridge::kAtemPort),
        QStringLiteral("host[:port]"));
    const QCommandLineOption obs(
        QStringLiteral("obs"),
        QStringLiteral("OBS Studio through obs-websocket 5 (port %1 unless given; the password only from [obs] "
                       "password_file).")
            .arg(bridge::kObsPort),
        QStringLiteral("host[:port]"));
    const QCommandLineOption http(QStringLiteral("http"),
                                  QStringLiteral("Serve the status page, /api/state and /metrics (default: off)."),
                                  QStringLiteral("[addr:]port"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log every change of state and its source."));
    p.addOptions(
        {config, line, refresh, stale, switcher, tsl31, tsl31Tcp, tsl5, tsl5Tcp, vmix, atem, obs, http, verbose});
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
              endpoint(tsl5Tcp, into.tsl5Tcp), endpoint(http, into.http),
              whole(refresh, into.refreshMs, bridge::kMaxRefreshMs), whole(stale, into.staleS, bridge::kMaxStaleS)})
            if (!error.isEmpty()) return error;
        if (p.isSet(stale))
            for (std::optional<int> &own : into.staleOf) own.reset();
        if (p.isSet(vmix)) {
            into.vmix = bridge::readRemote(p.value(vmix), bridge::kVmixPort);
            if (!into.vmix) return QStringLiteral("--vmix wants HOST[:PORT]");
        }
        if (p.isSet(atem)) {
            into.atem = bridge::readRemote(p.value(atem), bridge::kAtemPort);
            if (!into.atem) return QStringLiteral("--atem wants HOST[:PORT]");
        }
        if (p.isSet(obs)) {
            into.obs = bridge::readRemote(p.value(obs), bridge::kObsPort);
            if (!into.obs) return QStringLiteral("--obs wants HOST[:PORT]");
        }
        if (p.isSet(switcher)) into.switcher = p.value(switcher);
        if (p.isSet(line)) into.line = p.value(line);
        into.verbose = p.isSet(verbose);
        return {};
    };
    // A port number stands for the device of --ports or TALLY_SERIAL_PORTS.
    const auto lineDevice = [&](bridge::Config &c) -> QString {
        bool isNumber = false;
        if (const int n = c.line.toInt(&isNumber); isNumber) {
            c.line = platform::PortMap::fromEnvironment(cli.ports()).device(n);
            if (c.line.isEmpty()) return QStringLiteral("line: port %1 has no device").arg(n);
        }
        c.line = platform::namedDevice(c.line);
        return {};
    };
    if (const QString error = readAll(c); !error.isEmpty()) {
        say(error);
        return kUsage;
    }
    const auto complete = [](const bridge::Config &c) -> QString {
        if (c.line.isEmpty()) return QStringLiteral("name the unit line with --line or [line] device");
        if (!c.hasInput())
            return QStringLiteral("no input: give --switcher, --tsl31, --tsl31-tcp, --tsl5, --tsl5-tcp, --vmix or "
                                  "--atem, --obs, or enable one in the config file");
        // Found out now, not when the show's first lamp test is refused.
        if (c.httpControl) {
            if (c.httpTokenFile.isEmpty()) return QStringLiteral("[http] control = yes wants a token_file");
            QFile token(c.httpTokenFile);
            if (!token.open(QIODevice::ReadOnly))
                return QStringLiteral("[http] token_file %1: %2").arg(c.httpTokenFile, token.errorString());
            if (token.readLine().trimmed().isEmpty())
                return QStringLiteral("[http] token_file %1: its first line is empty").arg(c.httpTokenFile);
        }
        return {};
    };
    if (const QString error = complete(c); !error.isEmpty()) {
        say(error);
        return kUsage;
    }
    if (const QString error = lineDevice(c); !error.isEmpty()) {
        say(error);
        return kCannotOpen;
    }

    QCoreApplication app(argc, argv);
    std::unique_ptr<bridge::HttpSide> page;
    const auto log = [&page](const QString &text) {
        say(text);
        if (page) page->log(text);
    };
    bridge::Service service(c, log);
    bridge::Systemd systemd;
    platform::SignalWatcher watcher({SIGINT, SIGTERM, SIGHUP});
    bool ending = false;
    QObject::connect(&watcher, &platform::SignalWatcher::caught, &app, [&](int s) {
        // Signals that came together are told one after the other: after
        // the end, none is acted on.
        if (std::exchange(ending, s != SIGHUP || ending)) return;
        if (s != SIGHUP) {
            systemd.stopping();
            // Closed first, so that no input says anything after the last line.
            service.stop();
            log(QStringLiteral("ending on signal %1").arg(s));
            return app.quit();
        }
        systemd.reloading();
        bridge::Config next;
        QString changes, error = readAll(next);
        if (error.isEmpty()) error = complete(next);
        if (error.isEmpty()) error = lineDevice(next);
        if (error.isEmpty()) error = service.reload(next, &changes);
        if (error.isEmpty() && next.http != c.http)
            changes += c.http ? QStringLiteral("; the status page stays on %1 until a restart").arg(c.http->text())
                              : QStringLiteral("; the status page stays off until a restart");
        log(error.isEmpty() ? QStringLiteral("configuration reloaded: ") + changes
                            : QStringLiteral("configuration not reloaded, the old one stays: ") + error);
        systemd.ready();
    });
    if (c.http) {
        page = std::make_unique<bridge::HttpSide>(service);
        if (const QString error = page->listen(*c.http); !error.isEmpty()) {
            say(error);
            return kCannotOpen;
        }
    }
    if (const QString error = service.start(); !error.isEmpty()) {
        say(error);
        return kCannotOpen;
    }
    log(QStringLiteral("configuration loaded%1; line %2")
            .arg(configFile.isEmpty() ? QString() : QStringLiteral(" from ") + configFile, c.line));
    systemd.ready();
    return app.exec();
}
