#include "platform/picturebox.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace platform {

PictureBox::PictureBox(QColor background, QWidget *parent) : QWidget(parent), m_background(background)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    ensureImage();
}

void PictureBox::ensureImage() const
{
    const qreal dpr = devicePixelRatioF();
    const QSize want = (QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1));
    if (!m_image.isNull() && m_image.size() == want && qFuzzyCompare(m_image.devicePixelRatio(), dpr)) return;
    QImage next(want, QImage::Format_ARGB32_Premultiplied);
    next.setDevicePixelRatio(dpr);
    next.fill(m_background);
    if (!m_image.isNull()) {
        // Keep what was drawn: a resize or a move to another screen only
        // gives more (or sharper) room.
        QPainter p(&next);
        p.drawImage(QRectF(QPointF(0, 0), m_image.deviceIndependentSize()), m_image);
    }
    m_image = next;
}

void PictureBox::circle(double cx, double cy, double radius, QColor outline)
{
    ensureImage();
    const QSizeF logical = size();
    const QPointF centre = m_scale.toPixel({cx, cy}, logical);
    const double r = radius * logical.width() / std::abs(m_scale.x2 - m_scale.x1);
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(outline, 1.0));
    p.setBrush(m_fill);
    p.drawEllipse(centre, r, r);
    update();
}

void PictureBox::cls()
{
    ensureImage();
    m_image.fill(m_background);
    update();
}

QColor PictureBox::colorAt(double x, double y) const
{
    ensureImage();
    const QPointF px = m_scale.toPixel({x, y}, size()) * m_image.devicePixelRatio();
    const QPoint at(qBound(0, int(px.x()), m_image.width() - 1), qBound(0, int(px.y()), m_image.height() - 1));
    return m_image.pixelColor(at);
}

void PictureBox::paintEvent(QPaintEvent *)
{
    ensureImage();
    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_image);
}

void PictureBox::resizeEvent(QResizeEvent *)
{
    ensureImage();
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    const QPointF user = m_scale.toUser(event->position(), size());
    emit mouseDown(event->button(), event->modifiers().testFlag(Qt::ShiftModifier), user.x(), user.y());
}

} // namespace platform
