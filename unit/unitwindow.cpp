#include "unit/unitwindow.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace unit {

namespace {
constexpr int kCell = 12;
constexpr int kMatrixLeft = 70;
constexpr int kTop = 8;
} // namespace

UnitView::UnitView(UnitLine &line, int index, QWidget *parent) : QWidget(parent), m_line(line), m_index(index)
{
    connect(&m_line, &UnitLine::changed, this, qOverload<>(&QWidget::update));
    setMinimumSize(sizeHint());
}

QSize UnitView::sizeHint() const
{
    return {kMatrixLeft + 32 * kCell + 150, kTop * 2 + 8 * kCell + 4};
}

void UnitView::setFlashPhase(bool on)
{
    m_flashPhase = on;
    if (m_line.units().value(m_index).flash) update();
}

void UnitView::paintEvent(QPaintEvent *)
{
    const Unit u = m_line.units().value(m_index);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(30, 30, 30));

    p.setPen(Qt::white);
    QFont f = font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 4);
    p.setFont(f);
    p.drawText(QRect(8, kTop, kMatrixLeft - 12, 8 * kCell), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1").arg(u.address, 2, 16, QLatin1Char('0')).toUpper());

    // The matrix: column c is byte c, bit 0 the bottom dot.
    p.fillRect(QRect(kMatrixLeft - 4, kTop - 4, 32 * kCell + 8, 8 * kCell + 8), Qt::black);
    for (int c = 0; c < 32; ++c) {
        for (int r = 0; r < 8; ++r) {
            const bool lit = (u.ram[size_t(c)] >> r) & 1;
            p.setPen(Qt::NoPen);
            p.setBrush(lit ? QColor(255, 40, 20) : QColor(60, 0, 0));
            p.drawEllipse(QRectF(kMatrixLeft + c * kCell + 1, kTop + (7 - r) * kCell + 1, kCell - 2, kCell - 2));
        }
    }

    const int lampsLeft = kMatrixLeft + 32 * kCell + 16;
    const bool showLit = !u.flash || m_flashPhase;
    auto lamp = [&](int y, bool on, QColor colour, const QString &name) {
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(on && showLit ? colour : colour.darker(400));
        p.drawEllipse(QRectF(lampsLeft, y, 18, 18));
        p.setPen(Qt::lightGray);
        p.setFont(font());
        p.drawText(QPointF(lampsLeft + 24, y + 14), name);
    };
    lamp(kTop, u.pgm, QColor(255, 0, 0),
         QStringLiteral("PGM") + (u.pgmInput != '@' ? QStringLiteral(" (%1)").arg(u.pgmInput) : QString()));
    lamp(kTop + 26, u.pvw, QColor(0, 220, 0),
         QStringLiteral("PVW") + (u.pvwInput != '@' ? QStringLiteral(" (%1)").arg(u.pvwInput) : QString()));
    p.setPen(Qt::white);
    p.drawText(QPointF(lampsLeft, kTop + 74), QStringLiteral("\"%1\"").arg(QString::fromLatin1(u.text)));
    p.setPen(Qt::gray);
    p.drawText(QPointF(lampsLeft, kTop + 94), modeText());
}

QString UnitView::modeText() const
{
    const Unit u = m_line.units().value(m_index);
    return tr("mode %1%2").arg(u.mode, 2, 16, QLatin1Char('0')).arg(u.flash ? tr("  flash") : QString()).toUpper();
}

UnitWindow::UnitWindow(UnitLine &line, const QString &path, QWidget *parent) : QWidget(parent)
{
    setWindowTitle(tr("虚拟泰丽灯 - %1").arg(path));
    auto *layout = new QVBoxLayout(this);
    auto *header = new QLabel(tr("Virtual units on %1").arg(path));
    header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(header);
    for (int i = 0; i < line.units().size(); ++i) {
        auto *view = new UnitView(line, i);
        view->setObjectName(QStringLiteral("unit%1").arg(i));
        m_views << view;
        layout->addWidget(view);
    }
    m_flash.setInterval(400);
    connect(&m_flash, &QTimer::timeout, this, [this] {
        m_phase = !m_phase;
        for (UnitView *v : m_views) v->setFlashPhase(m_phase);
    });
    m_flash.start();
}

} // namespace unit
