// The demonstration driver's show logic that needs no window: input
// letters, the clock text, the lamp rows' geometry and colours, the tick's
// mode and the address a unit reports.
#pragma once

#include <QChar>
#include <QColor>
#include <QString>
#include <QStringView>
#include <QTime>

#include <array>
#include <optional>

namespace demo {

inline constexpr int kInputCount = 24;
using Inputs = std::array<bool, kInputCount>;

// What a tick does. The virtual input show wins over the clock show, which
// only waits while it runs.
enum class TickMode { Idle, ClockShow, VirtualInputShow };
TickMode tickMode(bool virtualInputOn, bool clockOn);

// Input i travels as the coded number of i + 1: "A" for input 0, "X" for 23.
QChar inputLetter(int input);
// The letters of the inputs that are on, in ascending order ("ACF").
QString inputLetters(const Inputs &inputs);

// Minutes and seconds of a time of day, two digits each: 14:03:09 -> "03:09".
QString clockText(QTime time);

// A lamp row's user coordinates: x 0..4799 left to right, y 199 at the top
// down to 0; each lamp owns a cell 200 units wide.
struct LampRowScale {
    static constexpr double x1 = 0, y1 = 199, x2 = 4799, y2 = 0;
};
inline constexpr double kCellWidth = 200;
inline constexpr double kLampRadius = 80;
inline constexpr double kLampY = 100;
inline constexpr double lampCentreX(int input)
{
    return input * kCellWidth + kCellWidth / 2;
}

// The input whose cell holds user x, or -1 when x lies outside all 24 cells.
int lampCell(double x);

struct LampColours {
    QColor onFill, onOutline, offFill, offOutline;
};
// A lit PVW lamp is filled red like a PGM lamp; only its outline tells them apart.
inline const LampColours kPgmLamps{QColor(255, 0, 0), QColor(240, 0, 0), QColor(128, 128, 128), QColor(0, 112, 0)};
inline const LampColours kPvwLamps{QColor(255, 0, 0), QColor(240, 0, 240), QColor(128, 128, 128), QColor(0, 112, 0)};

inline const QColor kClockIdle(0, 128, 128);    // dark cyan: off or waiting
inline const QColor kClockRunning(0, 255, 255); // cyan

// The address a completed reply reports: an answer to the address or the
// identity query gives the two characters after its mnemonic (fewer when
// the reply is shorter). Other replies report none.
std::optional<QString> reportedAddress(QStringView reply);

} // namespace demo
