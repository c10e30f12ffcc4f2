// The command line every program shares: --help, --version and, for the
// programs that take ports, --ports; for the window programs, --lang. It is read before the application
// object exists, so --help and --version need no display and touch no port.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <optional>

namespace platform {

class CommandLine {
public:
    CommandLine(const QString &name, const QString &description);

    // --ports LIST: the TALLY_SERIAL_PORTS syntax; given, it wins over the variable.
    void addPortsOption();
    // --reset-layout: the windows open at their designed size and place,
    // forgetting where they were left.
    void addResetLayoutOption();
    // --lang zh|en: the windows' language, whatever the desktop's.
    void addLanguageOption();
    // The program's own options and arguments go to the parser directly;
    // positional arguments only through here, so that stray words are refused.
    void addPositionalArgument(const QString &name, const QString &description, const QString &syntax);
    QCommandLineParser &parser() { return m_parser; }

    // Reads argv. Gives the exit code when the program should end here: 0
    // after --help or --version (printed on stdout), 2 after a bad command
    // line (the error and the usage on stderr).
    [[nodiscard]] std::optional<int> parse(int argc, char *argv[]);

    // The --ports list when given.
    std::optional<QString> ports() const;
    bool resetLayout() const { return m_hasResetLayout && m_parser.isSet(m_resetLayout); }
    // "zh" or "en" when --lang was given.
    std::optional<QString> language() const;
    const QString &name() const { return m_name; }

private:
    QString m_name;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_ports;
    QCommandLineOption m_resetLayout;
    bool m_hasPorts = false;
    bool m_hasResetLayout = false;
    QCommandLineOption m_language;
    bool m_hasLanguage = false;
    int m_positionalCount = 0;
};

} // namespace platform
