// TSL UMD v3.1: 18-byte display messages. A header byte (0x80 + display
// address 0 to 126), a control byte (bits 0 to 3 the four tallies, bits 4
// and 5 the brightness, bit 7 clear) and 16 characters. Only the header
// has bit 7 set, so a reader that lost its place finds the next message at
// the next such byte.
#pragma once

#include "bridge/malformed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace bridge {

struct Tsl31Message {
    int address = 0;
    quint8 control = 0;
    QByteArray text; // up to 16 Latin-1 characters, without the spaces or NULs that pad it

    // Tally 1 to 4.
    bool tally(int n) const { return (control >> (n - 1)) & 1; }
    int brightness() const { return (control >> 4) & 3; }
};

// Reads a stream (TCP) or one datagram at a time (UDP: call end() after
// each, as a datagram never continues in the next).
class Tsl31Reader {
public:
    static constexpr qsizetype kMessageSize = 18;

    // The messages the bytes complete.
    QList<Tsl31Message> feed(QByteArrayView bytes);
    // Whatever is left is cut short: counted as malformed and dropped.
    void end();

    // Runs of bytes that were not a message, since the start.
    const MalformedCount &malformed() const { return m_malformed; }
    MalformedCount &malformed() { return m_malformed; }
    // Bytes held for a message not yet complete.
    qsizetype pending() const { return m_pending.size(); }

private:
    QByteArray m_pending;
    MalformedCount m_malformed;
};

} // namespace bridge
