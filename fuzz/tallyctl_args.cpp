// tallyctl's command line: the input's lines as the words, then the whole
// input as the image of `write --hex` and of `write --text`. Port 1 has no
// device (--ports ""), words that could name one or a file elsewhere
// ("port", "/") are left out, and "adapters", which lists this machine's
// serial adapters; each run stands in an empty directory, so no run opens a
// line or reads a file of this machine.
#include "cli/tallyctl.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
int tallyctl(const QStringList &words)
{
    static const QTemporaryDir empty;
    const QString here = QDir::currentPath();
    QString out, err;
    QTextStream o(&out), e(&err);
    if (!QDir::setCurrent(empty.path())) std::abort();
    const int code = cli::run(QStringList{"tallyctl", "--ports", "", "--port", "1"} + words, o, e);
    QDir::setCurrent(here); // a stream on a string holds nothing back: out and err are complete
    // Only --help and --version succeed without a unit; a failure says why and
    // is a usage (2) or port (3) one: with nothing answering, none can verify or
    // refuse. Under --json it prints its object too, and nothing else.
    const bool shown =
        out.isEmpty() || (out.startsWith(u"{\"error\":") && out.endsWith(QStringLiteral(",\"exit\":%1}\n").arg(code)));
    if (code == 0 ? out.isEmpty() || !err.isEmpty() : err.isEmpty() || !shown || (code != 2 && code != 3)) std::abort();
    if (code == 3 && !err.contains(u"no device has this port number") && !err.contains(u"cannot read")) std::abort();
    return code;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // a watch's signal notifier wants one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList words = text.split(u'\n');
    words.removeIf([](const QString &w) {
        return w.contains(u"port", Qt::CaseInsensitive) || w.contains(u'/') || w.contains(u"adapters");
    });
    tallyctl(words);

    // An image taken goes on to the port (3), one refused ends there (2): 32
    // hex pairs, blanks aside, or up to five printable ASCII characters.
    static const QRegularExpression pairs(QRegularExpression::anchoredPattern(u"[0-9A-Fa-f]{64}"));
    static const QRegularExpression five(QRegularExpression::anchoredPattern(u"[ -~]{0,5}"));
    const bool hexTaken = pairs.match(QString(text).remove(u' ')).hasMatch();
    if (tallyctl({"write", "ram", "01", "--hex", "--", text}) != (hexTaken ? 3 : 2)) std::abort();
    if (tallyctl({"write", "prom", "FE", "--text", "--", text}) != (five.match(text).hasMatch() ? 3 : 2)) std::abort();
    // text takes any length of printable ASCII (the last five are shown).
    static const QRegularExpression printable(QRegularExpression::anchoredPattern(u"[ -~]*"));
    if (tallyctl({"text", "01", "--", text}) != (printable.match(text).hasMatch() ? 3 : 2)) std::abort();
    return 0;
}
