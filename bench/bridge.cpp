// tally-bridge as a process, timed from outside: TSL 3.1 sent on loopback,
// TLY frames read off the line's pty master.
//   bench/bridge [changes] [page changes]
//   - latency from a datagram to the first byte of its TLY frame over that
//     many changes (default 2000, one a pair's line time), beside the same
//     path without the bridge;
//   - the same latency with 32 page clients (--http) reading the WebSocket;
//   - latency from a datagram to the WebSocket update that shows it, one
//     page client, over that many page changes (default 10,000, 2 ms apart),
//     and a fifth of them 3 ms apart;
//   - a flood of 20,000 changes a second for 10 s: CPU, RSS, the state the
//     line settles on; idle CPU with every input open;
//   - under a flood of 150,000 datagrams a second on one UDP input: SIGTERM
//     to exit, a change on a second (TCP) input to its TLY frame, and the
//     200 ms refresh's period while the flood repeats one state;
//   - the line read at 9600 baud's pace (960 characters a second): the
//     spacing of pairs under a flood of changes, and what still comes once
//     it stops;
//   - with a state file in the config: a restart's first pair;
//   - an ATEM's tally by index (TlIn), from a switcher played on loopback,
//     to the first byte of its pair on the line, over that many changes.
// The pty has no baud rate of its own: apart from the line-speed reader, a
// real line adds the frames' own time, printed separately.
// Every wait has a deadline: a bridge that does not end within 5 s of
// SIGTERM is killed and reported, never waited for.
#include "bench/figures.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <tuple>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A TSL 3.1 message: display address, control byte, 16 characters.
QByteArray tsl31(int address, int control)
{
    return QByteArray(1, char(0x80 + address)) + char(control) + QByteArray(16, ' ');
}

constexpr int kProgram = 0x02; // tally 2

// Datagrams that each change the state when sent in turn: address a lit, the
// one half way round dark, a going round 1..n.
std::vector<QByteArray> changes(int n)
{
    std::vector<QByteArray> out;
    for (int k = 0; k < n; ++k) out.push_back(tsl31(1 + k, kProgram) + tsl31(1 + (k + n / 2) % n, 0));
    return out;
}

// The program inputs, as TLY carries them, once the first `sent` datagrams
// of the cycle have been taken in order.
QByteArray programAfter(const std::vector<QByteArray> &cycle, long long sent)
{
    std::array<bool, 127> program{};
    for (long long i = 0; i < sent; ++i) {
        const QByteArray &d = cycle[size_t(i % qsizetype(cycle.size()))];
        for (qsizetype at = 0; at + 18 <= d.size(); at += 18) program[quint8(d[at]) - 0x80] = d[at + 1] & kProgram;
    }
    QByteArray letters;
    for (int n = 1; n <= 48; ++n)
        if (program[size_t(n)]) letters += char('@' + n);
    return letters;
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
    ~Pty()
    {
        close(master);
        close(slave);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
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
    // Bytes written to the line and not yet read.
    int queued() const
    {
        int n = 0;
        return ioctl(master, FIONREAD, &n) == 0 ? n : -1;
    }
};

// The line's pty master, read by a thread of its own: each pair's TLY frame,
// with the times its first and last bytes were read. At bytesPerSecond it
// reads one character at a time no faster than a UART would send them, so
// the pty's queue stands in for the device's, and the times are those a
// line would send them at; at 0 as fast as they come.
class LineReader {
public:
    struct Pair {
        Clock::time_point start, end;
        QByteArray program; // the TLY letters
        bool lit(int input) const { return program.contains(char('@' + input)); }
    };

    explicit LineReader(const Pty &line, double bytesPerSecond = 0)
        : m_fd(line.master), m_thread([this, bytesPerSecond] { bytesPerSecond > 0 ? paced(bytesPerSecond) : run(); })
    {}
    ~LineReader()
    {
        m_on = false;
        m_thread.join();
    }

    std::vector<Pair> pairs() const
    {
        std::lock_guard lock(m_mutex);
        return m_pairs;
    }
    size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_pairs.size();
    }
    // How many pairs so far, and the last of them.
    std::pair<size_t, std::optional<Pair>> latest() const
    {
        std::lock_guard lock(m_mutex);
        if (m_pairs.empty()) return {0, std::nullopt};
        return {m_pairs.size(), m_pairs.back()};
    }
    // The first pair from index `from` on that `want` accepts, waiting up to
    // timeoutMs for it.
    std::optional<Pair> waitFor(size_t from, int timeoutMs, const std::function<bool(const Pair &)> &want) const
    {
        std::unique_lock lock(m_mutex);
        const auto deadline = Clock::now() + milliseconds(timeoutMs);
        do {
            for (; from < m_pairs.size(); ++from)
                if (want(m_pairs[from])) return m_pairs[from];
        } while (m_arrived.wait_until(lock, deadline) != std::cv_status::timeout || from < m_pairs.size());
        return std::nullopt;
    }
    std::optional<Pair> waitFirst(int timeoutMs) const
    {
        return waitFor(0, timeoutMs, [](const Pair &) { return true; });
    }

private:
    void run()
    {
        char buf[4096];
        while (m_on) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 10) != 1) continue;
            const ssize_t n = read(m_fd, buf, sizeof buf);
            const auto t = Clock::now();
            for (ssize_t i = 0; i < n; ++i) feed(buf[i], t);
        }
    }
    void paced(double bytesPerSecond)
    {
        const auto character =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1 / bytesPerSecond));
        auto next = Clock::now();
        while (m_on) {
            std::this_thread::sleep_until(next);
            char c;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 0) == 1) {
                // Queued: it goes in its slot, even when this thread, short
                // of a core, comes to it late.
                if (read(m_fd, &c, 1) != 1) continue;
            } else {
                // An idle line sends a character the moment it comes.
                if (poll(&p, 1, 10) != 1 || read(m_fd, &c, 1) != 1) continue;
                next = Clock::now();
            }
            feed(c, next);
            next += character;
        }
    }
    void feed(char c, Clock::time_point t)
    {
        if (c == '\x02') {
            m_frame.clear();
            m_frameStart = t;
            m_inFrame = true;
        } else if (c == '\x03' && m_inFrame) {
            m_inFrame = false;
            if (!m_frame.startsWith("TLY")) return;
            {
                std::lock_guard lock(m_mutex);
                m_pairs.push_back({m_frameStart, t, m_frame.mid(3)});
            }
            m_arrived.notify_all();
        } else if (m_inFrame) {
            m_frame += c;
        }
    }

    const int m_fd;
    std::atomic<bool> m_on{true};
    QByteArray m_frame;
    Clock::time_point m_frameStart;
    bool m_inFrame = false;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<Pair> m_pairs;
    std::thread m_thread; // last: it starts on the members above
};

sockaddr_in loopback(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

int udpSocket(quint16 port = 0)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = loopback(port);
    if (port) bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    return fd;
}

quint16 freePort(int type)
{
    const int fd = socket(AF_INET, type, 0);
    sockaddr_in a = loopback(0);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

void sendTo(int fd, quint16 port, const QByteArray &bytes)
{
    sockaddr_in a = loopback(port);
    sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr *>(&a), sizeof a);
}

QString at(quint16 port)
{
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

// Datagrams the kernel dropped at a loopback UDP port's socket, for it was full.
long udpDrops(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/udp"));
    if (!table.open(QIODevice::ReadOnly)) return -1;
    const QByteArray local =
        QByteArrayLiteral("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &row : table.readAll().split('\n')) {
        const QList<QByteArray> f = row.simplified().split(' ');
        if (f.size() >= 13 && f[1] == local) return f.last().toLong();
    }
    return -1;
}

// A stream of datagrams to a loopback port at a steady rate, from threads of
// its own, one sendmmsg per batch. Thread t sends cycle[t], cycle[t +
// threads], ... so one thread sends the cycle in order. It stops by itself
// after maxMs; behind its schedule by more than 10 ms, it does not catch up.
class Flood {
public:
    Flood(quint16 port, std::vector<QByteArray> cycle, int perSecond, int batch = 16, int threads = 1,
          int maxMs = 12000)
        : m_port(port), m_cycle(std::move(cycle)), m_perSecond(perSecond), m_batch(batch), m_maxMs(maxMs),
          m_start(Clock::now()), m_ends(size_t(threads))
    {
        for (int t = 0; t < threads; ++t) m_threads.emplace_back([this, t, threads] { run(t, threads); });
    }
    ~Flood() { stop(); }

    void stop()
    {
        m_on = false;
        for (std::thread &t : m_threads)
            if (t.joinable()) t.join();
    }
    Clock::time_point started() const { return m_start; }
    long long sent() const { return m_sent; }
    // Once stopped: the rate it kept, and what the bridge's socket dropped of it.
    QString said() const
    {
        const auto end = *std::max_element(m_ends.begin(), m_ends.end());
        const double perSecond = double(m_sent) * 1000 / msBetween(m_start, end);
        const long drops = udpDrops(m_port);
        return QStringLiteral("flood %1 datagrams/s (asked %2, %3 thread%4)%5")
            .arg(qRound64(perSecond))
            .arg(m_perSecond)
            .arg(m_threads.size())
            .arg(m_threads.size() == 1 ? "" : "s")
            .arg(drops < 0 ? QString() : QStringLiteral(", %1 dropped at the bridge's socket").arg(drops));
    }

private:
    void run(int t, int threads)
    {
        const int fd = udpSocket();
        sockaddr_in to = loopback(m_port);
        std::vector<mmsghdr> msgs(static_cast<size_t>(m_batch));
        std::vector<iovec> iov(static_cast<size_t>(m_batch));
        for (int i = 0; i < m_batch; ++i) {
            msgs[size_t(i)].msg_hdr = {};
            msgs[size_t(i)].msg_hdr.msg_name = &to;
            msgs[size_t(i)].msg_hdr.msg_namelen = sizeof to;
            msgs[size_t(i)].msg_hdr.msg_iov = &iov[size_t(i)];
            msgs[size_t(i)].msg_hdr.msg_iovlen = 1;
        }
        const auto every = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(double(m_batch) * threads / m_perSecond));
        const auto n = qsizetype(m_cycle.size());
        long long k = 0; // of this thread's sequence
        auto next = Clock::now();
        while (m_on && msSince(m_start) < m_maxMs) {
            for (int i = 0; i < m_batch; ++i) {
                const QByteArray &d = m_cycle[size_t((t + (k + i) * threads) % n)];
                iov[size_t(i)] = {const_cast<char *>(d.constData()), size_t(d.size())};
            }
            const int done = sendmmsg(fd, msgs.data(), unsigned(m_batch), 0);
            if (done > 0) k += done, m_sent += done;
            next += every;
            const auto now = Clock::now();
            if (now < next)
                std::this_thread::sleep_until(next);
            else if (now - next > milliseconds(10))
                next = now;
        }
        m_ends[size_t(t)] = Clock::now();
        close(fd);
    }

    const quint16 m_port;
    const std::vector<QByteArray> m_cycle;
    const int m_perSecond, m_batch, m_maxMs;
    const Clock::time_point m_start;
    std::atomic<bool> m_on{true};
    std::atomic<long long> m_sent{0};
    std::vector<Clock::time_point> m_ends; // each thread's, once it stops
    std::vector<std::thread> m_threads;
};

constexpr int kFloodRate = 150000;

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
    const int failed = posix_spawn(&pid, program.constData(), &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    return failed ? -1 : pid;
}

// Waits up to timeoutMs for the process to end: its wait status, or nothing.
std::optional<int> waitExit(pid_t pid, int timeoutMs)
{
    const auto start = Clock::now();
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        if (msSince(start) >= timeoutMs) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
}

constexpr int kEndMs = 5000;

// SIGTERM, then the ms until it ended; one that has not within kEndMs is
// killed, and the answer is nothing.
std::optional<double> stop(pid_t pid)
{
    const auto start = Clock::now();
    kill(pid, SIGTERM);
    if (waitExit(pid, kEndMs)) return msSince(start);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return std::nullopt;
}

// A bridge on a fresh pty with one TSL 3.1 UDP input, its line read from the
// start; ready once the first pair is on the line.
struct Bridge {
    Pty line;
    LineReader reader;
    quint16 udp = freePort(SOCK_DGRAM);
    pid_t pid;
    bool ready;

    explicit Bridge(const QStringList &more, double bytesPerSecond = 0)
        : reader(line, bytesPerSecond), pid(startBridge(QStringList{"--line", line.path, "--tsl31", at(udp)} + more)),
          ready(pid > 0 && reader.waitFirst(kEndMs))
    {
        if (pid > 0 && !ready)
            std::printf("tally-bridge %s: no pair on the line within 5 s\n", qPrintable(more.join(' ')));
    }
    ~Bridge()
    {
        if (pid > 0) stop(pid);
    }
    std::optional<double> end() { return stop(std::exchange(pid, 0)); }
};

void print(const char *what, const std::vector<double> &ms)
{
    std::printf("%-34s p50 %.3f ms  p99 %.3f ms  max %.3f ms  (%zu samples)\n", what, bench::median(ms),
                bench::percentile(ms, 0.99), bench::percentile(ms, 1.0), ms.size());
}

// Clients of the bridge's WebSocket (/ws) over plain TCP sockets: the
// HTTP/1.1 upgrade, then the server's frames, unmasked, a message possibly
// in fragments. One thread reads them all, each message timed when the
// read that completed it returned, on the clock the senders use.
class PageClients {
public:
    struct Message {
        Clock::time_point at;
        QByteArray text;
    };

    // keep: the first client's messages are kept, the others only counted.
    PageClients(quint16 port, int count, bool keep) : m_keep(keep)
    {
        for (int i = 0; i < count && m_why.isEmpty(); ++i) open(port);
        m_thread = std::thread([this] { run(); });
    }
    ~PageClients()
    {
        m_on = false;
        m_thread.join();
        for (const Client &c : m_clients) close(c.fd);
    }
    PageClients(const PageClients &) = delete;
    PageClients &operator=(const PageClients &) = delete;

    // Empty, or why a client could not connect.
    QString why() const { return m_why; }
    // Waits up to timeoutMs for every client's first message (the state).
    bool waitStates(int timeoutMs) const
    {
        std::unique_lock lock(m_mutex);
        return m_why.isEmpty() && m_arrived.wait_until(lock, Clock::now() + milliseconds(timeoutMs), [this] {
            return std::all_of(m_clients.begin(), m_clients.end(), [](const Client &c) { return c.messages > 0; });
        });
    }
    std::vector<Message> messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // The first kept message from index `from` on that `want` accepts,
    // waiting up to timeoutMs for it.
    bool waitFor(size_t from, int timeoutMs, const std::function<bool(const Message &)> &want) const
    {
        std::unique_lock lock(m_mutex);
        const auto deadline = Clock::now() + milliseconds(timeoutMs);
        do {
            for (; from < m_messages.size(); ++from)
                if (want(m_messages[from])) return true;
        } while (m_arrived.wait_until(lock, deadline) != std::cv_status::timeout || from < m_messages.size());
        return false;
    }
    // The fewest and most messages a client has had, and how many the
    // bridge closed.
    std::tuple<long, long, int> counts() const
    {
        std::lock_guard lock(m_mutex);
        long fewest = LONG_MAX, most = 0;
        int closed = 0;
        for (const Client &c : m_clients) {
            fewest = std::min(fewest, c.messages), most = std::max(most, c.messages);
            closed += c.closed;
        }
        return {m_clients.empty() ? 0 : fewest, most, closed};
    }

private:
    struct Client {
        int fd = -1;
        QByteArray bytes, message; // not yet a whole frame; a message's fragments so far
        long messages = 0;
        bool closed = false;
    };

    void open(quint16 port)
    {
        constexpr int kHandshakeMs = 2000;
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = loopback(port);
        // connect() too: a full listen queue would have it retry for minutes.
        const timeval limit{kHandshakeMs / 1000, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (connect(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
            m_why = QStringLiteral("cannot connect to %1").arg(port);
            close(fd);
            return;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        QByteArray nonce(16, 0);
        for (char &c : nonce) c = char(std::rand());
        const QByteArray key = nonce.toBase64();
        const QByteArray request = "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                                   "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: " + key +
                                   "\r\nSec-WebSocket-Version: 13\r\n\r\n";
        send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
        // The answer's head; what follows it is already the first frames.
        Client c{fd, {}, {}, 0, false};
        const auto start = Clock::now();
        qsizetype end = -1;
        while ((end = c.bytes.indexOf("\r\n\r\n")) < 0 && msSince(start) < kHandshakeMs) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10) != 1) continue;
            char buf[4096];
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) break;
            c.bytes.append(buf, n);
        }
        const QByteArray head = end < 0 ? c.bytes : c.bytes.left(end);
        const QByteArray accept =
            QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11", QCryptographicHash::Sha1).toBase64();
        if (end < 0 || !head.startsWith("HTTP/1.1 101") || !head.contains(accept)) {
            m_why = end < 0 ? QStringLiteral("no answer to the upgrade within %1 s").arg(kHandshakeMs / 1000)
                            : QStringLiteral("the upgrade answered %1").arg(QString::fromLatin1(head.left(60)));
            close(fd);
            return;
        }
        c.bytes.remove(0, end + 4);
        std::lock_guard lock(m_mutex);
        m_clients.push_back(std::move(c));
    }

    void run()
    {
        // Browsers run on other machines: here they share the bench's two
        // cores, and at the idle class they never take a core the timing
        // thread or the bridge wants.
        const sched_param idle{};
        sched_setscheduler(0, SCHED_IDLE, &idle);
        // Once opened, the clients are only this thread's, but for counts.
        std::vector<pollfd> fds;
        for (const Client &c : m_clients) fds.push_back({c.fd, POLLIN, 0});
        for (size_t i = 0; i < m_clients.size(); ++i) frames(i, Clock::now());
        char buf[65536];
        while (m_on) {
            if (poll(fds.data(), fds.size(), 10) <= 0) continue;
            for (size_t i = 0; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                const auto t = Clock::now();
                if (n <= 0) {
                    fds[i].fd = -1; // poll skips it from now on
                    std::lock_guard lock(m_mutex);
                    m_clients[i].closed = true;
                    continue;
                }
                m_clients[i].bytes.append(buf, n);
                frames(i, t);
            }
        }
    }

    // The whole frames client i has, taken off its bytes.
    void frames(size_t i, Clock::time_point t)
    {
        Client &c = m_clients[i];
        qsizetype at = 0;
        for (;;) {
            const qsizetype left = c.bytes.size() - at;
            if (left < 2) break;
            const auto byte = [&](qsizetype k) { return quint64(quint8(c.bytes[at + k])); };
            const bool fin = byte(0) & 0x80, masked = byte(1) & 0x80;
            const int opcode = int(byte(0) & 0x0f);
            quint64 length = byte(1) & 0x7f;
            qsizetype head = 2;
            if (length == 126) {
                if (left < 4) break;
                length = byte(2) << 8 | byte(3);
                head = 4;
            } else if (length == 127) {
                if (left < 10) break;
                length = 0;
                for (int k = 2; k < 10; ++k) length = length << 8 | byte(k);
                head = 10;
            }
            const qsizetype mask = masked ? 4 : 0;
            if (quint64(left) < quint64(head + mask) + length) break;
            QByteArray payload = c.bytes.mid(at + head + mask, qsizetype(length));
            for (qsizetype k = 0; masked && k < payload.size(); ++k)
                payload[k] = char(payload[k] ^ c.bytes[at + head + k % 4]);
            at += head + mask + qsizetype(length);
            if (opcode == 0x8) {
                std::lock_guard lock(m_mutex);
                c.closed = true;
            }
            if (opcode >= 0x8) continue; // close, ping, pong: no message of the bridge's
            c.message += payload;
            if (!fin) continue;
            {
                std::lock_guard lock(m_mutex);
                ++c.messages;
                if (m_keep && i == 0) m_messages.push_back({t, std::exchange(c.message, {})});
            }
            c.message.clear();
            m_arrived.notify_all();
        }
        c.bytes.remove(0, at);
    }

    const bool m_keep;
    QString m_why;
    std::vector<Client> m_clients;
    std::vector<Message> m_messages; // the first client's, if kept
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::atomic<bool> m_on{true};
    std::thread m_thread;
};

// The floor: a datagram sent and received, then a frame through a pty.
std::vector<double> floor(int changes)
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
    close(in);
    close(out);
    return ms;
}

// A Blackmagic ATEM on loopback, as far as a client that only listens
// needs one: it answers the handshake (session 1), sends its state dump in
// one packet (input 1 on preview, then InCm) and acks the client's
// keep-alives, from a thread of its own; the bench sends the changes, each
// a packet with the next id.
class FakeAtem {
public:
    FakeAtem() : m_fd(udpSocket(0))
    {
        sockaddr_in a = loopback(0);
        bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeAtem()
    {
        m_on = false;
        m_thread.join();
        close(m_fd);
    }
    FakeAtem(const FakeAtem &) = delete;
    FakeAtem &operator=(const FakeAtem &) = delete;
    quint16 port() const { return m_port; }
    // Waits for the client's ack of the handshake (the dump then went out).
    bool waitOpen(int timeoutMs) const
    {
        const auto start = Clock::now();
        while (!m_open && msSince(start) < timeoutMs) std::this_thread::sleep_for(milliseconds(1));
        return m_open;
    }
    // A packet of the session with these commands, the next id.
    void send(const QByteArray &commands)
    {
        m_id = (m_id + 1) & 0x7FFF;
        const QByteArray p = header(0x08, 12 + int(commands.size()), 0x8001, 0, m_id) + commands;
        sendto(m_fd, p.constData(), size_t(p.size()), 0, reinterpret_cast<const sockaddr *>(&m_peer), sizeof m_peer);
    }
    // Tally by index: a count, then each input's bits.
    static QByteArray tlIn(std::initializer_list<int> bits)
    {
        QByteArray data = words({int(bits.size())});
        for (const int b : bits) data += char(b);
        return command("TlIn", data);
    }

private:
    static QByteArray words(std::initializer_list<int> values)
    {
        QByteArray out;
        for (const int v : values) out += char(v >> 8), out += char(v & 0xFF);
        return out;
    }
    static QByteArray header(int flags, int length, int session, int ack, int id)
    {
        return words({flags << 8 | length, session, ack, 0, 0, id});
    }
    static QByteArray command(const char *name, const QByteArray &data)
    {
        return words({8 + int(data.size()), 0}) + name + data;
    }
    void reply(const QByteArray &p, const sockaddr_in &to)
    {
        sendto(m_fd, p.constData(), size_t(p.size()), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    }
    void serve()
    {
        char buf[2048];
        while (m_on) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 10) != 1) continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &len);
            if (n < 12) continue;
            const QByteArray d(buf, n);
            const int flags = quint8(d[0]) & 0xF8, session = quint8(d[2]) << 8 | quint8(d[3]);
            if (flags & 0x10 && n == 20 && d[12] == 1 && !m_open) {
                m_client = session;
                reply(header(0x10, 20, session, 0, 0) + QByteArray::fromHex("0200000100000000"), from);
            } else if (flags & 0x80 && session == m_client && !m_open) {
                m_peer = from;
                m_id = 0;
                send(tlIn({2}) + command("InCm", QByteArray::fromHex("01000000")));
                m_open = true;
            } else if (flags & 0x08 && session == 0x8001) {
                reply(header(0x80, 12, 0x8001, quint8(d[10]) << 8 | quint8(d[11]), 0), from);
            }
        }
    }

    const int m_fd;
    quint16 m_port = 0;
    int m_client = -1;
    sockaddr_in m_peer{};
    int m_id = 0; // the server thread's until open, the sender's after
    std::atomic<bool> m_open{false}, m_on{true};
    std::thread m_thread;
};

// An ATEM's tally by index switching input 1's program lamp, from the
// packet's send to the first byte of its pair on the line, paced as
// latency() is; what the bridge adds is beside the floor.
void atemLatency(int changes, const std::vector<double> &floorMs)
{
    const char *label = "ATEM (TlIn to first byte)";
    Pty line;
    FakeAtem atem;
    const pid_t bridge = startBridge({"--line", line.path, "--atem", at(atem.port()), "--refresh", "0"});
    if (bridge <= 0 || !atem.waitOpen(5000) || line.frames(4, 5000).count('\x03') < 4) {
        std::printf("%-34s no session, or no state on the line, within 5 s\n", label);
        if (bridge > 0) stop(bridge);
        return;
    }
    std::vector<double> ms;
    for (int i = 0; i < changes; ++i) {
        const auto t = Clock::now();
        atem.send(FakeAtem::tlIn({i % 2 ? 2 : 3}));
        if (!line.waitByte(1000)) {
            std::printf("%-34s no frame after change %d\n", label, i);
            break;
        }
        const auto first = Clock::now();
        ms.push_back(msSince(t));
        line.frames(2);
        std::this_thread::sleep_until(first + std::chrono::microseconds(12 * 10 * 1000000 / 9600 + 3000));
    }
    stop(bridge);
    if (ms.empty()) return;
    print(label, ms);
    if (!floorMs.empty())
        std::printf("%-34s p99 %.3f ms over the floor's (goal <= 0.3 ms)\n", "  added by the bridge",
                    bench::percentile(ms, 0.99) - bench::percentile(floorMs, 0.99));
}

// Each datagram switches input 1's program lamp; the next goes once its pair
// has had its time on a 9600 baud line (the bridge holds the next pair that
// long, as the wire would), so the figure is what the bridge adds. With
// page clients, each reading every update the change makes.
void latency(int changes, int clients = 0)
{
    Pty line;
    const quint16 port = freePort(SOCK_DGRAM), http = freePort(SOCK_STREAM);
    QStringList args{"--line", line.path, "--tsl31", at(port), "--refresh", "0"};
    if (clients) args << "--http" << at(http);
    const pid_t bridge = startBridge(args);
    line.frames(2, 5000);
    const QByteArray label = clients ? QByteArray("  with ") + QByteArray::number(clients) + " page clients"
                                     : QByteArray("tally-bridge (UDP to first byte)");
    std::optional<PageClients> page;
    if (clients) {
        page.emplace(http, clients, false);
        if (!page->waitStates(kEndMs)) {
            std::printf("%-34s %s\n", label.constData(),
                        page->why().isEmpty() ? "not every client had the state within 5 s" : qPrintable(page->why()));
            page.reset();
            stop(bridge);
            return;
        }
    }
    const int out = udpSocket();
    std::vector<double> ms;
    for (int i = 0; i < changes; ++i) {
        const auto t = Clock::now();
        sendTo(out, port, tsl31(1, i % 2 ? 0 : 2));
        if (!line.waitByte(1000)) {
            std::printf("no frame after change %d\n", i);
            break;
        }
        const auto first = Clock::now();
        ms.push_back(msSince(t));
        line.frames(2);
        std::this_thread::sleep_until(first + std::chrono::microseconds(11 * 10 * 1000000 / 9600 + 3000));
    }
    print(label.constData(), ms);
    if (page) {
        const auto [fewest, most, closed] = page->counts();
        std::printf("%-34s each client read %ld to %ld messages; %d closed by the bridge\n", "", fewest, most, closed);
    }
    close(out);
    page.reset();
    stop(bridge);
}

// Whether an update's lamps show input's program lamp lit, if they show
// the input at all. Only a lamp's own object starts {"input":N, (a
// source's "input" is a name in quotes, and quotes in a text are escaped),
// and an object's keys come sorted, so its "program" is the first after it.
std::optional<bool> programShown(const QByteArray &message, int input)
{
    const qsizetype lamps = message.indexOf("\"lamps\":[");
    if (lamps < 0) return std::nullopt;
    const qsizetype at = message.indexOf("{\"input\":" + QByteArray::number(input) + ',', lamps);
    if (at < 0) return std::nullopt;
    const qsizetype program = message.indexOf("\"program\":", at);
    if (program < 0) return std::nullopt;
    return message.mid(program + 10, 4) == "true";
}

// Datagrams each lighting a lamp and darkening another, to the update on a
// page's WebSocket that shows the lamp lit, the bridge's refresh as by
// default. Far faster than the line takes pairs (one in 14 ms at least): the
// page follows every change the line skips. 2 ms apart: past the bridge's
// 1 ms gathering of changes, so a bridge that keeps up sends each in an
// update of its own; 3 ms apart, past a gathering that came late too.
void toPage(int changes, std::chrono::microseconds spacing)
{
    constexpr int kLamps = 48, kWaitMs = 1000;
    const QByteArray label = "UDP to WebSocket, " + QByteArray::number(spacing.count() / 1000.0) + " ms apart";
    const quint16 http = freePort(SOCK_STREAM);
    Bridge b({"--http", at(http)});
    if (!b.ready) return;
    PageClients page(http, 1, true);
    if (!page.waitStates(kEndMs)) {
        std::printf("%-34s %s\n", label.constData(),
                    page.why().isEmpty() ? "no state within 5 s" : qPrintable(page.why()));
        return;
    }
    const size_t first = page.messages().size(); // the state, and whatever else came before a change
    const std::vector<QByteArray> cycle = ::changes(kLamps);
    const auto lit = [&](long long i) { return 1 + int(i % kLamps); };
    std::vector<Clock::time_point> sent;
    const int out = udpSocket();
    const auto start = Clock::now();
    for (int i = 0; i < changes; ++i) {
        std::this_thread::sleep_until(start + i * spacing);
        sent.push_back(Clock::now());
        sendTo(out, b.udp, cycle[size_t(i % kLamps)]);
    }
    close(out);
    if (changes > 0)
        page.waitFor(first, kWaitMs, [&](const PageClients::Message &m) {
            return m.at >= sent.back() && programShown(m.text, lit(changes - 1)) == true;
        });
    const std::vector<PageClients::Message> got = page.messages();

    // In order: an update never shows a change before an earlier one. A
    // lamp is lit again kLamps changes on, so what comes after that may be
    // the next lighting: a change not shown by then counts as missed.
    std::vector<double> ms;
    int missed = 0;
    size_t from = first;
    for (int i = 0; i < changes; ++i) {
        const auto until = i + kLamps < changes
                               ? std::min(sent[size_t(i + kLamps)], sent[size_t(i)] + milliseconds(kWaitMs))
                               : sent[size_t(i)] + milliseconds(kWaitMs);
        size_t j = from;
        for (; j < got.size() && got[j].at < until; ++j)
            if (got[j].at >= sent[size_t(i)] && programShown(got[j].text, lit(i)) == true) break;
        if (j < got.size() && got[j].at < until) {
            ms.push_back(msBetween(sent[size_t(i)], got[j].at));
            from = j;
        } else {
            ++missed;
        }
    }
    if (!ms.empty()) {
        std::printf("%-34s p50 %.3f ms  p99 %.3f ms  max %.3f ms  (%zu samples; goal p99 <= 2 ms)\n", label.constData(),
                    bench::median(ms), bench::percentile(ms, 0.99), bench::percentile(ms, 1.0), ms.size());
    }
    const auto [fewest, most, closed] = page.counts();
    std::printf("%-34s %d of %d changes missed (none shown within 1 s, or before the lamp was lit again %.0f ms "
                "on); %zu updates%s\n",
                "", missed, changes, kLamps * std::chrono::duration<double, std::milli>(spacing).count(),
                got.size() - first, closed ? ", closed by the bridge" : "");
}

// 20,000 datagrams a second for 10 s, each a new state.
void steadyFlood()
{
    Bridge b({"--refresh", "0"});
    if (!b.ready) return;
    const QString pid = QString::number(b.pid);
    const double cpu0 = cpuSeconds(b.pid);
    const long rss0 = bench::residentKiB(pid);
    const std::vector<QByteArray> cycle = changes(48);
    Flood flood(b.udp, cycle, 20000, 1);
    std::vector<long> rss;
    for (int s = 1; s <= 10; ++s) {
        std::this_thread::sleep_until(flood.started() + std::chrono::seconds(s));
        rss.push_back(bench::residentKiB(pid));
    }
    flood.stop();
    const double cpu = cpuSeconds(b.pid) - cpu0;
    std::this_thread::sleep_for(milliseconds(300));
    const QByteArray expected = programAfter(cycle, flood.sent());
    const std::vector<LineReader::Pair> pairs = b.reader.pairs();
    const auto last =
        std::find_if(pairs.rbegin(), pairs.rend(), [&](const LineReader::Pair &p) { return p.program == expected; });
    std::printf("flood: %lld datagrams in 10 s, bridge CPU %.2f s (%.0f%% of a core), RSS %ld KiB before, %ld KiB "
                "after (",
                flood.sent(), cpu, cpu * 10, rss0, bench::residentKiB(pid));
    for (long r : rss) std::printf("%ld ", r);
    std::printf("each second)\n");
    std::printf("flood: the final state is %s\n", last == pairs.rend()     ? "NOT on the line"
                                                  : last == pairs.rbegin() ? "the last pair on the line"
                                                                           : "on the line, then other pairs after it");
}

// Idle: every input open, the 200 ms refresh, nothing arriving.
void idle()
{
    Pty switcher;
    const int vmix = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    bind(vmix, reinterpret_cast<sockaddr *>(&a), sizeof a);
    listen(vmix, 4);
    socklen_t len = sizeof a;
    getsockname(vmix, reinterpret_cast<sockaddr *>(&a), &len);
    const auto free = [](int type) { return at(freePort(type)); };
    Bridge b({"--switcher", switcher.path, "--tsl31-tcp", free(SOCK_STREAM), "--tsl5", free(SOCK_DGRAM), "--tsl5-tcp",
              free(SOCK_STREAM), "--vmix", at(ntohs(a.sin_port))});
    if (b.ready) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double cpu0 = cpuSeconds(b.pid);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double cpu = cpuSeconds(b.pid) - cpu0;
        std::printf("idle, all inputs open, 200 ms refresh: %.2f%% of a core, RSS %ld KiB\n", cpu * 10,
                    bench::residentKiB(QString::number(b.pid)));
    }
    close(vmix);
}

// SIGTERM while a flood of changes goes on, a few runs. After two that did
// not end, more would only say so again, 5 s a time.
void sigtermUnderFlood()
{
    std::vector<double> ms;
    int runs = 0, notEnded = 0;
    QString flooded;
    for (; runs < 5 && notEnded < 2; ++runs) {
        Bridge b({});
        if (!b.ready) return;
        Flood flood(b.udp, changes(46), kFloodRate);
        std::this_thread::sleep_for(milliseconds(300));
        if (const std::optional<double> took = b.end())
            ms.push_back(*took);
        else
            ++notEnded;
        flood.stop();
        flooded = flood.said();
    }
    if (!ms.empty())
        std::printf("%-34s p50 %.1f ms  max %.1f ms  (%zu runs)\n", "  SIGTERM to exit", bench::median(ms),
                    bench::percentile(ms, 1.0), ms.size());
    if (notEnded)
        std::printf("%-34s did not end within 5 s in %d of %d runs (killed)%s\n", "  SIGTERM to exit", notEnded, runs,
                    runs < 5 ? ", the rest not run" : "");
    std::printf("%-34s %s\n", "", qPrintable(flooded));
}

// A lamp the flood never touches, changed on a TSL 3.1 TCP input while the
// flood goes on, to the end of the TLY frame that shows it.
void secondInputUnderFlood()
{
    constexpr int kInput = 47, kSamples = 20, kWaitMs = 1000, kAllMs = 8000;
    const quint16 tcpPort = freePort(SOCK_STREAM);
    Bridge b({"--tsl31-tcp", at(tcpPort)});
    if (!b.ready) return;
    const int tcp = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(tcp, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const sockaddr_in a = loopback(tcpPort);
    if (connect(tcp, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        std::printf("  second input: cannot connect to the TSL 3.1 TCP input\n");
        close(tcp);
        return;
    }
    Flood flood(b.udp, changes(46), kFloodRate, 16, 1, 30000);
    std::this_thread::sleep_for(milliseconds(300));
    std::vector<double> ms;
    int tries = 0, missed = 0, missedInARow = 0;
    const auto begun = Clock::now();
    for (; tries < kSamples && missedInARow < 3 && msSince(begun) < kAllMs; ++tries) {
        // The opposite of what the line shows now, whatever an earlier
        // change that never came through left behind.
        const auto [count, last] = b.reader.latest();
        const bool want = !last || !last->lit(kInput);
        const QByteArray message = tsl31(kInput, want ? kProgram : 0);
        const auto t = Clock::now();
        send(tcp, message.constData(), size_t(message.size()), MSG_NOSIGNAL);
        if (const auto p =
                b.reader.waitFor(count, kWaitMs, [&](const LineReader::Pair &p) { return p.lit(kInput) == want; })) {
            ms.push_back(msBetween(t, p->end));
            missedInARow = 0;
        } else {
            ++missed, ++missedInARow;
        }
        std::this_thread::sleep_for(milliseconds(20 + tries * 7 % 30));
    }
    flood.stop();
    close(tcp);
    if (!ms.empty()) print("  second input (TCP) to its TLY", ms);
    if (missed)
        std::printf("%-34s %d of %d changes not on the line within 1 s%s\n", "  second input (TCP) to its TLY", missed,
                    tries,
                    tries == kSamples   ? ""
                    : missedInARow == 3 ? ", then gave up after 3 in a row"
                                        : ", then ran out of time");
    std::printf("%-34s %s\n", "", qPrintable(flood.said()));
}

// The 200 ms refresh while the flood repeats the state the lamps already
// show: nothing changes, so only the refresh puts pairs on the line.
void refreshUnderFlood()
{
    constexpr int kWindowMs = 3000;
    Bridge b({"--refresh", "200"});
    if (!b.ready) return;
    Flood flood(b.udp, {tsl31(1, 0) + tsl31(2, 0)}, kFloodRate);
    std::this_thread::sleep_for(milliseconds(300));
    const auto from = Clock::now();
    std::this_thread::sleep_for(milliseconds(kWindowMs));
    const auto to = Clock::now();
    flood.stop();
    std::vector<double> gaps;
    double silence = 0; // the longest stretch of the window without a pair
    auto previous = from;
    size_t seen = 0;
    for (const LineReader::Pair &p : b.reader.pairs()) {
        if (p.start < from || p.start > to) continue;
        if (seen++) gaps.push_back(msBetween(previous, p.start));
        silence = std::max(silence, msBetween(previous, p.start));
        previous = p.start;
    }
    silence = std::max(silence, msBetween(previous, to));
    if (gaps.empty())
        std::printf("%-34s %zu pair%s in %d ms: no period to measure; the longest silence %.0f ms\n",
                    "  refresh 200 ms, same state", seen, seen == 1 ? "" : "s", kWindowMs, silence);
    else
        std::printf("%-34s gaps p50 %.1f ms  min %.1f ms  max %.1f ms  (%zu pairs in %d ms; longest silence %.0f ms)\n",
                    "  refresh 200 ms, same state", bench::median(gaps), bench::percentile(gaps, 0),
                    bench::percentile(gaps, 1.0), seen, kWindowMs, silence);
    std::printf("%-34s %s\n", "", qPrintable(flood.said()));
}

// The line read no faster than 9600 baud 8N1 carries it, under a flood of
// changes for 3 s: how closely the pairs follow each other, and what still
// comes after the flood, when only the newest state matters. The newest is
// the flood's last state with input 48 lit, which the flood never touches.
void lineSpeed()
{
    constexpr double kChars = 960; // a second at 9600 baud, 10 bits a character
    constexpr int kFloodMs = 3000, kAfterMs = 8000, kNewest = 48;
    Bridge b({"--refresh", "0"}, kChars);
    if (!b.ready) return;
    Flood flood(b.udp, changes(46), kFloodRate);
    std::this_thread::sleep_until(flood.started() + milliseconds(kFloodMs));
    flood.stop();
    const auto ended = Clock::now();
    const size_t before = b.reader.count();
    // Again until it shows: a full socket drops it as it would any other.
    const int out = udpSocket();
    const auto newest = [](const LineReader::Pair &p) { return p.lit(kNewest); };
    bool shown = false;
    while (!shown && msSince(ended) < kAfterMs) {
        sendTo(out, b.udp, tsl31(kNewest, kProgram));
        shown = b.reader.waitFor(before, 20, newest).has_value();
    }
    close(out);
    // Whatever might still follow it.
    if (shown) std::this_thread::sleep_for(milliseconds(300));
    const std::vector<LineReader::Pair> pairs = b.reader.pairs();
    const int queued = b.line.queued();

    std::vector<double> spacing;
    std::vector<double> chars;
    for (size_t i = 1; i < pairs.size(); ++i)
        if (pairs[i - 1].start >= flood.started() && pairs[i].start <= ended) {
            spacing.push_back(msBetween(pairs[i - 1].start, pairs[i].start));
            chars.push_back(double(pairs[i - 1].program.size() + 10));
        }
    const double pairMs = bench::median(chars) * 1000 / kChars;
    if (spacing.empty())
        std::printf("%-34s fewer than 2 pairs in %d ms of flood\n", "  pair spacing", kFloodMs);
    else
        std::printf("%-34s p50 %.1f ms  min %.1f ms  (%zu pairs; a pair of %.0f characters takes %.1f ms)\n",
                    "  pair spacing", bench::median(spacing), bench::percentile(spacing, 0), spacing.size() + 1,
                    bench::median(chars), pairMs);

    int older = 0;
    double lastOlder = 0;
    std::optional<double> newestLast;
    for (const LineReader::Pair &p : pairs) {
        if (p.start <= ended) continue;
        if (newest(p)) {
            if (!newestLast) newestLast = msBetween(ended, p.start);
        } else {
            ++older;
            lastOlder = msBetween(ended, p.start);
            newestLast.reset();
        }
    }
    std::printf("%-34s %d older pair%s after it ended%s", "  after the flood", older, older == 1 ? "" : "s",
                older ? qPrintable(QStringLiteral(", the last %1 ms after").arg(lastOlder, 0, 'f', 1)) : "");
    if (newestLast)
        std::printf("; the newest the last pair from %.1f ms\n", *newestLast);
    else if (shown)
        std::printf("; older pairs came after the newest\n");
    else
        std::printf("; after %d s the newest is not on the line yet, and the pty still holds %d characters (%.1f s "
                    "more at 9600 baud)\n",
                    kAfterMs / 1000, queued, queued / kChars);
    std::printf("%-34s %s\n", "", qPrintable(flood.said()));
}

// A bridge that keeps its state in a file, restarted: from the spawn to the
// first byte of a first pair that already shows what it had before.
void restoreAtStart()
{
    constexpr int kInput = 3, kRestarts = 5, kWaitMs = 2000;
    const char *label = "restart to restored first pair";
    QTemporaryDir dir;
    Pty line;
    const quint16 udp = freePort(SOCK_DGRAM);
    const QString config = dir.filePath(QStringLiteral("bridge.ini")), state = dir.filePath(QStringLiteral("state"));
    {
        QFile ini(config);
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[line]\ndevice = %1\nstate = %2\n[tsl31]\nudp = %3\n")
                      .arg(QString::fromLocal8Bit(line.path), state, at(udp))
                      .toUtf8());
    }
    // A bridge started on that config: its first pair, or why there is none.
    struct Start {
        pid_t pid;
        std::optional<LineReader::Pair> first;
        QString failed;
    };
    const auto start = [&](const LineReader &reader, Clock::time_point &spawned) {
        spawned = Clock::now();
        Start s{startBridge({"--config", config}), {}, {}};
        if (s.pid <= 0) return s.failed = QStringLiteral("cannot start tally-bridge"), s;
        while (!s.first && msSince(spawned) < kWaitMs) {
            if (const std::optional<int> status = waitExit(s.pid, 0)) {
                s.pid = 0;
                s.failed = WIFEXITED(*status) && WEXITSTATUS(*status) == 2
                               ? QStringLiteral("state file not supported by this build (it ends with status 2)")
                               : QStringLiteral("tally-bridge ended at once (wait status %1)").arg(*status);
                return s;
            }
            s.first = reader.waitFor(0, 10, [](const LineReader::Pair &) { return true; });
        }
        if (!s.first) s.failed = QStringLiteral("no pair within %1 s").arg(kWaitMs / 1000);
        return s;
    };

    {
        LineReader reader(line);
        Clock::time_point spawned;
        const Start s = start(reader, spawned);
        if (!s.failed.isEmpty()) {
            if (s.pid > 0) stop(s.pid);
            std::printf("%-34s %s\n", label, qPrintable(s.failed));
            return;
        }
        const int out = udpSocket();
        sendTo(out, udp, tsl31(kInput, kProgram));
        close(out);
        const bool lit = reader.waitFor(0, 1000, [](const LineReader::Pair &p) { return p.lit(kInput); }).has_value();
        std::this_thread::sleep_for(milliseconds(300)); // for the state file
        if (!stop(s.pid) || !lit) {
            std::printf("%-34s %s\n", label, lit ? "the first run did not end within 5 s" : "input 3 never lit");
            return;
        }
    }
    std::vector<double> ms;
    for (int i = 0; i < kRestarts; ++i) {
        line.drain();
        LineReader reader(line);
        Clock::time_point spawned;
        const Start s = start(reader, spawned);
        if (s.pid > 0) stop(s.pid);
        if (!s.failed.isEmpty() || !s.first->lit(kInput)) {
            std::printf("%-34s not restored: %s (state file %s)\n", label,
                        s.failed.isEmpty() ? qPrintable(QStringLiteral("the first pair, %1 ms after the spawn, "
                                                                       "does not show input 3")
                                                            .arg(msBetween(spawned, s.first->start), 0, 'f', 1))
                                           : qPrintable(s.failed),
                        QFile::exists(state) ? "written" : "not written");
            return;
        }
        ms.push_back(msBetween(spawned, s.first->start));
    }
    std::printf("%-34s p50 %.1f ms  max %.1f ms  (%d restarts)\n", label, bench::median(ms), bench::percentile(ms, 1.0),
                kRestarts);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int pageChanges = argc > 2 ? std::atoi(argv[2]) : 10000;
    const std::vector<double> floorMs = floor(changes);
    latency(changes);
    atemLatency(changes, floorMs);
    latency(changes, 32); // the most page clients the bridge takes
    std::printf("%-34s %.1f ms a pair of frames at 9600 baud (12 to 108 characters: 12.5 to 112.5 ms)\n",
                "on a real line, add", 12 * 10 * 1000.0 / 9600);
    toPage(pageChanges, std::chrono::microseconds(2000));
    toPage(pageChanges / 5, std::chrono::microseconds(3000));
    steadyFlood();
    idle();
    std::printf("under a flood of %d datagrams a second on one TSL 3.1 UDP input:\n", kFloodRate);
    sigtermUnderFlood();
    secondInputUnderFlood();
    refreshUnderFlood();
    std::printf("the line read at 9600 baud's pace, a flood of changes for 3 s:\n");
    lineSpeed();
    restoreAtStart();
    return 0;
}
