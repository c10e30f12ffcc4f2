// Control adapters and the picture box.
#include "platform/controls.h"
#include "platform/picturebox.h"

#include <QCheckBox>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

using platform::ListCombo;
using platform::PictureBox;
using platform::UserScale;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void comboClickRules()
    {
        ListCombo c(QStringLiteral("选择串行端口"));
        c.addItems({"Com1", "Com2", "Com3"});
        QSignalSpy clicks(&c, &ListCombo::click);
        QCOMPARE(c.listIndex(), -1);
        QCOMPARE(c.shownText(), QString("选择串行端口"));
        c.setListIndex(-1);
        QCOMPARE(clicks.count(), 0);  // same position: nothing runs
        c.setListIndex(2);
        QCOMPARE(clicks.count(), 1);
        c.setListIndex(2);
        QCOMPARE(clicks.count(), 1);
        emit c.activated(2);  // the operator picks the entry already shown
        QCOMPARE(clicks.count(), 2);
        c.setListIndex(-1);
        QCOMPARE(clicks.count(), 3);
        QCOMPARE(c.shownText(), QString("选择串行端口"));
    }

    void comboShownTextChoosesNothing()
    {
        ListCombo c(QStringLiteral("对应并行输入"));
        c.addItems({"01", "02", "05"});
        QSignalSpy clicks(&c, &ListCombo::click);
        c.setShownText("05");
        QCOMPARE(c.listIndex(), -1);
        QCOMPARE(c.shownText(), QString("05"));
        QCOMPARE(clicks.count(), 0);
    }

    void checkBoxProgrammaticChangeRunsHandler()
    {
        QCheckBox box;
        int runs = 0;
        connect(&box, &QCheckBox::toggled, this, [&] { ++runs; });
        box.setChecked(true);
        box.setChecked(true);
        box.setChecked(false);
        QCOMPARE(runs, 2);
    }

    void userScale_data()
    {
        QTest::addColumn<double>("px");
        QTest::addColumn<double>("py");
        QTest::addColumn<double>("ux");
        QTest::addColumn<double>("uy");
        // A 425 x 105 canvas with x 0..6399 to the right, y 1599..0 downwards.
        QTest::newRow("top-left") << 0.0 << 0.0 << 0.0 << 1599.0;
        QTest::newRow("bottom-right") << 425.0 << 105.0 << 6399.0 << 0.0;
        QTest::newRow("middle") << 212.5 << 52.5 << 3199.5 << 799.5;
    }
    void userScale()
    {
        QFETCH(double, px);
        QFETCH(double, py);
        QFETCH(double, ux);
        QFETCH(double, uy);
        const UserScale s{0, 1599, 6399, 0};
        const QPointF u = s.toUser({px, py}, QSizeF(425, 105));
        QCOMPARE(u.x(), ux);
        QCOMPARE(u.y(), uy);
        const QPointF back = s.toPixel(u, QSizeF(425, 105));
        QCOMPARE(back.x(), px);
        QCOMPARE(back.y(), py);
    }

    void drawingPersistsThroughResize()
    {
        PictureBox box(Qt::black);
        box.resize(425, 105);
        box.setScale(0, 1599, 6399, 0);
        box.setFillColor(Qt::red);
        box.circle(100, 1500, 80, QColor(128, 0, 0));
        QCOMPARE(box.colorAt(100, 1500), QColor(Qt::red));
        QCOMPARE(box.colorAt(300, 1500), QColor(Qt::black));
        box.resize(600, 200);
        box.resize(425, 105);
        QCOMPARE(box.colorAt(100, 1500), QColor(Qt::red));
        box.cls();
        QCOMPARE(box.colorAt(100, 1500), QColor(Qt::black));
    }

    void imageFollowsDevicePixelRatio()
    {
        PictureBox box(Qt::black);
        box.resize(425, 105);
        const qreal dpr = box.devicePixelRatioF();
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") QCOMPARE(dpr, 2.0);
        QCOMPARE(box.image().size(), QSize(qRound(425 * dpr), qRound(105 * dpr)));
        // A dot's edge is drawn at device resolution, not scaled up.
        box.setScale(0, 1599, 6399, 0);
        box.setFillColor(Qt::red);
        box.circle(100, 1500, 80, QColor(128, 0, 0));
        QCOMPARE(box.colorAt(100, 1500), QColor(Qt::red));
    }

    // Dots are blended from cached sprites; they must look like circles drawn in place.
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
                if (want == got) continue;
                double rim = 1e9;  // device pixels from the nearest circle's outline
                for (QPointF c : centres)
                    rim = std::min(rim, std::abs(QLineF(c, QPointF(x + 0.5, y + 0.5)).length() - r * dpr));
                QVERIFY2(rim < 1.5 * dpr, qPrintable(QStringLiteral("(%1, %2) is off the rim").arg(x).arg(y)));
                for (int shift : {0, 8, 16})
                    QVERIFY(std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF)) <= 32);
            }
    }

    void mousePressInUserCoordinates_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("shift");
        QTest::newRow("left") << int(Qt::LeftButton) << false;
        QTest::newRow("right with shift") << int(Qt::RightButton) << true;
        QTest::newRow("middle") << int(Qt::MiddleButton) << false;
    }
    void mousePressInUserCoordinates()
    {
        QFETCH(int, button);
        QFETCH(bool, shift);
        PictureBox box(Qt::gray);
        box.resize(240, 240);
        box.setScale(0, 0, 8, 8);
        QSignalSpy down(&box, &PictureBox::mouseDown);
        QTest::mouseClick(&box, Qt::MouseButton(button), shift ? Qt::ShiftModifier : Qt::NoModifier, QPoint(45, 225));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down.at(0).at(0).value<Qt::MouseButton>(), Qt::MouseButton(button));
        QCOMPARE(down.at(0).at(1).toBool(), shift);
        QCOMPARE(down.at(0).at(2).toDouble(), 1.5);
        QCOMPARE(down.at(0).at(3).toDouble(), 7.5);
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
