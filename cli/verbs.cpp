#include "cli/verbs.h"

#include "cli/output.h"
#include "cli/tallyctl.h"
#include "link/font5x7.h"
#include "link/framemeaning.h"
#include "link/heximage.h"
#include "link/ledfile.h"
#include "link/protocol.h"
#include "link/switcherframe.h"
#include "platform/portmap.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace cli {

namespace {

using namespace Qt::Literals::StringLiterals;
using unitlink::Command;
using unitlink::Mnemonic;
using unitlink::Reply;

class Verbs;
using Handler = int (Verbs::*)(const QStringList &);

// One row per command: its words, the count of arguments after the command
// word and what it does, for the dispatcher and for --help alike. A list
// command's results make one JSON array, however many there are.
struct Verb {
    QLatin1StringView name;
    QLatin1StringView syntax;
    int args;
    Handler handler;
    QLatin1StringView help;
    bool list = false;
};

// The commands of one command line: each checks its arguments, works the
// line through the session and tells the outcome through the output.
class Verbs {
public:
    Verbs(const VerbOptions &options, Output &output, Session &session)
        : m_options(options), m_output(output), m_session(session)
    {}

    int run(const QString &name, const QStringList &args);

    int adapters(const QStringList &args);
    int ids(const QStringList &args);
    int query(const QStringList &args);
    int setAddress(const QStringList &args);
    int read(const QStringList &args);
    int write(const QStringList &args);
    int copy(const QStringList &args);
    int tally(const QStringList &args);
    int text(const QStringList &args);
    int mode(const QStringList &args);
    int input(const QStringList &args);
    int watch(const QStringList &args);
    int switcherWatch(const QStringList &args);

private:
    int openLine(bool switcher) { return m_session.open(m_options.port, switcher); }
    int usage(const QString &message) { return m_output.usage(message); }
    int fail(int code, const QString &message) { return m_output.fail(code, message); }
    void result(const QString &plain, const QJsonObject &json) { m_output.result(plain, json); }
    bool counted(int &seen) const;

    std::optional<QString> address(const QString &text);
    std::optional<Mnemonic> memory(const QString &text, Mnemonic ram, Mnemonic prom);

    const VerbOptions m_options;
    Output &m_output;
    Session &m_session;
};

constexpr Verb kVerbs[] = {
    {"ids"_L1, ""_L1, 0, &Verbs::ids, "Send SID; list every address that answers."_L1, true},
    {"query"_L1, "ADDR"_L1, 1, &Verbs::query, "Send QID; done when the unit answers."_L1},
    {"set-address"_L1, "NEW"_L1, 1, &Verbs::setAddress,
     "SETID renumbers every unit on the line: first SID, and when more than one unit answers refuse "
     "(exit 2, naming them) unless --yes."_L1},
    {"read"_L1, "ram|prom ADDR [-o FILE.LED]"_L1, 2, &Verbs::read,
     "Download the image, check its checksum; print the 32 pairs or write the file."_L1},
    {"write"_L1, "ram|prom ADDR (FILE.LED | --text TEXT | --hex PAIRS)"_L1, 3, &Verbs::write,
     "Upload, retry after err2, read back and compare. A file is read as the console opens it; one "
     "that holds more than hex pairs and blanks is refused (exit 2)."_L1},
    {"copy"_L1, "ram-to-prom|prom-to-ram ADDR"_L1, 2, &Verbs::copy,
     "RTM, or MTR (every unit on the line) checked by reading both images."_L1},
    {"tally"_L1, "ADDR pgm|pvw|flash on|off"_L1, 3, &Verbs::tally,
     "Switch a tally lamp; flash off switches PGM and PVW off."_L1},
    {"text"_L1, "ADDR TEXT"_L1, 2, &Verbs::text, "Show five characters (the last five of TEXT, printable ASCII)."_L1},
    {"mode"_L1, "ADDR N [--pxr]"_L1, 2, &Verbs::mode, "Display mode 0 none, 1-7 width, 8 inverse, 9 volume."_L1},
    {"input"_L1, "ADDR pgm|pvw N"_L1, 3, &Verbs::input, "Parallel input 1-48 (0 none) for the lamp."_L1},
    {"watch"_L1, ""_L1, 0, &Verbs::watch, "Print every frame on the line until interrupted."_L1, true},
    {"switcher-watch"_L1, ""_L1, 0, &Verbs::switcherWatch,
     "Decode a switcher tally line (38400 8E1) until interrupted."_L1, true},
    {"adapters"_L1, ""_L1, 0, &Verbs::adapters,
     "List this machine's USB and ACM serial adapters, one a line (none: nothing); without --port a command "
     "uses the only one. Built-in UARTs (/dev/ttyS*) are left out."_L1,
     true},
};

// The console opens any file and draws whatever hex digits stand in the
// first 95 characters of its hex image text, so a text file gives dark
// columns. From the command line nobody sees that image before it is
// uploaded: a file is taken only when those characters hold hex digits and
// nothing but blanks besides (its line ends among them, for a short file).
bool isImageText(QStringView text)
{
    const QStringView read = text.first(std::min<qsizetype>(text.size(), 3 * unitlink::kColumns - 1));
    const auto digit = [](QChar c) { return QStringView(u"0123456789ABCDEFabcdef").contains(c); };
    return std::any_of(read.begin(), read.end(), digit) && std::all_of(read.begin(), read.end(), [&](QChar c) {
               return digit(c) || QStringView(u" \t\r\n").contains(c);
           });
}

// Hex pairs separated by spaces, for frames shown with --hex.
QString spacedHex(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

int Verbs::run(const QString &name, const QStringList &words)
{
    for (const Verb &verb : kVerbs) {
        if (verb.name != name) continue;
        m_output.setList(verb.list);
        if (words.size() != verb.args) return usage(u"usage: tallyctl %1 %2"_s.arg(verb.name, verb.syntax));
        return (this->*verb.handler)(words);
    }
    return usage(u"unknown command '%1'"_s.arg(name));
}

std::optional<QString> Verbs::address(const QString &text)
{
    const unitlink::LeadingHex hex = unitlink::readLeadingHex(text);
    if (hex.digits != text.size() || hex.digits < 1 || hex.digits > 2) {
        usage(u"'%1' is no unit address (one or two hex digits)"_s.arg(text));
        return std::nullopt;
    }
    return unitlink::hex2(hex.low32);
}

std::optional<Mnemonic> Verbs::memory(const QString &text, Mnemonic ram, Mnemonic prom)
{
    if (text == "ram"_L1) return ram;
    if (text == "prom"_L1) return prom;
    usage(u"'%1': ram or prom"_s.arg(text));
    return std::nullopt;
}

int Verbs::adapters(const QStringList &)
{
    for (const QString &device : platform::serialAdapters()) result(device, {{u"device"_s, device}});
    return kDone;
}

int Verbs::ids(const QStringList &)
{
    if (const int code = openLine(false)) return code;
    const QStringList found = m_session.addressesAnsweringSid();
    if (const int code = m_session.failIfInterrupted()) return code;
    if (found.isEmpty()) return fail(kNoReply, u"no unit answered SID within %1 ms"_s.arg(m_session.timeoutMs()));
    for (const QString &a : found) result(a, {{u"address"_s, a}});
    return kDone;
}

int Verbs::query(const QStringList &args)
{
    const std::optional<QString> addr = address(args[0]);
    if (!addr) return kUsage;
    if (const int code = openLine(false)) return code;
    std::optional<Reply> reply;
    if (const int code = m_session.exchange(Command(Mnemonic::QID, *addr), &reply)) return code;
    result(reply->address(), {{u"address"_s, reply->address()}});
    return kDone;
}

int Verbs::setAddress(const QStringList &args)
{
    const std::optional<QString> addr = address(args[0]);
    if (!addr) return kUsage;
    if (*addr == "00"_L1 || *addr == "FF"_L1) return usage(u"unit addresses run from 01 to FE"_s);
    if (const int code = openLine(false)) return code;
    const bool yes = m_options.yes;
    const QStringList found = m_session.addressesAnsweringSid();
    // Stopped during the scan: no SETID goes out, --yes or not.
    if (const int code = m_session.failIfInterrupted()) return code;
    if (found.size() > 1 && !yes)
        return fail(kUsage, u"units %1 answered: SETID would give all of them address %2 (--yes to do it)"_s.arg(
                                found.join(u", "_s), *addr));
    if (found.isEmpty() && !yes)
        return fail(kNoReply, u"no unit answered SID within %1 ms"_s.arg(m_session.timeoutMs()));
    m_session.send(Command(Mnemonic::SETID, {}, *addr));
    if (const int code = m_session.exchange(Command(Mnemonic::QID, *addr))) return code;
    result(*addr, {{u"address"_s, *addr}, {u"was"_s, QJsonArray::fromStringList(found)}});
    return kDone;
}

int Verbs::read(const QStringList &args)
{
    const std::optional<Mnemonic> id = memory(args[0], Mnemonic::RDR, Mnemonic::RDM);
    const std::optional<QString> addr = id ? address(args[1]) : std::nullopt;
    if (!addr) return kUsage;
    if (const int code = openLine(false)) return code;
    QString hexText;
    if (const int code = m_session.readImage(*id, *addr, hexText)) return code;
    const QString &file = m_options.output;
    if (!file.isEmpty()) {
        const unitlink::LedFileWrite written = unitlink::writeLedFile(file, hexText + u' ');
        if (!written.ok()) return fail(kPortFailure, u"cannot write %1: %2"_s.arg(file, written.error()));
        // The image is in the file: where it went is the answer.
        result(file, {{u"address"_s, *addr}, {u"memory"_s, args[0]}, {u"file"_s, file}});
        return kDone;
    }
    result(hexText, {{u"address"_s, *addr}, {u"memory"_s, args[0]}, {u"image"_s, hexText}});
    return kDone;
}

int Verbs::write(const QStringList &args)
{
    const std::optional<Mnemonic> id = memory(args[0], Mnemonic::WRR, Mnemonic::WRM);
    const std::optional<QString> addr = id ? address(args[1]) : std::nullopt;
    if (!addr) return kUsage;
    QString hexText;
    if (m_options.text) {
        const std::optional<unitlink::ImageBytes> image = unitlink::textImage(args[2]);
        if (!image) return usage(u"--text takes up to five printable ASCII characters"_s);
        hexText = unitlink::imageHexText(*image);
    } else if (m_options.hex) {
        QString digits = args[2];
        digits.remove(u' ');
        if (digits.size() != 64 || unitlink::readLeadingHex(digits).digits != 64)
            return usage(u"--hex takes 32 pairs of hex digits"_s);
        hexText = unitlink::hexTextFromDigits(digits);
    } else {
        const unitlink::LedFileRead file = unitlink::readLedFile(args[2]);
        if (!file.ok()) return fail(kPortFailure, u"cannot read %1: %2"_s.arg(args[2], file.error));
        if (!isImageText(file.text))
            return fail(kUsage, u"%1 is not an image file: hex pairs and blanks only"_s.arg(args[2]));
        // Loaded as the console loads it: drawn into dots and written out
        // again, as its upload does, so both send the same bytes.
        hexText = unitlink::dotsToHex(unitlink::hexToDots(file.text));
    }
    const std::optional<int> retries = number(m_options.retries, 0, 100);
    if (!retries) return usage(u"--retries wants a number"_s);
    if (const int code = openLine(false)) return code;

    const QString data = unitlink::uploadData(*addr, hexText);
    for (int attempt = 0;; ++attempt) {
        std::optional<Reply> reply;
        const int code = m_session.exchange(Command(*id, *addr, data), &reply);
        if (code == kUnitError && reply->error() == unitlink::UnitError::Crc && attempt < *retries) continue;
        if (code) return code;
        break;
    }
    QString readBack;
    const Mnemonic readId = *id == Mnemonic::WRR ? Mnemonic::RDR : Mnemonic::RDM;
    if (const int code = m_session.readImage(readId, *addr, readBack)) return code;
    const QString written = unitlink::hexTextFromDigits(data.left(64)).trimmed();
    if (readBack.toUpper() != written)
        return fail(kVerifyFailure, u"unit %1 holds %2, not the image written"_s.arg(*addr, readBack));
    result(written, {{u"address"_s, *addr}, {u"memory"_s, args[0]}, {u"image"_s, written}});
    return kDone;
}

int Verbs::copy(const QStringList &args)
{
    const bool toProm = args[0] == "ram-to-prom"_L1;
    if (!toProm && args[0] != "prom-to-ram"_L1) return usage(u"copy ram-to-prom or prom-to-ram"_s);
    const std::optional<QString> addr = address(args[1]);
    if (!addr) return kUsage;
    if (const int code = openLine(false)) return code;
    if (toProm) {
        if (const int code = m_session.exchange(Command(Mnemonic::RTM, *addr))) return code;
    } else {
        // MTR has no address and draws no reply: the two images tell.
        m_session.send(Command(Mnemonic::MTR));
        QString ram;
        QString prom;
        if (const int code = m_session.readImage(Mnemonic::RDR, *addr, ram)) return code;
        if (const int code = m_session.readImage(Mnemonic::RDM, *addr, prom)) return code;
        if (ram != prom) return fail(kVerifyFailure, u"unit %1: RAM %2 differs from PROM %3"_s.arg(*addr, ram, prom));
    }
    result(u"%1 %2"_s.arg(*addr, args[0]), {{u"address"_s, *addr}, {u"copy"_s, args[0]}});
    return kDone;
}

int Verbs::tally(const QStringList &args)
{
    struct Switch {
        QLatin1StringView lamp;
        QLatin1StringView state;
        std::initializer_list<Mnemonic> commands;
    };
    static const Switch kSwitches[] = {
        {"pgm"_L1, "on"_L1, {Mnemonic::TON}},
        {"pgm"_L1, "off"_L1, {Mnemonic::TOF}},
        {"pvw"_L1, "on"_L1, {Mnemonic::TWN}},
        {"pvw"_L1, "off"_L1, {Mnemonic::TWF}},
        {"flash"_L1, "on"_L1, {Mnemonic::TFH}},
        // The unit stops flashing at any lamp command.
        {"flash"_L1, "off"_L1, {Mnemonic::TOF, Mnemonic::TWF}},
    };
    const std::optional<QString> addr = address(args[0]);
    if (!addr) return kUsage;
    for (const Switch &s : kSwitches) {
        if (s.lamp != args[1] || s.state != args[2]) continue;
        if (const int code = openLine(false)) return code;
        for (Mnemonic id : s.commands) {
            if (const int code = m_session.exchange(Command(id, *addr))) return code;
        }
        result(u"%1 %2 %3"_s.arg(*addr, args[1], args[2]),
               {{u"address"_s, *addr}, {u"lamp"_s, args[1]}, {u"state"_s, args[2]}});
        return kDone;
    }
    return usage(u"tally ADDR pgm|pvw|flash on|off"_s);
}

int Verbs::text(const QStringList &args)
{
    const std::optional<QString> addr = address(args[0]);
    if (!addr) return kUsage;
    // The console sends "?" for anything else; from a shell nobody would see that before the unit shows it.
    if (!std::all_of(args[1].begin(), args[1].end(), [](QChar c) { return c >= u' ' && c <= u'~'; }))
        return usage(u"text takes printable ASCII characters only"_s);
    if (const int code = openLine(false)) return code;
    const unitlink::FiveCharacters five = unitlink::fiveCharacters(args[1]);
    if (const int code = m_session.exchange(Command(Mnemonic::CHR, *addr, five.line))) return code;
    result(five.line, {{u"address"_s, *addr}, {u"text"_s, five.line}});
    return kDone;
}

int Verbs::mode(const QStringList &args)
{
    const std::optional<QString> addr = address(args[0]);
    if (!addr) return kUsage;
    const std::optional<int> index = number(args[1], 0, 9);
    if (!index) return usage(u"mode N: 0 to 9"_s);
    if (const int code = openLine(false)) return code;
    const QString byte = unitlink::hex2(unitlink::displayModeByte(*index, m_options.pxr));
    if (const int code = m_session.exchange(Command(Mnemonic::CFG, *addr, byte))) return code;
    result(byte, {{u"address"_s, *addr}, {u"mode"_s, byte}});
    return kDone;
}

int Verbs::input(const QStringList &args)
{
    const std::optional<QString> addr = address(args[0]);
    if (!addr) return kUsage;
    const bool pgm = args[1] == "pgm"_L1;
    if (!pgm && args[1] != "pvw"_L1) return usage(u"input ADDR pgm|pvw N"_s);
    const std::optional<int> n = number(args[2], 0, unitlink::kParallelInputs);
    if (!n) return usage(u"input N: 1 to 48, or 0 for none"_s);
    if (const int code = openLine(false)) return code;
    const Command command(pgm ? Mnemonic::GPI : Mnemonic::GPW, *addr, unitlink::inputCode(*n));
    QJsonObject json{{u"address"_s, *addr}, {args[1], *n}};
    QString plain = u"%1 %2 %3"_s.arg(*addr, args[1]).arg(*n);
    if (pgm) {
        // Only the PGM input draws a reply: both inputs, as the unit has them.
        std::optional<Reply> reply;
        if (const int code = m_session.exchange(command, &reply)) return code;
        if (reply->kind() == Reply::Kind::Inputs) {
            json[u"inputs"_s] =
                QJsonArray{unitlink::codedValue(reply->pgmInput()), unitlink::codedValue(reply->pvwInput())};
            plain += u" (unit: pgm %1 pvw %2)"_s.arg(unitlink::codedAsDecimal(reply->pgmInput()),
                                                     unitlink::codedAsDecimal(reply->pvwInput()));
        }
    } else {
        m_session.send(command);
    }
    result(plain, json);
    return kDone;
}

bool Verbs::counted(int &seen) const
{
    return m_options.count > 0 && ++seen >= m_options.count;
}

int Verbs::watch(const QStringList &)
{
    m_session.watchSignals();
    if (const int code = openLine(false)) return code;
    const bool raw = m_options.hex;
    QElapsedTimer clock;
    clock.start();
    int seen = 0;
    while (const std::optional<QString> text = m_session.nextFrame(QDeadlineTimer::Forever)) {
        // The collector keeps each byte as one Latin-1 character.
        const QByteArray bytes = unitlink::STX + text->toLatin1() + unitlink::ETX;
        QJsonObject json{{u"ms"_s, clock.elapsed()}, {u"frame"_s, unitlink::shownBytes(bytes)}};
        QStringList meaning;
        const auto field = [&](const QString &name, const QString &value) {
            if (value.isEmpty()) return;
            const QString escaped = unitlink::shownBytes(value.toLatin1());
            json[name] = escaped;
            meaning << (name == "mnemonic"_L1 ? escaped : name + u' ' + escaped);
        };
        const unitlink::FrameMeaning m = unitlink::frameMeaning(*text, unitlink::Reading::CommandsFirst);
        field(u"mnemonic"_s, m.role == unitlink::FrameMeaning::Role::Unknown ? u"unknown"_s : m.mnemonic);
        field(u"address"_s, m.address);
        // An address reply's data is the address.
        if (m.reply != Reply::Kind::Address) field(u"data"_s, m.data);
        if (m.image) field(u"checksum"_s, m.image->checksumOk ? u"ok"_s : u"bad"_s);
        if (m.unitError) field(u"error"_s, m.unitError->error ? m.unitError->text : u"unknown code"_s);
        if (m.malformed) {
            json[u"malformed"_s] = true;
            meaning << u"malformed"_s;
        }
        if (raw) field(u"hex"_s, spacedHex(bytes));
        result(u"%1 %2 %3"_s.arg(json[u"ms"_s].toInteger()).arg(json[u"frame"_s].toString(), meaning.join(u' ')), json);
        if (counted(seen)) return kDone;
    }
    return m_session.watchEnded();
}

int Verbs::switcherWatch(const QStringList &)
{
    m_session.watchSignals();
    if (const int code = openLine(true)) return code;
    QElapsedTimer clock;
    clock.start();
    int seen = 0;
    const auto malformed = [&](QByteArrayView bytes) {
        result(u"%1 malformed %2"_s.arg(clock.elapsed()).arg(spacedHex(bytes)),
               {{u"ms"_s, clock.elapsed()}, {u"malformed"_s, spacedHex(bytes)}});
        return counted(seen);
    };
    while (const std::optional<switcherlink::TallyPiece> piece = m_session.nextTallyPiece()) {
        const std::optional<switcherlink::Tally> &tally = piece->tally;
        bool done = false;
        if (!tally) {
            done = malformed(piece->bytes);
        } else {
            QStringList lit;
            QJsonArray litJson;
            for (int k = 0; k < switcherlink::kLampCount; ++k) {
                if (!tally->lamps[std::size_t(k)]) continue;
                lit << QString::number(k + 1);
                litJson << k + 1;
            }
            result(u"%1 id %2 lit %3"_s.arg(clock.elapsed())
                       .arg(tally->id)
                       .arg(lit.isEmpty() ? u"none"_s : lit.join(u' ')),
                   {{u"ms"_s, clock.elapsed()}, {u"id"_s, tally->id}, {u"lit"_s, litJson}});
            done = counted(seen);
        }
        if (done) return kDone;
    }
    return m_session.watchEnded();
}

} // namespace

QString description()
{
    QString text = u"Commands for ZIDID tally display units on a serial line (9600 8N1).\n\nCommands:\n"_s;
    for (const Verb &verb : kVerbs) {
        const QString words = verb.syntax.isEmpty() ? QString(verb.name) : verb.name + u' ' + verb.syntax;
        text += u"  tallyctl %1\n      %2\n"_s.arg(words, verb.help);
    }
    text += u"\nExit status: 0 done, 1 no reply, 2 usage (or set-address or a file refused, or no port named and not "
            "one adapter), 3 port or file failure, 4 checksum or verify failure, 5 unit error (errN), 130 interrupted "
            "(SIGINT or "
            "SIGTERM while waiting for a reply)."_s;
    return text;
}

int runVerb(const QString &name, const QStringList &args, const VerbOptions &options, Output &output, Session &session)
{
    Verbs verbs(options, output, session);
    return verbs.run(name, args);
}

std::optional<int> number(const QString &text, int low, int high)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high) return std::nullopt;
    return n;
}

} // namespace cli
