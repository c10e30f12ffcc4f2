// Soak: request/reply cycles between the console and a tally-unit process
// over a pty, as fast as the replies come. Every reply is checked against
// the request that was sent; prints cycles per second and the replies lost,
// duplicated or out of order.
#include "console/consolewindow.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;

    QProcess unitProcess;
    unitProcess.start(QCoreApplication::applicationDirPath() + "/../bin/tally-unit", {"--headless", "--quiet"});
    if (!unitProcess.waitForStarted() || !unitProcess.waitForReadyRead(5000)) {
        std::fprintf(stderr, "tally-unit did not start\n");
        return 1;
    }
    const QString path = QString::fromLocal8Bit(unitProcess.readLine()).trimmed();

    testsupport::RecordingBoxes boxes;
    testsupport::RecordingDialogs dialogs;
    console::ConsoleWindow w(platform::PortMap({path}), boxes, dialogs);
    w.TallyID->setText("01");

    struct Step {
        std::function<void()> send;
        QString reply;
    };
    QString uploaded; // what the last upload put in the unit's RAM
    int seed = 0;
    const QList<Step> steps = {
        {[&] {
             // A new image each time, so a stale download would show.
             ++seed;
             QString text;
             for (int c = 0; c < 32; ++c)
                 text += QStringLiteral("%1 ").arg((seed * 7 + c * 13) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
             w.Test1->setText(text);
             w.HexToPicture();
             uploaded = text;
             w.Command10_Click();
         },
         QStringLiteral("LED unit has been written!")},
        {[&] { w.Command9_Click(); }, QStringLiteral("Download finished!")},
        {[&] { w.Command22_Click(); }, QString()}, // "ton" or "tof", by the button's state
        {[&] { w.Command13_Click(); }, QStringLiteral("chr")},
    };

    int done = 0, lost = 0, duplicated = 0, outOfOrder = 0, wrongImage = 0;
    int framesSeen = 0, framesExpected = 0;
    QString expected;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(2000);

    std::function<void()> next = [&] {
        if (done == cycles) {
            app.quit();
            return;
        }
        const Step &s = steps[done % steps.size()];
        expected = s.reply.isEmpty() ? (w.PgmOn ? QStringLiteral("tof") : QStringLiteral("ton")) : s.reply;
        ++framesExpected;
        watchdog.start();
        s.send();
    };
    QObject::connect(&watchdog, &QTimer::timeout, &app, [&] {
        ++lost;
        ++done;
        next();
    });
    QObject::connect(w.MSComm1, &platform::SerialComm::onComm, &app, [&] {
        if (!w.monitor().endsWith(QStringLiteral("[ETX]"))) return;
        ++framesSeen;
        if (framesSeen > framesExpected) {
            ++duplicated;
            return;
        }
        watchdog.stop();
        if (w.Label1->text() != expected) ++outOfOrder;
        if (expected == QStringLiteral("Download finished!")) {
            w.PictureToHex();
            if (w.Test1->text() != uploaded) ++wrongImage;
        }
        ++done;
        QTimer::singleShot(0, &app, next);
    });

    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, &app, next);
    app.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    unitProcess.kill();
    unitProcess.waitForFinished();

    std::printf("cycles: %d in %.2f s, %.1f cycles/s\n", done, seconds, done / seconds);
    std::printf("replies lost: %d, duplicated: %d, out of order: %d, wrong image: %d, boxes: %lld\n", lost, duplicated,
                outOfOrder, wrongImage, qlonglong(boxes.calls.size()));
    return lost + duplicated + outOfOrder + wrongImage == 0 ? 0 : 1;
}
