// What the bridge listens to, how it reads each input and where it sends
// the lamps: defaults, then the --config file, then the command line.
#pragma once

#include "bridge/atem.h"
#include "bridge/obs.h"
#include "bridge/tallystate.h"
#include "bridge/tsl5.h"
#include "bridge/vmix.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <optional>

namespace bridge {

// "[ADDR:]PORT": where a listener binds (any address when none is given).
struct Endpoint {
    QHostAddress address = QHostAddress::Any;
    quint16 port = 0;
    QString text() const;
    friend bool operator==(const Endpoint &, const Endpoint &) = default;
};
std::optional<Endpoint> readEndpoint(const QString &text);

// "HOST[:PORT]": where a client connects.
struct Remote {
    QString host;
    quint16 port = 0;
    QString text() const { return host + QLatin1Char(':') + QString::number(port); }
};
std::optional<Remote> readRemote(const QString &text, quint16 defaultPort);

// "Wide:20, \"Studio A, left\":21": names to parallel inputs, a name that
// holds a comma or a colon in quotes. Empty when read into map, else why not.
QString readNameMap(const QString &text, QHash<QString, int> &map);

// "text:red": which of a TSL 5 display's tallies, and in which colour, means
// program or preview. Amber is red and green at once.
struct Tsl5Rule {
    Tsl5Lamp lamp = Tsl5Lamp::Text;
    Tsl5Colour colour = Tsl5Colour::Red;
    bool matches(const Tsl5Display &display) const
    {
        const int shown = int(display.colour(lamp));
        return (shown & int(colour)) == int(colour);
    }
};

// The ranges the file and the command line allow.
inline constexpr int kMaxRefreshMs = 60000;
inline constexpr int kMaxStaleS = 86400;
inline constexpr int kMaxNameLength = 32; // a lamp's label on the status page

// Defaults, shared rather than written into every Config (GCC 12 at -O3
// warns of the inlined initialiser lists as maybe uninitialised).
inline const QList<int> kEveryId{0, 1, 2, 3, 4, 5, 6, 7};
inline const QList<int> kTsl31ProgramBits{2};
inline const QList<int> kTsl31PreviewBits{1};

// How long the bridge waits on a peer. Fixed for the studio; tests shorten
// them.
struct Timing {
    int connectMs = 2000;    // an outgoing connection not made by then is tried again
    int retryMs = 2000;      // between attempts to open or connect
    int pollMs = 2000;       // a connected switcher is asked for its tally
    int silenceMs = 5000;    // a connection with no byte for this long is dead
    int quietMs = 5000;      // a switcher line with no frame for this long is told of
    int reportMs = 60000;    // a failure that repeats is told again after this long
    int saveMs = 100;        // the state file is written at most this often
    int lostMs = 3000;       // an ATEM that sends no packet for this long is lost
    int keepAliveMs = 1000;  // an ATEM session is shown the bridge is alive this often
    int authRetryMs = 30000; // after a refused password: not in a loop
};

// One input the configuration opens: "tsl31 udp" with where it listens.
// Its id stays when its endpoint moves, so a reload can tell the two apart.
struct InputSpec {
    Kind kind;
    QString transport; // "udp", "tcp", or empty for vmix, atem, obs and the switcher
    QString endpoint;  // [ADDR:]PORT, HOST:PORT or the device
    QString id() const { return transport.isEmpty() ? kindName(kind) : kindName(kind) + QLatin1Char(' ') + transport; }
    QString name() const { return id() + QLatin1Char(' ') + endpoint; }
    friend bool operator==(const InputSpec &, const InputSpec &) = default;
};

// What the bridge opens: the unit line and how often it is sent again, the
// state file, each input's endpoint, and how long it waits on each. A
// reload opens what changed here and nothing else.
struct Endpoints {
    // The unit line: a device path or a port number of --ports.
    QString line;
    int refreshMs = 200;
    QString statePath; // where the lamps' state is kept across restarts; empty: not kept
    Timing timing;

    std::optional<QString> switcher;
    std::optional<Endpoint> tsl31Udp, tsl31Tcp, tsl5Udp, tsl5Tcp;
    std::optional<Remote> vmix;
    std::optional<Remote> atem;
    std::optional<Remote> obs;
    // OBS's password: this file, or the systemd credential of its name.
    QString obsPasswordFile;
    std::optional<Endpoint> http; // the status page; none: no HTTP at all

    bool hasInput() const { return !inputs().isEmpty(); }
    QList<InputSpec> inputs() const;
};

// What the inputs' messages mean for the lamps: which IDs, tally bits and
// TSL 5 lamps are program and preview, which sources drive which parallel
// input, and how long a lost input's tally still counts. Read live by
// every input, so a reload takes the new one whole.
struct Mapping {
    int staleS = 0;                     // 0: an input's last state stays for ever
    std::optional<int> staleOf[kKinds]; // an input section's own stale_s
    int stale(Kind kind) const { return staleOf[int(kind)].value_or(staleS); }

    QList<int> programIds = kEveryId;
    QList<int> previewIds;

    QList<int> tsl31Program = kTsl31ProgramBits, tsl31Preview = kTsl31PreviewBits; // tally bits 1 to 4
    Tsl5Rule tsl5Program{Tsl5Lamp::Text, Tsl5Colour::Red};
    Tsl5Rule tsl5Preview{Tsl5Lamp::Text, Tsl5Colour::Green};
    std::optional<int> tsl5Screen; // none: every screen

    SourceMap maps[kKinds];
    QHash<QString, int> obsNames; // OBS's scenes and sources that end in no number

    // What the status page calls each parallel input ("CAM 1"); empty:
    // whatever lights it says.
    QString names[kParallelInputs + 1];
    // Whether the status page may run a lamp test, and the file whose
    // first line is the token it must be given.
    bool httpControl = false;
    QString httpTokenFile;
};

// Everything the file and the command line give: what is opened, what the
// messages mean, and whether every change is logged.
struct Config : Endpoints, Mapping {
    bool verbose = false;
};

// Reads a config file over config. Empty on success, else the error, naming
// the file, the line and the key ("bridge.conf:7: [tsl31] map: input 49 is
// not 1 to 48"). A key or section given twice, a source mapped twice and an
// empty value are errors: the file must say one thing.
QString readConfigFile(const QString &path, Config &config);

} // namespace bridge
