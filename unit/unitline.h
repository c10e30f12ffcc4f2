// Tally display units as the control line sees them: each has an address,
// a RAM and a PROM image, tally and flash states, its last text, a display
// mode and the parallel inputs that drive its PGM and PVW lamps. Frames in,
// replies out; no port and no window here.
#pragma once

#include "link/frame.h"
#include "link/protocol.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace unit {

using Image = unitlink::ImageBytes;

struct Unit {
    quint8 address = 1;
    Image ram{};
    Image prom{};
    bool pgm = false;
    bool pvw = false;
    bool flash = false;
    QByteArray text = "     ";
    quint8 mode = 0;
    char pgmInput = '@'; // coded number: '@' none, 'A' input 1 ...
    char pvwInput = '@';
};

// Assembles frames from the bytes of the line. A frame is STX, printable
// ASCII, ETX; anything else (noise, bytes above 0x7F, control characters,
// frames longer than any command) is dropped without an answer.
class FrameReader {
public:
    static constexpr qsizetype kLongestFrame = 128;
    // The frames completed by these bytes, without STX and ETX.
    QList<QByteArray> feed(QByteArrayView bytes);

private:
    QByteArray m_body;
    bool m_inFrame = false;
};

class UnitLine : public QObject {
    Q_OBJECT
public:
    explicit UnitLine(QList<quint8> addresses, QObject *parent = nullptr);

    // Carries out one frame (without STX/ETX) and returns the reply frames,
    // each with STX and ETX, in the order they go on the line.
    QList<QByteArray> handle(const QByteArray &body);

    const QList<Unit> &units() const { return m_units; }
    QList<Unit> &units() { return m_units; }

    // PROM images by address, as kept across runs, one line per unit. The
    // file also keeps units that are not on this line: `previous` is the
    // file as it is now, and only this line's units' lines change in it.
    QByteArray promFileText(QByteArrayView previous) const;
    // Reads what promFileText wrote; lines that do not parse are skipped.
    void loadPromFileText(QByteArrayView text);

signals:
    // A unit's state changed (for the window).
    void changed();
    // A PROM image was written (to keep it across runs).
    void promWritten();

private:
    // One unit's part in an addressed command: its reply, if it gives one.
    std::optional<QByteArray> carryOut(Unit &u, const unitlink::CommandSpec *spec,
                                       const std::optional<unitlink::Command> &command);

    QList<Unit> m_units;
};

} // namespace unit
