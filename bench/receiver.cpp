// Throughput of the console's reply handling: a long stream of valid reply
// frames goes through a pty into the real console window (offscreen) as
// fast as the pty takes it. Prints characters per second and the console
// thread's CPU time per character, twice: once with the same image in
// every "rdr" reply (nothing new to draw), once with a different image in
// each (every download redraws the dots that changed).
//
// With --log the line log window is open beside the console all the while;
// every run also prints the resident memory at each tenth of the stream, so
// a long run shows whether the log's bound holds. --unrecorded cuts the
// log off the port, for the figures of a console without one.
//
// Usage: receiver [--log | --unrecorded] [repeated-characters [varying-characters]]
#include "bench/figures.h"
#include "console/consolewindow.h"
#include "console/linelogwindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace {
double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QByteArray imageReply(const std::array<unsigned, 32> &columns)
{
    QByteArray hex;
    unsigned sum = 0;
    for (unsigned v : columns) {
        hex += QByteArray::number(v, 16).toUpper().rightJustified(2, '0');
        sum += v;
    }
    return "\x02rdr" + hex + QByteArray::number(sum & 0xFF, 16).toUpper().rightJustified(2, '0') + "\x03";
}

// Replies of every kind the console shows, an image reply first in each round.
QByteArray mixedStream(qsizetype atLeast, bool varying)
{
    std::mt19937 random(20240611); // seeded: every run feeds the same images
    std::array<unsigned, 32> columns{};
    for (unsigned i = 0; i < 32; ++i) columns[i] = 0x40 + i;
    const QByteArray others[] = {"\x02ton\x03",  "\x02TLYACFKX\x03", "\x02TLW\x03",
                                 "\x02si01\x03", "\x02wrr\x03",      "\x02tfh1\x03"};
    QByteArray stream;
    while (stream.size() < atLeast) {
        if (varying)
            for (unsigned &c : columns) c = random() & 0xFF;
        stream += imageReply(columns);
        for (const QByteArray &f : others) stream += f;
    }
    return stream;
}

// The whole stream into the pty's master, however long the console takes.
void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            std::perror("pty write");
            return;
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

struct Figures {
    qsizetype characters;
    double seconds, cpu;
};

Figures feed(QApplication &app, console::ConsoleWindow &window, testsupport::Pty &pty, const QByteArray &stream)
{
    qsizetype seen = 0, frames = 0;
    const qsizetype tenth = std::max<qsizetype>(stream.size() / 10, 1);
    const QMetaObject::Connection counting = QObject::connect(window.MSComm1, &platform::SerialComm::onComm, &app, [&] {
        if (stream[seen] == '\x03') ++frames;
        if (++seen % tenth == 0)
            std::printf("  %lld frames received, resident %ld KiB, %lld log rows\n", qlonglong(frames),
                        bench::residentKiB(), qlonglong(window.lineLog().size()));
        if (seen == stream.size()) app.quit();
    });
    // The writer runs beside the event loop so that the console thread's
    // CPU time is the receiver's alone.
    std::thread writer([&] { writeAll(pty.masterFd(), stream); });
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = threadCpuSeconds();
    app.exec();
    const Figures f{seen, double(wall.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpu0};
    writer.join();
    QObject::disconnect(counting);
    return f;
}

void print(const char *name, const Figures &f)
{
    std::printf("%s: %lld characters in %.3f s wall, %.0f characters/s\n", name, qlonglong(f.characters), f.seconds,
                double(f.characters) / f.seconds);
    std::printf("%s: console thread CPU %.3f us/character (%.2f %% of a core at 9600 baud)\n", name,
                f.cpu * 1e6 / double(f.characters), f.cpu / double(f.characters) * 960.0 * 100.0);
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool log = args.removeAll(QStringLiteral("--log")) > 0;
    const bool unrecorded = args.removeAll(QStringLiteral("--unrecorded")) > 0;
    const qsizetype repeated = args.size() > 0 ? args[0].toLongLong() : 4'000'000;
    const qsizetype varying = args.size() > 1 ? args[1].toLongLong() : 400'000;

    testsupport::Pty pty;
    testsupport::RecordingBoxes boxes;
    testsupport::RecordingDialogs dialogs;
    console::ConsoleWindow window(platform::PortMap({pty.slavePath()}), boxes, dialogs);
    window.show();
    if (log) window.showLineLog();
    if (unrecorded) QObject::disconnect(window.MSComm1, nullptr, &window.lineLog(), nullptr);
    if (!window.MSComm1->portOpen()) {
        std::fprintf(stderr, "console did not open the pty\n");
        return 1;
    }

    if (repeated > 0) print("repeated image", feed(app, window, pty, mixedStream(repeated, false)));
    if (varying > 0) print("varying images", feed(app, window, pty, mixedStream(varying, true)));
    std::printf("boxes shown: %lld, last status: %s\n", qlonglong(boxes.calls.size()),
                qPrintable(window.Label1->text()));
    return boxes.calls.isEmpty() ? 0 : 1;
}
