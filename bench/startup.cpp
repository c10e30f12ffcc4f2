// Start-up: time from process start to the first painted frame of each
// program's window, against a bare Qt window that shows one label with
// Chinese text, taken in turns in the same run; and the resident memory of
// each once its first frame is out. Every program gets one pty as port 1,
// and is timed twice more: with no port at all, and with no list, so that it
// finds the system's serial ports itself as it does on a studio PC.
//
// Usage: startup [runs [bin-dir...]]   (default 20 runs, the programs beside
// this build's bench/; several bin-dirs compare builds side by side)
//
// The first frame is read off each child's own log: Qt's widget painting
// category tells when a window's backing store is first flushed, stamped on
// the same monotonic clock the parent stamps the start with. Offscreen
// unless QT_QPA_PLATFORM says otherwise.
#include "bench/figures.h"
#include "tests/support/pty.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace {
constexpr char kBare[] = "--bare-window";

double monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double rssMiB(qint64 pid)
{
    return double(std::max(0L, bench::residentKiB(QString::number(pid)))) / 1024;
}

// A killed program leaves its serial port's lock file behind; the next one
// would start by clearing a stale lock, which no real start has to do.
void removeLocksOf(qint64 pid)
{
    const QDir locks(QStringLiteral("/var/lock"));
    for (const QString &name : locks.entryList({QStringLiteral("LCK..*")}, QDir::Files)) {
        QFile lock(locks.filePath(name));
        if (lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed().toLongLong() == pid) lock.remove();
    }
}

struct Sample {
    double firstFrameMs = 0, rss = 0;
};

// Starts a program and waits for its first flushed frame; nothing when it
// showed none within the time allowed.
std::optional<Sample> measure(const QString &program, const QStringList &args, QProcessEnvironment env,
                              const std::optional<QString> &ports)
{
    if (ports)
        env.insert("TALLY_SERIAL_PORTS", *ports);
    else
        env.remove("TALLY_SERIAL_PORTS");
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setReadChannel(QProcess::StandardError);
    const double started = monotonicMs();
    child.start(program, args);
    std::optional<Sample> sample;
    QByteArray log;
    while (!sample && child.waitForReadyRead(10000)) {
        log += child.readAllStandardError();
        for (qsizetype end; !sample && (end = log.indexOf('\n')) >= 0; log.remove(0, end + 1)) {
            const QByteArray line = log.left(end);
            if (!line.contains("qt.widgets.painting Flushing")) continue;
            sample = Sample{line.trimmed().split(' ').value(0).toDouble() * 1e3 - started, rssMiB(child.processId())};
        }
    }
    const qint64 pid = child.processId();
    child.kill();
    child.waitForFinished();
    removeLocksOf(pid);
    return sample;
}

int bareWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("泰丽灯显示控制器"));
    label.show();
    return app.exec();
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], kBare) == 0) return bareWindow(argc, argv);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QStringList binDirs;
    for (int i = 2; i < argc; ++i) binDirs << QDir(QString::fromLocal8Bit(argv[i])).absolutePath();
    if (binDirs.isEmpty()) binDirs << QDir(QCoreApplication::applicationDirPath() + "/../bin").absolutePath();

    testsupport::Pty pty;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains("QT_QPA_PLATFORM")) env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_LOGGING_RULES", "qt.widgets.painting.info=true");
    env.insert("QT_MESSAGE_PATTERN", "%{time boot} %{category} %{message}");
    // Every start as the first: no saved window places, and the user's own left alone.
    const QTemporaryDir config;
    env.insert("XDG_CONFIG_HOME", config.path());

    struct Subject {
        QString name, program;
        QStringList args;
        std::vector<double> ms, rss, noPortMs, systemMs;
    };
    std::vector<Subject> subjects{{"bare window", QCoreApplication::applicationFilePath(), {kBare}, {}, {}, {}, {}}};
    for (const QString &dir : binDirs)
        for (const char *name : {"tally", "kandrel", "velk"}) {
            // Tree and build folder, so that two trees' "build" folders differ.
            const QString build = QDir::cleanPath(dir + "/..").section(QLatin1Char('/'), -2);
            const QString label =
                binDirs.size() > 1 ? QStringLiteral("%1 (%2)").arg(name, build) : QString::fromLatin1(name);
            subjects.push_back({label, dir + "/" + name, {}, {}, {}, {}, {}});
        }

    // In turns, so that the machine's other load falls on all alike.
    for (int run = 0; run < runs; ++run)
        for (Subject &s : subjects) {
            // Without a port as well: opening one costs a lock file (written
            // and synced, then removed) per open, which weighs on a busy disk.
            const std::optional<Sample> sample = measure(s.program, s.args, env, pty.slavePath());
            const std::optional<Sample> noPort = measure(s.program, s.args, env, QString());
            const std::optional<Sample> system = measure(s.program, s.args, env, std::nullopt);
            if (!sample || !noPort || !system) {
                std::fprintf(stderr, "%s showed no frame\n", qPrintable(s.program));
                return 1;
            }
            s.ms.push_back(sample->firstFrameMs);
            s.rss.push_back(sample->rss);
            s.noPortMs.push_back(noPort->firstFrameMs);
            s.systemMs.push_back(system->firstFrameMs);
        }

    using bench::median;
    const double bareMs = median(subjects[0].ms), bareRss = median(subjects[0].rss);
    const double bareNoPort = median(subjects[0].noPortMs), bareSystem = median(subjects[0].systemMs);
    std::printf("%d runs each, %s; medians\n", runs, qPrintable(env.value("QT_QPA_PLATFORM")));
    std::printf("%-26s %12s %7s %10s %7s %14s %7s %14s %7s\n", "window", "first frame", "x bare", "RSS", "x bare",
                "without port", "x bare", "system ports", "x bare");
    for (const Subject &s : subjects) {
        const double ms = median(s.ms), rss = median(s.rss), noPort = median(s.noPortMs), system = median(s.systemMs);
        std::printf("%-26s %9.1f ms %7.2f %6.1f MiB %7.2f %11.1f ms %7.2f %11.1f ms %7.2f\n", qPrintable(s.name), ms,
                    ms / bareMs, rss, rss / bareRss, noPort, noPort / bareNoPort, system, system / bareSystem);
    }
    return 0;
}
