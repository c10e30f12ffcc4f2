#include "platform/picturebox.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace platform {

namespace {
// Sprites are placed to an eighth of a device pixel: the rim then differs
// from a circle drawn in place by a few levels of antialiasing at most.
constexpr int kSteps = 8;
} // namespace

PictureBox::PictureBox(QColor background, QWidget *parent) : QWidget(parent), m_background(background)
{
    // The image is made on first use: the size given here is seldom the one
    // the form places the box at.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PictureBox::~PictureBox()
{
    m_painter.reset();
}

void PictureBox::ensureImage() const
{
    const qreal dpr = devicePixelRatioF();
    const QSize want = (QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1));
    if (!m_image.isNull() && m_image.size() == want && qFuzzyCompare(m_image.devicePixelRatio(), dpr)) return;
    const bool painting = m_painter != nullptr;
    if (painting) m_painter->end();
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
    m_sprites.clear(); // sized for the old scale
    if (painting) m_painter->begin(&m_image);
}

QPainter &PictureBox::painter()
{
    if (!m_painter) m_painter = std::make_unique<QPainter>(&m_image);
    return *m_painter;
}

void PictureBox::endPainting()
{
    m_painter.reset();
    if (!m_dirty.isEmpty()) update(m_dirty);
    m_dirty = QRect();
}

PictureBox::Batch::Batch(PictureBox &box) : m_box(box)
{
    // Nothing resizes the box while its handler draws: one size check serves the batch.
    if (m_box.m_batches++ == 0) m_box.ensureImage();
}

PictureBox::Batch::~Batch()
{
    if (--m_box.m_batches == 0) m_box.endPainting();
}

const QImage &PictureBox::sprite(const SpriteKey &key, double radiusPx, double penPx, int half)
{
    if (const auto found = m_sprites.find(key); found != m_sprites.end()) return found->second;
    // The rim reaches half pixels from the centre, which lies less than a
    // pixel right of and below the middle pixel's corner.
    QImage s(2 * half + 1, 2 * half + 1, QImage::Format_ARGB32_Premultiplied);
    s.fill(Qt::transparent);
    QPainter p(&s);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor::fromRgba(std::get<3>(key)), penPx));
    p.setBrush(QColor::fromRgba(std::get<4>(key)));
    const QPointF centre(half + std::get<1>(key) / double(kSteps), half + std::get<2>(key) / double(kSteps));
    p.drawEllipse(centre, radiusPx, radiusPx);
    p.end();
    s.setDevicePixelRatio(m_image.devicePixelRatio());
    return m_sprites.emplace(key, std::move(s)).first->second;
}

void PictureBox::circle(double cx, double cy, double radius, QColor outline)
{
    // Rasterising an antialiased circle costs far more than copying one:
    // each (radius, colours, resolution) is drawn once into a sprite, at the
    // eighth-of-a-pixel offset of its centre so the rim lands where a circle
    // drawn in place would put it, and blended in from then on.
    if (m_batches == 0) ensureImage();
    const QSizeF logical = size();
    const qreal dpr = m_image.devicePixelRatio();
    const QPointF centre = m_scale.toPixel({cx, cy}, logical) * dpr;
    const double r = radius * logical.width() / std::abs(m_scale.x2 - m_scale.x1) * dpr;
    const double pen = dpr; // one logical pixel
    int x = int(std::floor(centre.x())), y = int(std::floor(centre.y()));
    int qx = qRound((centre.x() - x) * kSteps), qy = qRound((centre.y() - y) * kSteps);
    if (qx == kSteps) {
        ++x;
        qx = 0;
    }
    if (qy == kSteps) {
        ++y;
        qy = 0;
    }
    const int half = int(std::ceil(r + pen / 2));
    const QImage &s = sprite({qRound(r * 64), qx, qy, outline.rgba(), m_fill.rgba(), qRound(pen * 64)}, r, pen, half);

    const QPointF at = QPointF(x - half, y - half) / dpr;
    painter().drawImage(at, s);
    m_dirty |= QRectF(at, s.deviceIndependentSize()).toAlignedRect();
    if (m_batches == 0) endPainting();
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

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF user = m_scale.toUser(event->position(), size());
    emit mouseMove(event->buttons(), event->modifiers().testFlag(Qt::ShiftModifier), user.x(), user.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF user = m_scale.toUser(event->position(), size());
    emit mouseUp(event->button(), event->modifiers().testFlag(Qt::ShiftModifier), user.x(), user.y());
}

} // namespace platform
