// tally-bridge as a process, timed from outside: a TSL 3.1 datagram sent on
// loopback to the first byte of its TLY frame read off the line's pty master.
//   bench/bridge [changes]       latency over that many changes (default 10000),
//                                beside the same path without the bridge
//   then a flood of 20,000 packets a second for 10 s (CPU, RSS, the state
//   the line settles on) and idle CPU with every input open.
// The pty has no baud rate: a real line adds the frames' own time, printed
// separately.
#include "bench/figures.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// A TSL 3.1 message: display address, control byte, 16 characters.
QByteArray tsl31(int address, int control)
{
    return QByteArray(1, char(0x80 + address)) + char(control) + QByteArray(16, ' ');
}

struct Pty {
    int master = -1, slave = -1;
    QByteArray path;
    Pty()
    {
        char name[256] = {};
        termios tio{};
        cfmakeraw(&tio);
        openpty(&master, &slave, name, &tio, nullptr);
        path = name;
    }
    // Waits for a byte; the time it came, or nothing after the deadline.
    bool waitByte(int timeoutMs) const
    {
        pollfd p{master, POLLIN, 0};
        return poll(&p, 1, timeoutMs) == 1;
    }
    QByteArray drain() const
    {
        QByteArray all;
        char buf[4096];
        while (waitByte(0)) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0) break;
            all.append(buf, n);
        }
        return all;
    }
    // Reads until the frames hold count ETX bytes, or the deadline.
    QByteArray frames(int count, int timeoutMs = 2000) const
    {
        QByteArray got;
        const auto start = Clock::now();
        while (got.count('\x03') < count && msSince(start) < timeoutMs) {
            if (!waitByte(10)) continue;
            char buf[512];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) got.append(buf, n);
        }
        return got;
    }
};

int udpSocket(quint16 port = 0)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (port) bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    return fd;
}

quint16 freePort(int type)
{
    const int fd = socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

void sendTo(int fd, quint16 port, const QByteArray &bytes)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr *>(&a), sizeof a);
}

// CPU seconds (user + system) of a process so far.
double cpuSeconds(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> f = stat.readAll().split(')').value(1).trimmed().split(' ');
    return double(f.value(11).toLongLong() + f.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

pid_t startBridge(const QStringList &args)
{
    const QByteArray program = QCoreApplication::applicationDirPath().toLocal8Bit() + "/../bin/tally-bridge";
    std::vector<QByteArray> words{program};
    for (const QString &a : args) words.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, program.constData(), &quiet, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

void print(const char *what, const std::vector<double> &ms)
{
    std::printf("%-34s p50 %.3f ms  p99 %.3f ms  max %.3f ms  (%zu samples)\n", what, bench::median(ms),
                bench::percentile(ms, 0.99), bench::percentile(ms, 1.0), ms.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::atoi(argv[1]) : 10000;

    // The floor: a datagram sent and received, then a frame through a pty.
    {
        Pty line;
        const quint16 port = freePort(SOCK_DGRAM);
        const int in = udpSocket(port), out = udpSocket();
        std::vector<double> ms;
        char buf[64];
        for (int i = 0; i < changes; ++i) {
            const auto t = Clock::now();
            sendTo(out, port, tsl31(1, i % 2 ? 2 : 0));
            recv(in, buf, sizeof buf, 0);
            if (write(line.slave, "\x02TLYA\x03\x02TLW\x03", 12) != 12) break;
            line.waitByte(1000);
            ms.push_back(msSince(t));
            line.drain();
        }
        print("floor (UDP + pty write)", ms);
    }

    // The bridge: each datagram switches input 1's program lamp.
    {
        Pty line;
        const quint16 port = freePort(SOCK_DGRAM);
        const pid_t bridge =
            startBridge({"--line", line.path, "--tsl31", QStringLiteral("127.0.0.1:%1").arg(port), "--refresh", "0"});
        line.frames(2, 5000);
        const int out = udpSocket();
        std::vector<double> ms;
        for (int i = 0; i < changes; ++i) {
            const auto t = Clock::now();
            sendTo(out, port, tsl31(1, i % 2 ? 0 : 2));
            if (!line.waitByte(1000)) {
                std::printf("no frame after change %d\n", i);
                break;
            }
            ms.push_back(msSince(t));
            line.frames(2);
        }
        print("tally-bridge (UDP to first byte)", ms);
        std::printf("%-34s %.1f ms a pair of frames at 9600 baud (12 to 108 characters: 12.5 to 112.5 ms)\n",
                    "on a real line, add", 12 * 10 * 1000.0 / 9600);

        // A flood: 20,000 datagrams a second for 10 s, each a new state.
        const double cpu0 = cpuSeconds(bridge);
        const long rss0 = bench::residentKiB(QString::number(bridge));
        std::atomic<bool> flooding{true};
        QByteArray seen;
        std::thread reader([&] {
            while (flooding) seen += line.drain(), line.waitByte(5);
        });
        const auto start = Clock::now();
        std::vector<long> rss;
        std::array<bool, 49> program{}; // what the line must settle on
        program[1] = false;
        int sent = 0;
        while (msSince(start) < 10000) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(50 * sent));
            const int lit = 1 + sent % 48, dark = 1 + (sent + 24) % 48;
            sendTo(out, port, tsl31(lit, 2) + tsl31(dark, 0));
            program[size_t(lit)] = true;
            program[size_t(dark)] = false;
            if (++sent % 20000 == 0) rss.push_back(bench::residentKiB(QString::number(bridge)));
        }
        const double floodCpu = cpuSeconds(bridge) - cpu0;
        QByteArray letters;
        for (int n = 1; n <= 48; ++n)
            if (program[size_t(n)]) letters += char(64 + n);
        const QByteArray expected = "\x02TLY" + letters + "\x03\x02TLW\x03";
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        flooding = false;
        reader.join();
        seen += line.drain();
        const qsizetype at = seen.lastIndexOf(expected);
        const qsizetype pairsAfter = at < 0 ? -1 : seen.mid(at + expected.size()).count('\x03') / 2;
        std::printf(
            "flood: %d datagrams in 10 s, bridge CPU %.2f s (%.0f%% of a core), RSS %ld KiB before, %ld KiB after (",
            sent, floodCpu, floodCpu * 10, rss0, bench::residentKiB(QString::number(bridge)));
        for (long r : rss) std::printf("%ld ", r);
        std::printf("each second)\n");
        std::printf("flood: the final state is %s\n", at < 0            ? "NOT on the line"
                                                      : pairsAfter == 0 ? "the last pair on the line"
                                                                        : "on the line, then other pairs after it");
        stop(bridge);
    }

    // Idle: every input open, the 200 ms refresh, nothing arriving.
    {
        Pty line, switcher;
        const int vmix = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(vmix, reinterpret_cast<sockaddr *>(&a), sizeof a);
        listen(vmix, 4);
        socklen_t len = sizeof a;
        getsockname(vmix, reinterpret_cast<sockaddr *>(&a), &len);
        const auto at = [](int type) { return QStringLiteral("127.0.0.1:%1").arg(freePort(type)); };
        const pid_t bridge =
            startBridge({"--line", line.path, "--switcher", switcher.path, "--tsl31", at(SOCK_DGRAM), "--tsl31-tcp",
                         at(SOCK_STREAM), "--tsl5", at(SOCK_DGRAM), "--tsl5-tcp", at(SOCK_STREAM), "--vmix",
                         QStringLiteral("127.0.0.1:%1").arg(ntohs(a.sin_port))});
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::atomic<bool> idle{true};
        std::thread reader([&] {
            while (idle) line.drain(), line.waitByte(50);
        });
        const double cpu0 = cpuSeconds(bridge);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double cpu = cpuSeconds(bridge) - cpu0;
        idle = false;
        reader.join();
        std::printf("idle, all inputs open, 200 ms refresh: %.2f%% of a core, RSS %ld KiB\n", cpu * 10,
                    bench::residentKiB(QString::number(bridge)));
        stop(bridge);
        close(vmix);
    }
    return 0;
}
