// A drawing surface with a user coordinate system given by its corner
// values, circles drawn with an outline colour and filled with the current
// fill colour, and mouse presses, moves and releases reported in user coordinates. What is
// drawn stays until drawn over: the surface keeps its own image.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QWidget>

#include <map>
#include <memory>
#include <tuple>

class QPainter;

namespace platform {

// User coordinates of the top-left corner (x1, y1) and the bottom-right
// corner (x2, y2) of the drawing area; y may run upwards (y1 > y2).
struct UserScale {
    double x1 = 0, y1 = 0, x2 = 1, y2 = 1;

    QPointF toUser(QPointF pixel, QSizeF size) const
    {
        return {x1 + pixel.x() * (x2 - x1) / size.width(), y1 + pixel.y() * (y2 - y1) / size.height()};
    }
    QPointF toPixel(QPointF user, QSizeF size) const
    {
        return {(user.x() - x1) * size.width() / (x2 - x1), (user.y() - y1) * size.height() / (y2 - y1)};
    }
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QColor background, QWidget *parent = nullptr);
    ~PictureBox() override;

    void setScale(double x1, double y1, double x2, double y2) { m_scale = {x1, y1, x2, y2}; }
    const UserScale &scale() const { return m_scale; }

    void setFillColor(QColor c) { m_fill = c; }
    QColor fillColor() const { return m_fill; }

    // A circle centred at (cx, cy); the radius is measured in x units so it
    // comes out round on screen.
    void circle(double cx, double cy, double radius, QColor outline);

    // Circles drawn while a Batch is alive share one painter and one repaint
    // request, made when the last Batch ends; a handler that draws many dots
    // holds one for the length of its loop. Batches may nest.
    class Batch {
    public:
        explicit Batch(PictureBox &box);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        PictureBox &m_box;
    };
    // Wipes the surface to its background.
    void cls();

    // What the surface shows, in device pixels.
    const QImage &image() const
    {
        ensureImage();
        return m_image;
    }
    // The colour shown at a point given in user coordinates.
    QColor colorAt(double x, double y) const;

signals:
    void mouseDown(Qt::MouseButton button, bool shift, double x, double y);
    // Only while a button is held (the box does not track the bare pointer),
    // with the buttons held; the pointer may have left the box by then.
    void mouseMove(Qt::MouseButtons buttons, bool shift, double x, double y);
    void mouseUp(Qt::MouseButton button, bool shift, double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Sized to the widget at device resolution; resize events are late for
    // hidden widgets, so every use checks.
    void ensureImage() const;
    // The open batch's painter, or a new one for a lone circle.
    QPainter &painter();
    void endPainting();
    // One circle rendered once, outline over fill on a transparent ground,
    // at a sub-pixel offset of its centre.
    using SpriteKey = std::tuple<int, int, int, QRgb, QRgb, int>;
    const QImage &sprite(const SpriteKey &key, double radiusPx, double penPx, int half);

    QColor m_background;
    QColor m_fill = Qt::black;
    UserScale m_scale;
    mutable QImage m_image;
    mutable std::unique_ptr<QPainter> m_painter;
    int m_batches = 0;
    QRect m_dirty; // logical pixels drawn over since the last repaint request
    mutable std::map<SpriteKey, QImage> m_sprites;
};

} // namespace platform
