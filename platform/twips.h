#pragma once

#include <QRect>
#include <QSize>

namespace platform {

// Layouts are drawn up in twips; the screen has 15 twips to a pixel.
inline constexpr int kTwipsPerPixel = 15;

constexpr QRect twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel);
}
constexpr QSize twipsSize(int width, int height)
{
    return QSize(width / kTwipsPerPixel, height / kTwipsPerPixel);
}

} // namespace platform
