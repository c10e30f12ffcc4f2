#include "link/protocol.h"

#include <QList>

#include <algorithm>

namespace unitlink {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr CommandSpec kCommandSet[] = {
    {Mnemonic::RDM, "RDM"_L1, true, DataShape::None, "rdm"_L1, ReplyShape::Image},
    {Mnemonic::RDR, "RDR"_L1, true, DataShape::None, "rdr"_L1, ReplyShape::Image},
    {Mnemonic::WRM, "WRM"_L1, true, DataShape::Image, "wrm"_L1, ReplyShape::Bare},
    {Mnemonic::WRR, "WRR"_L1, true, DataShape::Image, "wrr"_L1, ReplyShape::Bare},
    {Mnemonic::RTM, "RTM"_L1, true, DataShape::None, "rtm"_L1, ReplyShape::Bare},
    {Mnemonic::MTR, "MTR"_L1, false, DataShape::None, {}, ReplyShape::None},
    {Mnemonic::SID, "SID"_L1, false, DataShape::None, "si"_L1, ReplyShape::Address},
    {Mnemonic::QID, "QID"_L1, true, DataShape::None, "id"_L1, ReplyShape::Address},
    {Mnemonic::SETID, "SETID"_L1, false, DataShape::NewAddress, {}, ReplyShape::None},
    {Mnemonic::CHR, "CHR"_L1, true, DataShape::Text, "chr"_L1, ReplyShape::Bare},
    {Mnemonic::TON, "TON"_L1, true, DataShape::None, "ton"_L1, ReplyShape::Bare},
    {Mnemonic::TOF, "TOF"_L1, true, DataShape::None, "tof"_L1, ReplyShape::Bare},
    {Mnemonic::TWN, "TWN"_L1, true, DataShape::None, "twn"_L1, ReplyShape::Bare},
    {Mnemonic::TWF, "TWF"_L1, true, DataShape::None, "twf"_L1, ReplyShape::Bare},
    {Mnemonic::TFH, "TFH"_L1, true, DataShape::None, "tfh"_L1, ReplyShape::Flag},
    {Mnemonic::CFG, "CFG"_L1, true, DataShape::Byte, "cfg"_L1, ReplyShape::Bare},
    {Mnemonic::GPI, "GPI"_L1, true, DataShape::Input, "gpi"_L1, ReplyShape::Inputs},
    // A unit reports its inputs only when asked through "GPI".
    {Mnemonic::GPW, "GPW"_L1, true, DataShape::Input, {}, ReplyShape::None},
    // Tally state messages: kandrel broadcasts them, the console shows them.
    {Mnemonic::TLY, "TLY"_L1, false, DataShape::InputList, {}, ReplyShape::None},
    {Mnemonic::TLW, "TLW"_L1, false, DataShape::InputList, {}, ReplyShape::None},
};

// commandSpec() finds a row by its mnemonic's place in the list.
constexpr bool inListOrder()
{
    for (int i = 0; i < int(std::size(kCommandSet)); ++i)
        if (int(kCommandSet[i].id) != i) return false;
    return true;
}
static_assert(inListOrder());

bool isUpperHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

bool isUpperHex(QStringView text)
{
    for (QChar c : text)
        if (!isUpperHex(c)) return false;
    return true;
}

bool isPrintable(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() < 0x7F;
}
} // namespace

const CommandSpec &commandSpec(Mnemonic id)
{
    return kCommandSet[int(id)];
}

const CommandSpec *commandAt(QStringView text)
{
    for (const CommandSpec &spec : kCommandSet)
        if (text.startsWith(spec.mnemonic)) return &spec;
    return nullptr;
}

QString unitErrorText(UnitError error)
{
    switch (error) {
    case UnitError::Command: return QStringLiteral("Command Error");
    case UnitError::Crc: return QStringLiteral("CRC Error");
    case UnitError::Programming: return QStringLiteral("Programming Error");
    }
    return {};
}

bool isAddress(QStringView text)
{
    return text.size() == 2 && isUpperHex(text);
}

namespace {
// Whether a command's data has the shape its table row names.
bool fitsShape(DataShape shape, QStringView data)
{
    switch (shape) {
    case DataShape::None: return data.isEmpty();
    case DataShape::Image: return data.size() == 66 && isUpperHex(data);
    case DataShape::Text:
        return data.size() == 5 && std::all_of(data.begin(), data.end(), [](QChar c) { return isPrintable(c); });
    case DataShape::Byte:
    case DataShape::NewAddress: return data.size() == 2 && isUpperHex(data);
    case DataShape::Input: return data.size() == 1 && data[0] >= kNoInput && data[0] <= inputCode(kParallelInputs);
    case DataShape::InputList: return std::all_of(data.begin(), data.end(), [](QChar c) { return isPrintable(c); });
    }
    return false;
}
} // namespace

QByteArray Command::frame() const
{
    return unitlink::frame(body());
}

std::optional<Command> Command::parse(QByteArrayView frame)
{
    if (frame.size() < 2 || frame.front() != STX || frame.back() != ETX) return std::nullopt;
    return parseBody(QString::fromLatin1(frame.sliced(1, frame.size() - 2)));
}

std::optional<Command> Command::parseBody(QStringView body)
{
    const CommandSpec *spec = commandAt(body);
    if (!spec) return std::nullopt;
    QStringView rest = body.sliced(spec->mnemonic.size());
    QString address;
    if (spec->addressed) {
        if (!isAddress(rest.left(2))) return std::nullopt;
        address = rest.left(2).toString();
        rest = rest.sliced(2);
    }
    if (!fitsShape(spec->data, rest)) return std::nullopt;
    return Command(spec->id, address, rest.toString());
}

Reply Reply::parse(QStringView body)
{
    const QString text = body.toString();
    if (body.startsWith(kErrorReply)) return Reply(text, Kind::UnitError, nullptr, kErrorReply.size());
    for (const CommandSpec &spec : kCommandSet) {
        if (spec.data == DataShape::InputList && body.startsWith(spec.mnemonic))
            return Reply(text, Kind::TallyList, &spec, spec.mnemonic.size());
        if (spec.replyShape == ReplyShape::None || !body.startsWith(spec.reply)) continue;
        const qsizetype length = spec.reply.size();
        switch (spec.replyShape) {
        case ReplyShape::Image: return Reply(text, Kind::Image, &spec, length);
        case ReplyShape::Bare: return Reply(text, Kind::Done, &spec, length);
        case ReplyShape::Flag: return Reply(text, Kind::Flag, &spec, length);
        case ReplyShape::Inputs:
            return Reply(text, body.size() == length + 2 ? Kind::Inputs : Kind::Malformed, &spec, length);
        case ReplyShape::Address: return Reply(text, Kind::Address, &spec, length);
        case ReplyShape::None: break;
        }
    }
    return Reply(text, Kind::Unknown, nullptr, 0);
}

std::optional<UnitError> Reply::error() const
{
    if (data().isEmpty()) return std::nullopt;
    for (UnitError e : {UnitError::Command, UnitError::Crc, UnitError::Programming})
        if (data().front() == QLatin1Char(char(e))) return e;
    return std::nullopt;
}

quint8 displayModeByte(int index, bool pxr)
{
    // Position 8 (inverse) is bit 7 and position 9 (volume) bit 6.
    static constexpr quint8 kModes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 128, 64};
    quint8 value = index >= 0 && index < 10 ? kModes[index] : 0;
    if (pxr) value += 32;
    return value;
}

FiveCharacters fiveCharacters(QStringView typed)
{
    QList<uint> chars = typed.toUcs4();
    while (chars.size() < 5) chars.prepend(' ');
    chars = chars.mid(chars.size() - 5);
    FiveCharacters five;
    five.text = QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()), chars.size());
    for (uint c : chars) five.line += c >= 0x20 && c < 0x7F ? QChar(char16_t(c)) : QLatin1Char('?');
    return five;
}

QByteArray tallyFrames(const InputSet &program, const InputSet &preview)
{
    const auto letters = [](const InputSet &on) {
        QString text;
        for (int n = 1; n <= kParallelInputs; ++n)
            if (on[size_t(n)]) text += inputCode(n);
        return text;
    };
    return Command(Mnemonic::TLY, {}, letters(program)).frame() + Command(Mnemonic::TLW, {}, letters(preview)).frame();
}

} // namespace unitlink
