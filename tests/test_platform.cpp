// Control adapters and the picture box.
#include "platform/controls.h"
#include "platform/picturebox.h"

#include <QSignalSpy>
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
        c.setListIndex(-1);  // same position: nothing runs
        c.setListIndex(2);
        c.setListIndex(2);
        QCOMPARE(clicks.count(), 1);
        emit c.activated(2);  // the operator picks the entry already shown
        c.setShownText("05");
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(c.shownText(), QString("05"));
        QCOMPARE(c.listIndex(), -1);
        c.setListIndex(1);
        c.setListIndex(-1);
        QCOMPARE(clicks.count(), 4);
        QCOMPARE(c.shownText(), QString("选择串行端口"));
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
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
