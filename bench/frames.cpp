// How steady are velk's Continue-mode frames? Runs the simulator window
// offscreen on a pty and stamps every 13-byte frame as it arrives at the
// other end of the line, on a thread of its own so that the window's event
// loop does not delay the stamps.
//
// Usage: frames [count]   (default 121 frames: 120 periods of 500 ms, one minute)
#include "simulator/simulatorwindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"

#include <QApplication>
#include <QFile>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kPeriodMs = 500.0;

// ID 03 with lamps 1, 8 and 64 lit: each of them in a different byte.
const QByteArray kExpected = QByteArray::fromHex("FF0B03 01010000000000000001");

// Other work on the machine shows up as late frames: say how busy it was.
QByteArray loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("unknown");
}

struct Arrivals {
    std::mutex lock;
    std::vector<std::int64_t> ns; // steady clock, one per frame
    int malformed = 0;
    QByteArray firstBad;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(3, atoi(argv[1])) : 121;

    testsupport::Pty pty;
    const int master = pty.masterFd();
    const QByteArray name = pty.slavePath().toLocal8Bit();

    testsupport::RecordingBoxes boxes;
    simulator::SimulatorWindow w(platform::PortMap({pty.slavePath()}), boxes);
    if (!w.MSComm1->portOpen()) {
        std::fprintf(stderr, "the window did not open %s\n", name.constData());
        return 1;
    }
    // Light three lamps in Single mode (three click frames), then run in
    // Continue mode from a fresh timer.
    w.Combo2->setListIndex(3);
    w.Option2->setChecked(true);
    w.Picture1_MouseDown(Qt::LeftButton, false, 0.5, 0.5);
    w.Picture1_MouseDown(Qt::LeftButton, false, 7.5, 0.5);
    w.Picture1_MouseDown(Qt::LeftButton, false, 7.5, 7.5);
    constexpr int kClickFrames = 3;
    w.Option1->setChecked(true);
    if (!w.Timer1->isActive()) {
        std::fprintf(stderr, "Continue did not start the timer\n");
        return 1;
    }

    Arrivals arrivals;
    std::atomic<bool> stop = false;
    std::thread reader([&] {
        QByteArray stream;
        int seen = 0;
        char buf[4096];
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            ssize_t n;
            while ((n = ::read(master, buf, sizeof buf)) > 0) stream.append(buf, n);
            while (stream.size() >= switcherlink::kFrameSize) {
                const QByteArray frame = stream.first(switcherlink::kFrameSize);
                stream.remove(0, switcherlink::kFrameSize);
                const bool wellFormed = quint8(frame[0]) == 0xFF && !frame.sliced(1).contains('\xFF');
                std::lock_guard g(arrivals.lock);
                if (!wellFormed || (seen >= kClickFrames && frame != kExpected)) {
                    if (arrivals.malformed++ == 0) arrivals.firstBad = frame;
                }
                if (seen++ < kClickFrames) continue;
                arrivals.ns.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
                if (int(arrivals.ns.size()) == frames)
                    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
            }
        }
        // A frame cut short at the end of the run would also be a fault.
        if (!stream.isEmpty()) {
            std::lock_guard g(arrivals.lock);
            if (arrivals.malformed++ == 0) arrivals.firstBad = stream;
        }
    });

    // A stuck window must not keep the benchmark alive.
    QTimer::singleShot(int((frames + 10) * kPeriodMs) + 5000, &app, [&] { app.exit(2); });
    std::printf("velk on %s, Continue mode, %d frames (about %.0f s)...\n", name.constData(), frames,
                (frames - 1) * kPeriodMs / 1000);
    std::fflush(stdout);
    const QByteArray loadBefore = loadAverage();
    const int rc = app.exec();
    w.Option2->setChecked(true);
    QTimer::singleShot(50, &app, &QCoreApplication::quit); // let the last write reach the pty
    app.exec();
    stop = true;
    reader.join();

    const std::vector<std::int64_t> &t = arrivals.ns;
    if (rc != 0 || int(t.size()) < frames) {
        std::fprintf(stderr, "only %d frames arrived\n", int(t.size()));
        return 1;
    }
    const int periods = frames - 1;
    double sum = 0, worst = 0, minP = 1e9, maxP = 0;
    int worstAt = 0, outside = 0;
    for (int k = 1; k < frames; ++k) {
        const double period = double(t[k] - t[k - 1]) / 1e6;
        sum += period;
        minP = std::min(minP, period);
        maxP = std::max(maxP, period);
        if (std::abs(period - kPeriodMs) > 2) ++outside;
        if (std::abs(period - kPeriodMs) > std::abs(worst)) {
            worst = period - kPeriodMs;
            worstAt = k;
        }
    }
    const double span = double(t.back() - t.front()) / 1e6;
    const double drift = span - periods * kPeriodMs;
    const double driftPerMinute = drift / (span / 60000);
    std::printf("frames checked:         %d, malformed or unexpected: %d\n", frames + kClickFrames, arrivals.malformed);
    if (arrivals.malformed) std::printf("first bad frame:        %s\n", arrivals.firstBad.toHex(' ').constData());
    std::printf("periods measured:       %d (%.1f s)\n", periods, span / 1000);
    std::printf("mean period:            %.4f ms\n", sum / periods);
    std::printf("shortest / longest:     %.3f / %.3f ms\n", minP, maxP);
    std::printf("largest deviation:      %+.3f ms (period %d)\n", worst, worstAt);
    std::printf("periods beyond +-2 ms:  %d\n", outside);
    std::printf("drift:                  %+.3f ms in total, %+.3f ms per minute\n", drift, driftPerMinute);
    std::printf("load average:           %s at start, %s at end\n", loadBefore.constData(), loadAverage().constData());
    std::printf("boxes shown:            %d\n", int(boxes.calls.size()));
    const bool met = outside == 0 && std::abs(driftPerMinute) < 2;
    std::printf("target (every period within +-2 ms, drift under 2 ms per minute): %s\n", met ? "met" : "missed");
    return arrivals.malformed || !boxes.calls.isEmpty() ? 1 : 0;
}
