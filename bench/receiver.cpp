// Throughput of the console's reply handling: a long stream of valid reply
// frames goes through a pty into the real console window (offscreen) as
// fast as the pty takes it. Prints characters per second and the console
// thread's CPU time per character.
#include "console/consolewindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <cstdio>
#include <ctime>
#include <thread>

namespace {
double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QByteArray mixedStream(qsizetype atLeast)
{
    QByteArray image;
    unsigned sum = 0;
    for (int i = 0; i < 32; ++i) {
        image += QByteArray::number(0x40 + i, 16).toUpper();
        sum += 0x40 + i;
    }
    const QByteArray rdr = "\x02rdr" + image + QByteArray::number(sum & 0xFF, 16).toUpper().rightJustified(2, '0') + "\x03";
    const QByteArray frames[] = {rdr, "\x02ton\x03", "\x02TLYACFKX\x03", "\x02TLW\x03", "\x02si01\x03",
                                 "\x02wrr\x03", "\x02tfh1\x03"};
    QByteArray stream;
    while (stream.size() < atLeast)
        for (const QByteArray &f : frames) stream += f;
    return stream;
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype total = argc > 1 ? QByteArray(argv[1]).toLongLong() : 4'000'000;

    testsupport::Pty pty;
    testsupport::RecordingBoxes boxes;
    testsupport::RecordingDialogs dialogs;
    console::ConsoleWindow window(platform::PortMap({pty.slavePath()}), boxes, dialogs);
    window.show();
    if (!window.MSComm1->portOpen()) {
        std::fprintf(stderr, "console did not open the pty\n");
        return 1;
    }

    const QByteArray stream = mixedStream(total);
    qsizetype seen = 0;
    QObject::connect(window.MSComm1, &platform::SerialComm::onComm, &app, [&] {
        if (++seen == stream.size()) app.quit();
    });

    // The writer runs beside the event loop so that the console thread's
    // CPU time is the receiver's alone.
    std::thread writer([&] { pty.write(stream); });

    QElapsedTimer wall;
    wall.start();
    const double cpu0 = threadCpuSeconds();
    app.exec();
    const double cpu = threadCpuSeconds() - cpu0;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    writer.join();

    std::printf("characters: %lld in %.3f s wall\n", qlonglong(seen), seconds);
    std::printf("throughput: %.0f characters/s\n", double(seen) / seconds);
    std::printf("console thread CPU: %.3f us/character (%.2f %% of a core at 9600 baud)\n",
                cpu * 1e6 / double(seen), cpu / double(seen) * 960.0 * 100.0);
    std::printf("boxes shown: %lld, last status: %s\n", qlonglong(boxes.calls.size()),
                qPrintable(window.Label1->text()));
    return boxes.calls.isEmpty() ? 0 : 1;
}
