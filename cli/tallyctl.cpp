#include "cli/tallyctl.h"

#include "cli/output.h"
#include "cli/session.h"
#include "cli/verbs.h"
#include "platform/commandline.h"

#include <QCoreApplication>

#include <climits>

namespace cli {

namespace {

using namespace Qt::Literals::StringLiterals;

// The command line: the options every command shares, what they say in
// --help, and the command they pick.
class Tool {
public:
    Tool(QTextStream &out, QTextStream &err);
    int run(const QStringList &args);

private:
    int dispatch(const QStringList &args);

    platform::CommandLine m_commandLine;
    QCommandLineOption m_portOption{
        u"port"_s,
        u"Device path, port number as in --ports, or a bare name (tally-unit) in the runtime "
        "folder as tally-unit --link takes it. Without it: port 1 of --ports or "
        "TALLY_SERIAL_PORTS, else the only USB or ACM adapter (see adapters)."_s,
        u"port"_s};
    QCommandLineOption m_timeoutOption{u"timeout"_s, u"Milliseconds to wait for a reply (default 500)."_s, u"ms"_s,
                                       QString::number(Session::kDefaultTimeoutMs)};
    QCommandLineOption m_jsonOption{u"json"_s, u"One JSON document: an array for ids, adapters and the watches, else "
                                               "one object; a failure gives {\"error\": ..., \"exit\": N}."_s};
    QCommandLineOption m_yesOption{u"yes"_s, u"set-address: renumber even when several units answer."_s};
    QCommandLineOption m_retriesOption{u"retries"_s, u"write: attempts after an err2 reply (default 2)."_s, u"n"_s,
                                       QString::number(kDefaultRetries)};
    QCommandLineOption m_outputOption{{u"o"_s, u"output"_s}, u"read: write a .LED file instead."_s, u"file"_s};
    QCommandLineOption m_textOption{u"text"_s, u"write: the image argument is up to five characters."_s};
    QCommandLineOption m_hexOption{u"hex"_s, u"write: the image argument is 32 hex pairs; watch: add the raw bytes."_s};
    QCommandLineOption m_pxrOption{u"pxr"_s, u"mode: PXR-09 mode."_s};
    QCommandLineOption m_countOption{u"count"_s, u"watch, switcher-watch: stop after n frames."_s, u"n"_s};

    Output m_output;
    // Tells its failures through the output, so it goes before it.
    Session m_session{m_output};
};

Tool::Tool(QTextStream &out, QTextStream &err) : m_commandLine(u"tallyctl"_s, description()), m_output(out, err)
{
    m_commandLine.addPortsOption();
    m_commandLine.parser().addOptions({m_portOption, m_timeoutOption, m_jsonOption, m_yesOption, m_retriesOption,
                                       m_outputOption, m_textOption, m_hexOption, m_pxrOption, m_countOption});
    m_commandLine.parser().addPositionalArgument(u"command"_s, u"One of the commands above and its arguments."_s,
                                                 u"command [args...]"_s);
}

int Tool::run(const QStringList &args)
{
    const int code = dispatch(args);
    if (m_output.json()) m_output.endJson(code);
    return code;
}

int Tool::dispatch(const QStringList &args)
{
    QCommandLineParser &parser = m_commandLine.parser();
    if (!parser.parse(args)) {
        m_output.setJson(args.mid(1, args.indexOf(u"--"_s) - 1).contains(u"--json"_s));
        return m_output.usage(parser.errorText());
    }
    if (parser.isSet(u"help"_s)) {
        m_output.text(parser.helpText());
        return kDone;
    }
    if (parser.isSet(u"version"_s)) {
        m_output.text(u"tallyctl "_s + QCoreApplication::applicationVersion() + u'\n');
        return kDone;
    }
    m_output.setJson(parser.isSet(m_jsonOption));
    const std::optional<int> timeout = number(parser.value(m_timeoutOption), 1, 3600000);
    if (!timeout) return m_output.usage(u"--timeout wants milliseconds"_s);
    m_session.setTimeout(*timeout);
    VerbOptions options;
    if (parser.isSet(m_countOption)) {
        const std::optional<int> count = number(parser.value(m_countOption), 1, INT_MAX);
        if (!count) return m_output.usage(u"--count wants a number of frames"_s);
        options.count = *count;
    }
    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) return m_output.usage(u"no command given"_s);
    const QString name = words.takeFirst();
    if (parser.isSet(m_portOption)) options.port.port = parser.value(m_portOption);
    options.port.ports = m_commandLine.ports();
    options.output = parser.value(m_outputOption);
    options.retries = parser.value(m_retriesOption);
    options.yes = parser.isSet(m_yesOption);
    options.text = parser.isSet(m_textOption);
    options.hex = parser.isSet(m_hexOption);
    options.pxr = parser.isSet(m_pxrOption);
    return runVerb(name, words, options, m_output, m_session);
}

} // namespace

int run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    return Tool(out, err).run(args);
}

} // namespace cli
