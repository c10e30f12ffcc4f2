// Control adapters, the picture box, what titles and port lists say, where windows are kept.
#include "platform/controls.h"
#include "platform/picturebox.h"
#include "platform/porttitle.h"
#include "platform/windowgeometry.h"
#include "platform/windowport.h"

#include <QPainter>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using platform::ListCombo;
using platform::PictureBox;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void comboClickRules()
    {
        ListCombo c(QStringLiteral("选择串行端口"));
        c.addItems({"Com1", "Com2", "Com3"});
        QSignalSpy clicks(&c, &ListCombo::click);
        for (int i : {-1, 2, 2}) c.setListIndex(i); // the same position again: nothing runs
        QCOMPARE(clicks.count(), 1);
        emit c.activated(2);  // the operator picks the entry already shown
        c.setShownText("05");
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(c.shownText(), QString("05"));
        QCOMPARE(c.listIndex(), -1);
        for (int i : {1, -1}) c.setListIndex(i);
        QCOMPARE(clicks.count(), 4);
        QCOMPARE(c.shownText(), QString("选择串行端口"));
    }

    // Open, none open, lost and refused are rows of the windows' own tests, a device's tip too.
    void portTexts()
    {
        QCOMPARE(platform::portTitle("Kandrel", {platform::PortState::Open, "Com3", {}, "writing failed"}), "Kandrel - writing failed");
        QCOMPARE(platform::portTip("/dev/tally-none"), "/dev/tally-none: absent");
    }

    // A window comes back where it was left (saved while it stays open), and as designed after --reset-layout.
    void windowGeometryKept()
    {
        QTemporaryDir config;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        const auto start = [](bool reset) {
            platform::WindowGeometry::enable(reset);
            auto w = std::make_unique<QWidget>();
            w->resize(300, 200);
            platform::WindowGeometry::remember(w.get(), "w");
            w->show();
            return w;
        };
        auto w = start(false);
        w->resize(320, 240);
        QTRY_VERIFY(!QSettings("zidid-tally", "windows").value("w").isNull());
        w->move(w->pos() + QPoint(40, 30)); // moved only: its place kept too
        QTRY_COMPARE(QSettings("zidid-tally", "windows").value("w").toByteArray(), w->saveGeometry());
        w.reset();
        QCOMPARE(start(false)->size(), QSize(320, 240));
        QCOMPARE(start(true)->size(), QSize(300, 200));
    }

    void drawingStaysThroughResize()
    {
        PictureBox box(Qt::black);
        box.resize(425, 105);
        const qreal dpr = box.devicePixelRatioF();
        QCOMPARE(box.image().size(), QSize(qRound(425 * dpr), qRound(105 * dpr)));
        box.setScale(0, 1599, 6399, 0);
        box.setFillColor(Qt::red);
        box.circle(100, 1500, 80, QColor(128, 0, 0));
        box.resize(600, 200);
        box.resize(425, 105);
        QCOMPARE(box.colorAt(100, 1500), QColor(Qt::red));
        QCOMPARE(box.colorAt(300, 1500), QColor(Qt::black));
        box.cls();
        QCOMPARE(box.colorAt(100, 1500), QColor(Qt::black));
    }

    // Dots are blended from cached sprites; they must look like circles
    // drawn in place: only the rim may differ, and only by antialiasing.
    void spriteCirclesMatchPaintedCircles_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRectF>("scale");  // (x1, y1) to (x1 + w, y1 + h)
        QTest::addColumn<double>("radius");
        QTest::newRow("console canvas") << QSize(425, 105) << QRectF(0, 1599, 6399, -1599) << 80.0;
        QTest::newRow("kandrel lamp row") << QSize(760, 33) << QRectF(0, 199, 4799, -199) << 80.0;
        QTest::newRow("velk panel") << QSize(240, 240) << QRectF(0, 0, 8, 8) << 0.4;
    }
    void spriteCirclesMatchPaintedCircles()
    {
        QFETCH(QSize, size);
        QFETCH(QRectF, scale);
        QFETCH(double, radius);
        PictureBox box(Qt::black);
        box.resize(size);
        box.setScale(scale.left(), scale.top(), scale.right(), scale.bottom());
        QImage expected = box.image();
        QPainter p(&expected);
        p.setRenderHint(QPainter::Antialiasing);
        const double r = radius * size.width() / scale.width(), dpr = expected.devicePixelRatio();
        QList<QPointF> centres;
        const PictureBox::Batch batch(box);
        for (int i = 0; i < 36; ++i) {  // twelve places, each drawn over twice a little aside
            const QPointF user(scale.left() + (i % 12 + 0.5 + i * 0.013) * scale.width() / 12, scale.center().y());
            const QColor fill = i % 5 < 2 ? Qt::red : Qt::black, outline(128, 0, i % 3 * 100);
            box.setFillColor(fill);
            box.circle(user.x(), user.y(), radius, outline);
            centres << box.scale().toPixel(user, QSizeF(size)) * dpr;
            p.setPen(QPen(outline, 1.0));
            p.setBrush(fill);
            p.drawEllipse(centres.last() / dpr, r, r);
        }
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb want = expected.pixel(x, y), got = box.image().pixel(x, y);
                double rim = 1e9;  // device pixels from the nearest circle's outline
                for (QPointF c : centres) rim = std::min(rim, std::abs(QLineF(c, QPointF(x + 0.5, y + 0.5)).length() - r * dpr));
                const int worst = std::max({std::abs(qRed(want) - qRed(got)), std::abs(qGreen(want) - qGreen(got)),
                                            std::abs(qBlue(want) - qBlue(got))});
                QVERIFY2(worst == 0 || (rim < 1.5 * dpr && worst <= 32), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            }
    }

    // The line log (820 x 480, at least 480 x 240) beside the 628 x 356 console.
    void placeBeside_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("1920x1080, centred: right, narrowed") << QRect(0, 0, 1920, 1080) << QRect(646, 362, 628, 356) << QRect(1274, 362, 646, 480);
        QTest::newRow("1600x1200, centred: below, shortened") << QRect(0, 0, 1600, 1200) << QRect(486, 422, 628, 356) << QRect(486, 778, 820, 422);
        QTest::newRow("at the right edge: left") << QRect(0, 0, 1920, 1080) << QRect(1292, 100, 628, 356) << QRect(472, 100, 820, 480);
        QTest::newRow("low on a second screen: right, raised") << QRect(1920, 0, 2560, 1440) << QRect(1920, 1000, 628, 356) << QRect(2548, 960, 820, 480);
        QTest::newRow("800x600: no room, over its right part") << QRect(0, 0, 800, 600) << QRect(86, 122, 628, 356) << QRect(0, 120, 800, 480);
    }
    void placeBeside()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, owner);
        QTEST(platform::placeBeside(owner, screen, QSize(820, 480), QSize(480, 240)), "placed");
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
