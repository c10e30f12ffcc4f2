// What a frame on the unit line means, read by the command table into
// plain values: whether it is a command or a reply, which one, its address
// and the fields its data carries, and whether it shows a fault. Every
// reader that shows the line (the console's line log, tallyctl's watch)
// words these values its own way and reads no frame itself: a new mnemonic
// is taught in the table, a new shape of data here.
#pragma once

#include "link/protocol.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

namespace unitlink {

// The order in which a frame is tried, as each reader of the line needs it.
enum class Reading {
    Commands,      // what a controller sent: a command or nothing known
    RepliesFirst,  // what a controller received: a reply, else another controller's command
    CommandsFirst, // a line watched from outside: a command, else a reply
};

// An image's pairs and the checksum pair that came with them.
struct ImageMeaning {
    QString hexText;  // the pairs as hex image text, without the last blank
    QString received; // the checksum pair as the frame carries it
    QString expected; // the pair the image adds up to (with the address, on upload)
    bool checksumOk = false;
};

enum class TallyLamp { Program, Preview };

// A tally list ("TLY", "TLW"): which lamp and the inputs on, coded.
struct TallyListMeaning {
    TallyLamp lamp = TallyLamp::Program;
    QString codes;
};

// A parallel-input report: the inputs the unit has for its lamps, coded.
struct InputsMeaning {
    QChar pgm;
    QChar pvw;
};

// "err" and its code.
struct UnitErrorMeaning {
    std::optional<UnitError> error; // none for a code the controllers do not know
    QString text;                   // unitErrorText() of it; empty when unknown
};

struct FrameMeaning {
    enum class Role {
        Command, // a command the table allows
        Reply,   // a reply the receiver knows (see reply)
        Unknown, // neither, or (Reading::Commands) not a command
    };

    Role role = Role::Unknown;
    Reply::Kind reply = Reply::Kind::Unknown; // Role::Reply only
    // The command this is, answers or (a tally list) carries.
    std::optional<Mnemonic> command;
    QString body;     // the frame between STX and ETX, as it came
    QString mnemonic; // the beginning that names it ("RDR", "rdr", "si", "err"); empty when unknown
    // A command's unit address, or the address a unit answered with ("si", "id").
    QString address;
    // What follows the mnemonic and, in a command, the address; the whole
    // body when unknown.
    QString data;

    // The fields, each present only where the frame carries it.
    std::optional<ImageMeaning> image;       // WRM, WRR; rdm, rdr
    std::optional<QString> text;             // CHR: five characters
    std::optional<QString> modeByte;         // CFG: two hex digits
    std::optional<QChar> input;              // GPI, GPW: one coded number
    std::optional<QString> newAddress;       // SETID
    std::optional<QString> flag;             // tfh: its character, or empty when missing
    std::optional<InputsMeaning> inputs;     // gpi of the right length
    std::optional<TallyListMeaning> tallies; // TLY, TLW
    std::optional<UnitErrorMeaning> unitError;

    // A parallel-input report of another length: not acted upon.
    bool malformed = false;
    // Where replies are read: a reply that reports or shows a fault (a
    // unit error, an image that fails its checksum, a malformed report),
    // or a frame nobody on the line would send. What a controller sent is
    // never a fault of the line's.
    bool fault = false;
};

// The body is what lies between STX and ETX, one character a byte.
FrameMeaning frameMeaning(QStringView body, Reading reading);

} // namespace unitlink
