#include "unit/unitline.h"

#include "link/frame.h"
#include "link/protocol.h"

namespace unit {

namespace {
using unitlink::Command;
using unitlink::CommandSpec;
using unitlink::ETX;
using unitlink::Mnemonic;
using unitlink::ReplyShape;
using unitlink::STX;
using unitlink::UnitError;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1; // units speak upper-case hex only
}

// Exactly two upper-case hex digits.
bool parseByte(QByteArrayView two, quint8 &value)
{
    if (two.size() != 2) return false;
    const int hi = hexDigit(two[0]);
    const int lo = hexDigit(two[1]);
    if (hi < 0 || lo < 0) return false;
    value = quint8(hi * 16 + lo);
    return true;
}

QByteArray hexByte(unsigned v)
{
    return unitlink::hex2(v).toLatin1();
}

// The reply a command draws: its reply mnemonic and the data.
QByteArray answer(const CommandSpec &spec, const QByteArray &data = {})
{
    return unitlink::frame(QString(spec.reply), QString::fromLatin1(data));
}

QByteArray errorReply(UnitError error)
{
    return unitlink::frame(QString(unitlink::kErrorReply), QString(QChar::fromLatin1(char(error))));
}

bool isCommandLetter(char c)
{
    return c >= 'A' && c <= 'Z';
}
} // namespace

namespace {
// Hex helpers shared by the unit's replies and its PROM file.
QByteArray imageHex(const Image &image)
{
    QByteArray hex;
    hex.reserve(64);
    for (quint8 b : image) hex += hexByte(b);
    return hex;
}

[[nodiscard]] bool parseImageHex(QByteArrayView hex, Image &image)
{
    if (hex.size() != 64) return false;
    Image parsed{};
    for (int k = 0; k < 32; ++k)
        if (!parseByte(hex.sliced(2 * k, 2), parsed[size_t(k)])) return false;
    image = parsed;
    return true;
}
} // namespace

QList<QByteArray> FrameReader::feed(QByteArrayView bytes)
{
    QList<QByteArray> frames;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == STX) {
            m_body.clear();
            m_inFrame = true;
        } else if (!m_inFrame) {
            // noise between frames
        } else if (c == ETX) {
            frames << m_body;
            m_body.clear();
            m_inFrame = false;
        } else if (u < 0x20 || u > 0x7E || m_body.size() >= kLongestFrame) {
            m_body.clear(); // not a frame after all: wait for the next STX
            m_inFrame = false;
        } else {
            m_body += c;
        }
    }
    return frames;
}

UnitLine::UnitLine(QList<quint8> addresses, QObject *parent) : QObject(parent)
{
    for (quint8 a : addresses) {
        Unit u;
        u.address = a;
        m_units << u;
    }
}

QList<QByteArray> UnitLine::handle(const QByteArray &body)
{
    QList<QByteArray> out;
    if (body.size() < 3 || !isCommandLetter(body[0]) || !isCommandLetter(body[1]) || !isCommandLetter(body[2]))
        return out; // replies of other units, or noise: not for us
    const QString text = QString::fromLatin1(body);
    const CommandSpec *spec = unitlink::commandAt(text);
    const std::optional<Command> command = Command::parseBody(text);

    // Broadcasts: every unit acts, none complains about a frame it cannot read.
    if (spec && !spec->addressed) {
        if (!command) return out;
        switch (command->id()) {
        case Mnemonic::SID:
            for (const Unit &u : m_units) out << answer(*spec, hexByte(u.address));
            return out;
        case Mnemonic::MTR:
            for (Unit &u : m_units) u.ram = u.prom;
            break;
        case Mnemonic::SETID: {
            quint8 next = 0;
            if (!parseByte(command->data().toLatin1(), next)) return out;
            for (Unit &u : m_units) u.address = next;
            break;
        }
        case Mnemonic::TLY:
        case Mnemonic::TLW: {
            const bool program = command->id() == Mnemonic::TLY;
            for (Unit &u : m_units) {
                const char input = program ? u.pgmInput : u.pvwInput;
                if (input == unitlink::kNoInput) continue;
                (program ? u.pgm : u.pvw) = command->data().contains(QLatin1Char(input));
            }
            break;
        }
        default: return out;
        }
        emit changed();
        return out;
    }

    // Addressed commands (an unknown mnemonic is taken as one): the two
    // characters after the mnemonic.
    const qsizetype mnemonicLength = spec ? spec->mnemonic.size() : 3;
    quint8 address = 0;
    if (!parseByte(body.mid(mnemonicLength, 2), address)) return out;
    // Units that share an address all act and all answer, one reply after
    // the other: on a real line those replies would collide, and controllers
    // have to see that happen.
    for (Unit &u : m_units)
        if (u.address == address)
            if (std::optional<QByteArray> reply = carryOut(u, spec, command)) out << *reply;
    return out;
}

std::optional<QByteArray> UnitLine::carryOut(Unit &u, const CommandSpec *spec, const std::optional<Command> &command)
{
    // A malformed identity query goes unanswered, like a frame for another unit.
    if (!command)
        return spec && spec->id == Mnemonic::QID ? std::nullopt : std::optional(errorReply(UnitError::Command));
    const QByteArray args = command->data().toLatin1();

    switch (command->id()) {
    case Mnemonic::RDM:
    case Mnemonic::RDR: {
        const Image &image = command->id() == Mnemonic::RDM ? u.prom : u.ram;
        return answer(*spec, imageHex(image) + hexByte(unitlink::imageChecksum(image, 0)));
    }
    case Mnemonic::WRM:
    case Mnemonic::WRR: {
        Image image{};
        quint8 checksum = 0;
        if (!parseImageHex(QByteArrayView(args).first(64), image) ||
            !parseByte(QByteArrayView(args).sliced(64), checksum))
            return errorReply(UnitError::Command);
        if (unitlink::imageChecksum(image, u.address) != checksum) return errorReply(UnitError::Crc);
        if (command->id() == Mnemonic::WRM) {
            u.prom = image;
            emit promWritten();
        } else {
            u.ram = image;
        }
        emit changed();
        return answer(*spec);
    }
    case Mnemonic::RTM:
        u.prom = u.ram;
        emit promWritten();
        return answer(*spec);
    case Mnemonic::QID: return answer(*spec, hexByte(u.address));
    case Mnemonic::CHR:
        u.text = args;
        emit changed();
        return answer(*spec);
    case Mnemonic::TON:
    case Mnemonic::TOF:
    case Mnemonic::TWN:
    case Mnemonic::TWF: {
        const Mnemonic id = command->id();
        (id == Mnemonic::TON || id == Mnemonic::TOF ? u.pgm : u.pvw) = id == Mnemonic::TON || id == Mnemonic::TWN;
        u.flash = false; // a steady state ends flashing
        emit changed();
        return answer(*spec);
    }
    case Mnemonic::TFH:
        u.flash = true;
        emit changed();
        return answer(*spec, "1");
    case Mnemonic::CFG:
        if (!parseByte(args, u.mode)) return errorReply(UnitError::Command);
        emit changed();
        return answer(*spec);
    case Mnemonic::GPI:
    case Mnemonic::GPW:
        (command->id() == Mnemonic::GPI ? u.pgmInput : u.pvwInput) = args[0];
        emit changed();
        if (spec->replyShape == ReplyShape::None) return std::nullopt;
        return answer(*spec, QByteArray() + u.pgmInput + u.pvwInput);
    case Mnemonic::MTR:
    case Mnemonic::SID:
    case Mnemonic::SETID:
    case Mnemonic::TLY:
    case Mnemonic::TLW: break; // broadcasts, carried out above
    }
    return std::nullopt;
}

namespace {
struct PromLine {
    quint8 address = 0;
    Image image{};
};

std::optional<PromLine> parsePromLine(QByteArrayView line)
{
    PromLine p;
    if (line.size() < 67 || line[2] != ' ' || !parseByte(line.first(2), p.address) ||
        !parseImageHex(line.sliced(3, 64), p.image))
        return std::nullopt;
    return p;
}

QByteArray promLineOf(const Unit &u)
{
    return hexByte(u.address) + ' ' + imageHex(u.prom);
}

// The PROM file's lines, each without its line end.
QList<QByteArrayView> promFileLines(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        lines << (end < 0 ? text : text.first(end));
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
    }
    return lines;
}

// Units can share an address, so the file can hold several lines for one:
// the n-th line for an address belongs to the n-th unit with it, and a line
// with no such unit belongs to a unit not on this line.
qsizetype claimUnit(const QList<Unit> &units, quint8 address, QList<bool> &claimed)
{
    for (qsizetype i = 0; i < units.size(); ++i)
        if (units[i].address == address && !claimed[i]) {
            claimed[i] = true;
            return i;
        }
    return -1;
}
} // namespace

QByteArray UnitLine::promFileText(QByteArrayView previous) const
{
    QByteArray text;
    QList<bool> claimed(m_units.size(), false);
    for (QByteArrayView line : promFileLines(previous)) {
        const std::optional<PromLine> p = parsePromLine(line);
        const qsizetype i = p ? claimUnit(m_units, p->address, claimed) : -1;
        text += (i < 0 ? line.toByteArray() : promLineOf(m_units[i])) + '\n';
    }
    for (qsizetype i = 0; i < m_units.size(); ++i)
        if (!claimed[i]) text += promLineOf(m_units[i]) + '\n';
    return text;
}

void UnitLine::loadPromFileText(QByteArrayView text)
{
    QList<bool> claimed(m_units.size(), false);
    for (QByteArrayView line : promFileLines(text)) {
        const std::optional<PromLine> p = parsePromLine(line);
        const qsizetype i = p ? claimUnit(m_units, p->address, claimed) : -1;
        if (i < 0) continue;
        m_units[i].prom = p->image;
        m_units[i].ram = p->image; // a unit starts by showing what its PROM holds
    }
    emit changed();
}

} // namespace unit
