// TSL UMD v5.0. A packet: PBC (the count of bytes after it), VER, FLAGS,
// SCREEN, then any number of display messages, each INDEX, CONTROL, LENGTH
// and LENGTH bytes of text; 16-bit fields little-endian, VER and FLAGS one
// byte each. CONTROL holds three tallies of two bits (0 off, 1 red, 2 green,
// 3 amber): bits 0-1 the right-hand one, 2-3 the text tally, 4-5 the
// left-hand one; bit 15 says the message carries control data, not a
// display. On TCP each packet starts with DLE (0xFE) STX (0x02), and a DLE
// in the packet is sent twice.
#pragma once

#include "bridge/malformed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace bridge {

enum class Tsl5Colour { Off, Red, Green, Amber };
enum class Tsl5Lamp { RightHand, Text, LeftHand };

struct Tsl5Display {
    static constexpr int kBroadcast = 0xFFFF; // every display of the screen
    int index = 0;
    quint16 control = 0;
    QString text;

    Tsl5Colour colour(Tsl5Lamp lamp) const { return Tsl5Colour((control >> (2 * int(lamp))) & 3); }
};

struct Tsl5Packet {
    static constexpr int kEveryScreen = 0xFFFF;
    int screen = 0;
    QList<Tsl5Display> displays; // control-data messages are left out
};

// One whole packet, PBC first; none when its byte count or a message's
// length does not fit the bytes.
std::optional<Tsl5Packet> readTsl5Packet(QByteArrayView bytes);

// The TCP stream's packets, whatever the reads cut them into.
class Tsl5Stream {
public:
    static constexpr char kDle = char(0xFE);
    static constexpr char kStx = 0x02;

    // The whole packets (undoubled, PBC first) the bytes complete.
    QList<QByteArray> feed(QByteArrayView bytes);
    // Runs of bytes that were no packet, since the start.
    const MalformedCount &malformed() const { return m_malformed; }
    MalformedCount &malformed() { return m_malformed; }
    // Bytes held for a packet not yet complete.
    qsizetype pending() const { return m_packet.size(); }

private:
    void garbage();

    QByteArray m_packet;
    bool m_inPacket = false;
    bool m_afterDle = false;
    bool m_inGarbage = false;
    MalformedCount m_malformed;
};

// The packet as it goes on TCP: DLE STX, then every DLE doubled.
QByteArray wrapTsl5(QByteArrayView packet);

} // namespace bridge
