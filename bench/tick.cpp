// How steady is kandrel's tick? Runs the demo window offscreen in the
// virtual input show with every input on, its port on a pty, and stamps
// each "TLY" frame as it arrives at the other end of the line.
//
// Usage: tick [ticks]   (default 300, at 200 ms each)
//
// The first few frames carry the start-up's one-off costs (first paint,
// font loading) and are left out of the figures. To tell a late frame's
// cause, the timer event and the end of the tick are stamped as well.
#include "bench/figures.h"
#include "demo/demowindow.h"
#include "tests/support/pty.h"
#include "tests/support/recordingboxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {
using bench::median;
using bench::percentile;

constexpr int kWarmUp = 5;

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// Stamps the timer event before the window's tick runs.
class TimerEventStamp : public QObject {
public:
    explicit TimerEventStamp(std::function<void()> stamp) : m_stamp(std::move(stamp)) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Timer) m_stamp();
        return false;
    }

private:
    std::function<void()> m_stamp;
};
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(2, atoi(argv[1])) : 300;

    testsupport::Pty pty;
    const int master = pty.masterFd();
    const QByteArray name = pty.slavePath().toLocal8Bit();

    testsupport::RecordingBoxes boxes;
    platform::SystemClock clock;
    demo::DemoWindow w(platform::PortMap({pty.slavePath()}), boxes, clock);
    if (!w.MSComm1->portOpen()) {
        std::fprintf(stderr, "the window did not open %s\n", name.constData());
        return 1;
    }
    // The longest frames the show sends.
    w.Command5_Click();
    for (int i = 0; i < demo::kInputCount; ++i) {
        w.Picture1_MouseDown(Qt::LeftButton, false, demo::lampCentreX(i), 100);
        w.Picture2_MouseDown(Qt::LeftButton, false, demo::lampCentreX(i), 100);
    }

    QElapsedTimer since;
    since.start();
    int skipped = 0;
    QList<qint64> arrivals, started, finished; // ns
    TimerEventStamp stamper([&] {
        if (!arrivals.isEmpty()) started << since.nsecsElapsed();
    });
    w.Timer1->installEventFilter(&stamper);
    QObject::connect(w.Timer1, &QTimer::timeout, [&] { // after the window's own handler
        if (!arrivals.isEmpty()) finished << since.nsecsElapsed();
    });

    QByteArray line;
    QSocketNotifier readable(master, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [&] {
        const qint64 now = since.nsecsElapsed();
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0) line.append(buf, n);
        for (qsizetype at; (at = line.indexOf("\x02TLY")) >= 0;) {
            line.remove(0, at + 4);
            if (skipped < kWarmUp)
                ++skipped;
            else
                arrivals << now;
        }
        if (arrivals.size() > ticks) app.quit();
    });
    // A stuck window must not keep the benchmark alive.
    QTimer::singleShot((ticks + kWarmUp + 10) * 200 + 5000, &app, [&] { app.exit(2); });
    if (app.exec() != 0 || arrivals.size() <= ticks) {
        std::fprintf(stderr, "only %lld frames arrived\n", qlonglong(arrivals.size()));
        return 1;
    }

    std::vector<double> periods, deviations;
    for (int k = 1; k <= ticks; ++k) {
        periods.push_back(ms(arrivals[k] - arrivals[k - 1]));
        deviations.push_back(std::abs(periods.back() - 200));
    }
    double mean = 0;
    for (double p : periods) mean += p / ticks;
    const auto worst = std::max_element(deviations.begin(), deviations.end());
    const int worstAt = int(worst - deviations.begin());
    const qsizetype outside = std::count_if(deviations.begin(), deviations.end(), [](double d) { return d > 2; });

    // The end points carry one tick's jitter each; a line fitted through
    // every arrival gives the rate the period really keeps.
    const double span = ms(arrivals[ticks] - arrivals[0]);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int k = 0; k <= ticks; ++k) {
        const double y = ms(arrivals[k] - arrivals[0]);
        sx += k;
        sy += y;
        sxx += double(k) * k;
        sxy += k * y;
    }
    const double n = ticks + 1;
    const double fitted = (n * sxy - sx * sy) / (n * sxx - sx * sx);

    // Where lateness comes from: the timer event, the tick's own work, or
    // the way from the port to the line.
    std::vector<double> timerDev, runs, lags;
    for (qsizetype k = 1; k < started.size(); ++k) timerDev.push_back(std::abs(ms(started[k] - started[k - 1]) - 200));
    for (qsizetype k = 0; k < std::min(started.size(), finished.size()); ++k)
        runs.push_back(ms(finished[k] - started[k]));
    for (qsizetype k = 0; k < finished.size() && k + 1 < arrivals.size(); ++k)
        lags.push_back(ms(arrivals[k + 1] - finished[k]));

    std::printf("periods measured:       %d (%.1f s)\n", ticks, span / 1000);
    std::printf("mean period:            %.4f ms\n", mean);
    std::printf("shortest / longest:     %.3f / %.3f ms\n", *std::min_element(periods.begin(), periods.end()),
                *std::max_element(periods.begin(), periods.end()));
    std::printf("largest deviation:      %+.3f ms (period %d)\n", periods[worstAt] - 200, worstAt + 1);
    std::printf("deviation p50 / p99:    %.3f / %.3f ms\n", median(deviations), percentile(deviations, 0.99));
    std::printf("periods beyond +-2 ms:  %lld\n", qlonglong(outside));
    std::printf("total drift:            %+.3f ms (first to last frame)\n", span - ticks * 200.0);
    std::printf("fitted period:          %.5f ms (%+.3f ms per minute)\n", fitted, (fitted - 200) * 300);
    std::printf("timer event, worst:     %.3f ms off 200\n", timerDev.empty() ? 0.0 : percentile(timerDev, 1));
    std::printf("tick's own run:         %.3f ms median, %.3f ms worst\n", median(runs),
                runs.empty() ? 0.0 : percentile(runs, 1));
    std::printf("tick end to arrival:    %.3f ms median, %.3f ms worst\n", median(lags),
                lags.empty() ? 0.0 : percentile(lags, 1));
    return 0;
}
