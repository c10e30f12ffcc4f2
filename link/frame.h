// The unit control line's text protocol: frames, addresses, coded numbers
// and image checksums. Everything here is pure and needs no port.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <span>

namespace unitlink {

inline constexpr char STX = '\x02';
inline constexpr char ETX = '\x03';

// A unit's 32 x 8 dot image: one byte per column, bit 0 the bottom dot.
using ImageBytes = std::array<quint8, 32>;

// Leading hexadecimal digits of a text (0-9, A-F, a-f), read up to the
// first other character. Texts far longer than any address must neither
// overflow nor lose the low bits, so both views of the value are kept.
struct LeadingHex {
    int digits = 0;         // how many hex digits were read
    quint32 low32 = 0;      // the value modulo 2^32
    bool exceeds16 = false; // the value does not fit 16 bits
};
LeadingHex readLeadingHex(QStringView text);

// Two upper-case hex digits of the low 8 bits of v ("0A", never "a").
QString hex2(unsigned v);

// Address normalisation: "1" -> "01", "1a" -> "1A", "123" -> "23",
// "??" / "" / "G1" -> "00".
QString normaliseAddress(QStringView text);
inline quint8 addressValue(QStringView normalised)
{
    return quint8(readLeadingHex(normalised).low32);
}

// The "SETID" rule: the address sent and the text left ready for the next
// unit. Addresses run 01..FE; anything above 254 (FF, or a value that does
// not fit 16 bits) is sent as 01.
struct SetIdStep {
    QString sent;
    QString next;
};
SetIdStep setIdStep(QStringView text);

// Coded number: n travels as the character with code 64 + n ("@" none, "A" 1).
inline QChar codedChar(int n)
{
    return QChar(char16_t(64 + n));
}
inline int codedValue(QChar c)
{
    return int(c.unicode()) - 64;
}
// As the console shows a coded number: at least two decimal digits, a
// negative number keeps its minus sign ("A" -> "01", "@" -> "00", "0" -> "-16").
QString codedAsDecimal(QChar c);

// Text bound for the line: every character becomes exactly one byte,
// printable ASCII as it is and anything else (control characters, STX/ETX,
// characters outside ASCII) as "?", so a text field can never break a frame.
QByteArray lineText(QStringView text);

// Bytes of the line as a person reads them, safe to put on any terminal:
// "[STX]rdr...[ETX]", printable ASCII as it is, STX and ETX named, anything
// else (and the backslash) as \xNN.
QString shownBytes(QByteArrayView bytes);

// STX, mnemonic, data, ETX. Mnemonic and data are sent through lineText.
QByteArray frame(QStringView mnemonic, QStringView data = {});

// Sum of an image's 32 bytes, with the unit address on upload; the low 8
// bits go on the line as the checksum.
quint8 imageChecksum(std::span<const quint8, 32> bytes, quint8 address);

// Two readings of a two-character hex pair (0..255), one per rule.
// On the line (download checksum, upload bytes): leading hex digits of
// either case; no digit gives 0, so " 1" is 0.
int linePairValue(QStringView pair);
// In hex image text, as the editor draws it: spaces, tabs and line feeds
// are left out first, so " 1" is 1.
int hexTextPairValue(QStringView pair);

} // namespace unitlink

namespace unitlink {

// An "rdm"/"rdr" reply as the receiver reads it: the data pairs as hex
// image text (each pair as received plus a space) and whether the last pair
// equals the sum of the others exactly, character for character.
struct ImageReply {
    QString hexText;
    bool checksumOk = false;
    QString expected; // the pair the data adds up to
    QString received; // the pair the reply ends with
};
ImageReply readImageReply(QStringView replyBuffer);

// "WRM"/"WRR" frame: STX, mnemonic, address, the 32 bytes of the hex image
// text (positions 3k and 3k+1; missing or non-hex give 00), the checksum
// over address and bytes, ETX. Always 73 characters.
QByteArray uploadFrame(QStringView mnemonic, QStringView address, QStringView hexText);
// The same frame's data after the address: 64 hex digits and the checksum.
QString uploadData(QStringView address, QStringView hexText);
// The other way: image digits as they travel ("007E81...") as hex image
// text, each pair followed by one space ("00 7E 81 ..."); an odd last digit
// is dropped.
QString hexTextFromDigits(QStringView digits);

} // namespace unitlink
