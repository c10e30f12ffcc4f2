#include "link/frame.h"

#include <algorithm>

namespace unitlink {

namespace {
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}
} // namespace

LeadingHex readLeadingHex(QStringView text)
{
    LeadingHex r;
    bool nonZeroSeen = false;
    int significant = 0; // digits from the first non-zero one
    for (QChar c : text) {
        const int d = hexDigit(c);
        if (d < 0) break;
        ++r.digits;
        r.low32 = (r.low32 << 4) | quint32(d);
        if (d != 0) nonZeroSeen = true;
        if (nonZeroSeen) ++significant;
    }
    r.exceeds16 = significant > 4;
    return r;
}

QString hex2(unsigned v)
{
    return QString::asprintf("%02X", v & 0xFFu);
}

QString normaliseAddress(QStringView text)
{
    return hex2(readLeadingHex(text).low32);
}

SetIdStep setIdStep(QStringView text)
{
    const LeadingHex h = readLeadingHex(text);
    unsigned n = (h.exceeds16 || h.low32 > 254) ? 1 : h.low32;
    SetIdStep step;
    step.sent = hex2(n);
    ++n;
    if (n > 254) n = 1;
    step.next = hex2(n);
    return step;
}

QString codedAsDecimal(QChar c)
{
    const int n = codedValue(c);
    return n < 0 ? QStringLiteral("-%1").arg(-n, 2, 10, QLatin1Char('0'))
                 : QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QByteArray lineText(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        out.append(u >= 0x20 && u < 0x7F ? char(u) : '?');
    }
    return out;
}

QString shownBytes(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size() + 10);
    for (char c : bytes) {
        if (c == STX)
            out += QStringLiteral("[STX]");
        else if (c == ETX)
            out += QStringLiteral("[ETX]");
        else if (c >= 0x20 && c < 0x7F && c != '\\')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return out;
}

QByteArray frame(QStringView mnemonic, QStringView data)
{
    QByteArray f;
    f.reserve(mnemonic.size() + data.size() + 2);
    f.append(STX);
    f.append(lineText(mnemonic));
    f.append(lineText(data));
    f.append(ETX);
    return f;
}

quint8 imageChecksum(std::span<const quint8, 32> bytes, quint8 address)
{
    unsigned sum = address;
    for (quint8 b : bytes) sum += b;
    return quint8(sum & 0xFF);
}

int linePairValue(QStringView pair)
{
    return int(readLeadingHex(pair.first(std::min<qsizetype>(pair.size(), 2))).low32);
}

int hexTextPairValue(QStringView pair)
{
    int v = 0;
    for (QChar c : pair.first(std::min<qsizetype>(pair.size(), 2))) {
        if (c == u' ' || c == u'\t' || c == u'\n') continue;
        const int d = hexDigit(c);
        if (d < 0) break;
        v = v * 16 + d;
    }
    return v;
}

} // namespace unitlink

namespace unitlink {

ImageReply readImageReply(QStringView reply)
{
    // Pairs after the mnemonic, a half rounded to the even neighbour.
    const qsizetype rest = reply.size() - 3;
    qsizetype n = rest / 2;
    if (rest % 2 != 0 && n % 2 != 0) ++n;

    ImageReply r;
    unsigned sum = 0;
    for (qsizetype i = 0; i + 2 <= n; ++i) {
        const QStringView pair = reply.mid(3 + 2 * i, 2);
        r.hexText += pair;
        r.hexText += QLatin1Char(' ');
        sum += unsigned(linePairValue(pair));
    }
    const qsizetype at = 2 * n + 1;
    r.received = reply.mid(at, 2).toString();
    r.expected = hex2(sum);
    r.checksumOk = r.received == r.expected;
    return r;
}

QString uploadData(QStringView address, QStringView hexText)
{
    quint8 bytes[32] = {};
    QString data;
    for (int k = 0; k < 32; ++k) {
        bytes[k] = quint8(linePairValue(hexText.mid(3 * k, 2)));
        data += hex2(bytes[k]);
    }
    data += hex2(imageChecksum(bytes, addressValue(address)));
    return data;
}

QString hexTextFromDigits(QStringView digits)
{
    QString text;
    text.reserve(digits.size() * 3 / 2);
    for (qsizetype i = 0; i + 2 <= digits.size(); i += 2) {
        text += digits.mid(i, 2);
        text += QLatin1Char(' ');
    }
    return text;
}

QByteArray uploadFrame(QStringView mnemonic, QStringView address, QStringView hexText)
{
    return frame(mnemonic, address.toString() + uploadData(address, hexText));
}

} // namespace unitlink
