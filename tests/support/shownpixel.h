// What a picture box shows at a point in its user coordinates: read from
// the widget as it paints itself, which is what the operator sees, not from
// the image it keeps.
#pragma once

#include "platform/picturebox.h"

#include <QPixmap>

namespace testsupport {

inline QColor shownAt(platform::PictureBox &box, double x, double y)
{
    const QImage shown = box.grab().toImage();
    const QPointF at = box.scale().toPixel({x, y}, QSizeF(box.size())) * shown.devicePixelRatio();
    return shown.pixelColor(int(at.x()), int(at.y()));
}

} // namespace testsupport
