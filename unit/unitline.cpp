#include "unit/unitline.h"

#include "link/frame.h"

namespace unit {

namespace {
using unitlink::ETX;
using unitlink::STX;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // units speak upper-case hex only
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

QByteArray reply(const QByteArray &body)
{
    return STX + body + ETX;
}

bool isCommandLetter(char c) { return c >= 'A' && c <= 'Z'; }
} // namespace

QByteArray imageHex(const Image &image)
{
    QByteArray hex;
    hex.reserve(64);
    for (quint8 b : image) hex += hexByte(b);
    return hex;
}

bool parseImageHex(QByteArrayView hex, Image &image)
{
    if (hex.size() != 64) return false;
    Image parsed{};
    for (int k = 0; k < 32; ++k)
        if (!parseByte(hex.sliced(2 * k, 2), parsed[size_t(k)])) return false;
    image = parsed;
    return true;
}

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
            m_body.clear();  // not a frame after all: wait for the next STX
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

Unit *UnitLine::find(quint8 address)
{
    for (Unit &u : m_units)
        if (u.address == address) return &u;
    return nullptr;
}

QList<QByteArray> UnitLine::handle(const QByteArray &body)
{
    QList<QByteArray> out;
    const bool setId = body.startsWith("SETID");
    const qsizetype mnemonicLength = setId ? 5 : 3;
    if (body.size() < 3 || !isCommandLetter(body[0]) || !isCommandLetter(body[1]) || !isCommandLetter(body[2]))
        return out;  // replies of other units, or noise: not for us
    const QByteArray mnemonic = body.left(mnemonicLength);
    const QByteArrayView data = QByteArrayView(body).sliced(mnemonicLength);

    // Broadcasts.
    if (mnemonic == "SID") {
        if (!data.isEmpty()) return out;
        for (const Unit &u : m_units) out << reply("si" + hexByte(u.address));
        return out;
    }
    if (mnemonic == "MTR") {
        if (!data.isEmpty()) return out;
        for (Unit &u : m_units) u.ram = u.prom;
        emit changed();
        return out;
    }
    if (mnemonic == "SETID") {
        quint8 next = 0;
        if (!parseByte(data, next)) return out;
        for (Unit &u : m_units) u.address = next;
        emit changed();
        return out;
    }
    if (mnemonic == "TLY" || mnemonic == "TLW") {
        const bool program = mnemonic == "TLY";
        for (Unit &u : m_units) {
            const char input = program ? u.pgmInput : u.pvwInput;
            if (input == '@') continue;
            (program ? u.pgm : u.pvw) = data.contains(input);
        }
        emit changed();
        return out;
    }

    // Addressed commands: the two characters after the mnemonic.
    quint8 address = 0;
    if (!parseByte(data.first(qMin<qsizetype>(2, data.size())), address)) return out;
    Unit *u = find(address);
    if (!u) return out;
    const QByteArrayView args = data.sliced(2);
    const QByteArray lower = mnemonic.toLower();

    if (mnemonic == "RDM" || mnemonic == "RDR") {
        if (!args.isEmpty()) return {reply("err1")};
        const Image &image = mnemonic == "RDM" ? u->prom : u->ram;
        return {reply(lower + imageHex(image) + hexByte(unitlink::imageChecksum(image, 0)))};
    }
    if (mnemonic == "WRM" || mnemonic == "WRR") {
        Image image{};
        quint8 checksum = 0;
        if (args.size() != 66 || !parseImageHex(args.first(64), image) || !parseByte(args.sliced(64), checksum))
            return {reply("err1")};
        if (unitlink::imageChecksum(image, u->address) != checksum) return {reply("err2")};
        if (mnemonic == "WRM") {
            u->prom = image;
            emit promWritten();
        } else {
            u->ram = image;
        }
        emit changed();
        return {reply(lower)};
    }
    if (mnemonic == "RTM") {
        if (!args.isEmpty()) return {reply("err1")};
        u->prom = u->ram;
        emit promWritten();
        return {reply(lower)};
    }
    if (mnemonic == "QID") {
        if (!args.isEmpty()) return out;
        return {reply("id" + hexByte(u->address))};
    }
    if (mnemonic == "CHR") {
        if (args.size() != 5) return {reply("err1")};
        u->text = args.toByteArray();
        emit changed();
        return {reply(lower)};
    }
    if (mnemonic == "TON" || mnemonic == "TOF" || mnemonic == "TWN" || mnemonic == "TWF") {
        if (!args.isEmpty()) return {reply("err1")};
        (mnemonic.startsWith("TO") ? u->pgm : u->pvw) = mnemonic.endsWith('N');
        u->flash = false;  // a steady state ends flashing
        emit changed();
        return {reply(lower)};
    }
    if (mnemonic == "TFH") {
        if (!args.isEmpty()) return {reply("err1")};
        u->flash = true;
        emit changed();
        return {reply("tfh1")};
    }
    if (mnemonic == "CFG") {
        quint8 mode = 0;
        if (!parseByte(args, mode)) return {reply("err1")};
        u->mode = mode;
        emit changed();
        return {reply(lower)};
    }
    if (mnemonic == "GPI" || mnemonic == "GPW") {
        if (args.size() != 1 || args[0] < '@' || args[0] > 'p') return {reply("err1")};
        (mnemonic == "GPI" ? u->pgmInput : u->pvwInput) = args[0];
        emit changed();
        if (mnemonic == "GPW") return out;
        return {reply(QByteArray("gpi") + u->pgmInput + u->pvwInput)};
    }
    return {reply("err1")};
}

QByteArray UnitLine::promFileText() const
{
    QByteArray text;
    for (const Unit &u : m_units) text += hexByte(u.address) + ' ' + imageHex(u.prom) + '\n';
    return text;
}

void UnitLine::loadPromFileText(const QByteArray &text)
{
    for (const QByteArray &line : text.split('\n')) {
        quint8 address = 0;
        Image image{};
        if (line.size() < 67 || line[2] != ' ' || !parseByte(QByteArrayView(line).first(2), address) ||
            !parseImageHex(QByteArrayView(line).sliced(3, 64), image))
            continue;
        if (Unit *u = find(address)) {
            u->prom = image;
            u->ram = image;  // a unit starts by showing what its PROM holds
        }
    }
    emit changed();
}

} // namespace unit
