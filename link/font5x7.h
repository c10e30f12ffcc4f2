// Text as a unit image: up to five printable ASCII characters in a 5 x 7
// pixel font, one blank column between characters, centred across the 32
// columns, the glyphs in the top seven rows.
#pragma once

#include "link/frame.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace unitlink {

// The image, one byte per column with bit 0 the bottom dot as the unit
// shows it; none when the text is longer than five characters or holds a
// character outside printable ASCII.
std::optional<ImageBytes> textImage(QStringView text);

// Hex image text of 32 bytes: two upper-case digits and a space each.
QString imageHexText(const ImageBytes &bytes);

} // namespace unitlink
