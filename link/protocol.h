// The command set of the unit control line in one table, and the values
// built from it: a Command goes on the line as a frame and is read back
// from one; a Reply is what a controller's receiver makes of a completed
// frame. The console, kandrel and the virtual unit take every mnemonic
// from here, so a new reader of the line (a command-line tool, a line log)
// needs nothing else.
#pragma once

#include <bitset>

#include "link/frame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <optional>

namespace unitlink {

enum class Mnemonic {
    RDM,
    RDR,
    WRM,
    WRR,
    RTM,
    MTR,
    SID,
    QID,
    SETID,
    CHR,
    TON,
    TOF,
    TWN,
    TWF,
    TFH,
    CFG,
    GPI,
    GPW,
    TLY,
    TLW
};

// What follows the address (or, in a command without one, the mnemonic).
enum class DataShape {
    None,
    Image,      // 32 bytes as 64 upper-case hex digits, then the checksum pair
    Text,       // exactly five printable characters
    Byte,       // two upper-case hex digits
    Input,      // one coded number, "@" (none) up to "p" (input 48)
    InputList,  // any number of coded numbers (each printable character is one)
    NewAddress, // two upper-case hex digits: the address the unit is to take
};

// What follows the reply's own mnemonic.
enum class ReplyShape {
    None,    // the command draws no reply
    Bare,    // the mnemonic alone: carried out
    Image,   // the image as hex pairs, then the checksum pair
    Flag,    // one character
    Inputs,  // two coded numbers: the PGM input and the PVW input
    Address, // the answering unit's address, two hex digits
};

struct CommandSpec {
    Mnemonic id;
    QLatin1StringView mnemonic;
    bool addressed; // the data begins with the two-digit unit address
    DataShape data;
    QLatin1StringView reply; // what the reply frame begins with; empty with ReplyShape::None
    ReplyShape replyShape;
};

// A unit's answer to a command it cannot carry out: "err" and one code.
inline constexpr QLatin1StringView kErrorReply{"err"};
enum class UnitError : char { Command = '1', Crc = '2', Programming = '3' };
// "Command Error", "CRC Error" or "Programming Error", as the console shows them.
QString unitErrorText(UnitError error);

const CommandSpec &commandSpec(Mnemonic id);
// The command whose mnemonic begins the text (case-sensitive), or null.
const CommandSpec *commandAt(QStringView text);
// Exactly two upper-case hex digits, as every unit address on the line is.
bool isAddress(QStringView text);

class Command {
public:
    Command(Mnemonic id, QString address = {}, QString data = {})
        : m_id(id), m_address(std::move(address)), m_data(std::move(data))
    {}

    Mnemonic id() const { return m_id; }
    const CommandSpec &spec() const { return commandSpec(m_id); }
    QLatin1StringView mnemonic() const { return spec().mnemonic; }
    const QString &address() const { return m_address; }
    const QString &data() const { return m_data; }

    // Mnemonic, address and data: the frame without STX and ETX.
    QString body() const { return QString(mnemonic()) + m_address + m_data; }
    // STX, mnemonic, address, data, ETX. Built as given, without checking
    // the fields against the table: the console sends the raw address text
    // in one case, so checking is the reader's business (parse).
    QByteArray frame() const;

    // A whole frame, STX to ETX, or what lies between them. Only a frame the
    // table allows is read: a known mnemonic, a two-digit address where one
    // belongs and data of the command's shape.
    static std::optional<Command> parse(QByteArrayView frame);
    static std::optional<Command> parseBody(QStringView body);

    friend bool operator==(const Command &, const Command &) = default;

private:
    Mnemonic m_id;
    QString m_address;
    QString m_data;
};

// A completed frame as a controller's receiver reads it. The kind is taken
// from the frame's beginning alone (exact, case-sensitive), so a reply with
// extra characters is still the reply it begins as; only the parallel-input
// report must have its exact length to be acted upon.
class Reply {
public:
    enum class Kind {
        Image,     // "rdm", "rdr": image pairs and a checksum pair
        Done,      // a command carried out: "wrm", "ton", "cfg", ...
        Flag,      // "tfh" and its character
        Inputs,    // "gpi" and exactly two coded numbers
        Address,   // "si", "id" and the answering unit's address
        TallyList, // "TLY", "TLW" and coded numbers, from another controller
        UnitError, // "err" and a code
        Malformed, // a parallel-input report of another length: not acted upon
        Unknown,   // anything else: shown as received
    };

    static Reply parse(QStringView body);

    Kind kind() const { return m_kind; }
    // The command this answers (or, for a tally list, the message itself);
    // null for unit errors and unknown text.
    const CommandSpec *command() const { return m_command; }
    bool answers(Mnemonic id) const { return m_command && m_command->id == id; }
    const QString &text() const { return m_text; }
    // The beginning that gave the kind ("ton", "si", "TLY", "err"); empty if unknown.
    QStringView mnemonic() const { return QStringView(m_text).left(m_mnemonicLength); }
    QStringView data() const { return QStringView(m_text).sliced(m_mnemonicLength); }

    ImageReply image() const { return readImageReply(m_text); }   // Image
    QStringView flag() const { return data().left(1); }           // Flag; empty when missing
    QChar pgmInput() const { return data().at(0); }               // Inputs
    QChar pvwInput() const { return data().at(1); }               // Inputs
    QString address() const { return data().left(2).toString(); } // Address; shorter when cut short
    // UnitError: the code, or none for a code the controllers do not know.
    std::optional<UnitError> error() const;

private:
    Reply(QString text, Kind kind, const CommandSpec *command, qsizetype mnemonicLength)
        : m_text(std::move(text)), m_kind(kind), m_command(command), m_mnemonicLength(mnemonicLength)
    {}

    QString m_text;
    Kind m_kind;
    const CommandSpec *m_command;
    qsizetype m_mnemonicLength;
};

// The display mode byte "CFG" carries for a list position of the mode
// list: none, widths 1 to 7, inverse (128), volume (64); any other
// position gives 0. PXR-09 mode adds 32.
quint8 displayModeByte(int index, bool pxr);

// Parallel inputs travel as coded numbers: input n (1 to 48) as the
// character 64 + n, no input as "@".
inline constexpr int kParallelInputs = 48;
inline constexpr QChar kNoInput = u'@';
inline QChar inputCode(int input)
{
    return codedChar(input);
}
// Parallel inputs 1 to 48 that are on (bit n is input n; bit 0 unused).
using InputSet = std::bitset<kParallelInputs + 1>;

// The frames that put a whole tally on the line: "TLY" with the program
// inputs' coded numbers in ascending order, then "TLW" with the preview's.
QByteArray tallyFrames(const InputSet &program, const InputSet &preview);

// The five characters "CHR" shows: five spaces and the typed text, the last
// five kept, counted as characters rather than UTF-16 units. `text` is what
// the text field shows afterwards; `line` is what goes out, one byte per
// character, with anything but printable ASCII as "?".
struct FiveCharacters {
    QString text;
    QString line;
};
FiveCharacters fiveCharacters(QStringView typed);

} // namespace unitlink
