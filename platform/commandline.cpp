#include "platform/commandline.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace platform {

CommandLine::CommandLine(const QString &name, const QString &description)
    : m_name(name), m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")),
      m_version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and exit.")),
      m_ports(
          QStringLiteral("ports"),
          QStringLiteral("Devices of ports 1, 2, ... separated by colons, an empty entry leaving that number "
                         "absent (as TALLY_SERIAL_PORTS, which this option overrides). A bare name (tally-unit) is a "
                         "link in the runtime folder, where tally-unit --link puts it."),
          QStringLiteral("list")),
      m_resetLayout(QStringLiteral("reset-layout"),
                    QStringLiteral("Open the windows at their designed size and place, forgetting where they were "
                                   "left (kept in the user's configuration folder).")),
      m_language(QStringLiteral("lang"),
                 QStringLiteral("The windows' language: zh (Chinese) or en (English). Without it, English when the "
                                "desktop's language is English (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), else Chinese."),
                 QStringLiteral("zh|en"))
{
    QCoreApplication::setApplicationName(name);
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLY_VERSION));
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

void CommandLine::addPortsOption()
{
    m_parser.addOption(m_ports);
    m_hasPorts = true;
}

void CommandLine::addResetLayoutOption()
{
    m_parser.addOption(m_resetLayout);
    m_hasResetLayout = true;
}

void CommandLine::addPositionalArgument(const QString &name, const QString &description, const QString &syntax)
{
    m_parser.addPositionalArgument(name, description, syntax);
    ++m_positionalCount;
}

void CommandLine::addLanguageOption()
{
    m_parser.addOption(m_language);
    m_hasLanguage = true;
}

std::optional<int> CommandLine::parse(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    bool ok = m_parser.parse(arguments);
    QString error = m_parser.errorText();
    if (ok && m_parser.positionalArguments().size() > m_positionalCount) {
        ok = false;
        error = QStringLiteral("Unexpected argument '%1'.").arg(m_parser.positionalArguments().at(m_positionalCount));
    }
    const QString language = m_hasLanguage ? m_parser.value(m_language) : QString();
    if (ok && m_hasLanguage && m_parser.isSet(m_language) && language != u"zh" && language != u"en") {
        ok = false;
        error = QStringLiteral("--lang takes zh or en, not '%1'.").arg(language);
    }
    if (ok && m_parser.isSet(m_version)) {
        std::printf("%s %s\n", qPrintable(m_name), TALLY_VERSION);
        return 0;
    }
    if (ok && !m_parser.isSet(m_help)) return std::nullopt;

    // The usage line names the program as argv[0] of the application object;
    // a short-lived one named after the program keeps build paths out of it.
    int count = 1;
    QByteArray program = m_name.toLocal8Bit();
    char *programArgv[] = {program.data(), nullptr};
    const QCoreApplication app(count, programArgv);
    if (ok) {
        std::fputs(qPrintable(m_parser.helpText()), stdout);
        return 0;
    }
    std::fprintf(stderr, "%s: %s\n\n%s", qPrintable(m_name), qPrintable(error), qPrintable(m_parser.helpText()));
    return 2;
}

std::optional<QString> CommandLine::ports() const
{
    if (!m_hasPorts || !m_parser.isSet(m_ports)) return std::nullopt;
    return m_parser.value(m_ports);
}

std::optional<QString> CommandLine::language() const
{
    if (!m_hasLanguage || !m_parser.isSet(m_language)) return std::nullopt;
    return m_parser.value(m_language);
}

} // namespace platform
