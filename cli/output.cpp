#include "cli/output.h"

#include "cli/tallyctl.h"

#include <QJsonDocument>

namespace cli {

using namespace Qt::Literals::StringLiterals;

void Output::text(const QString &text)
{
    m_out << text;
}

// A list command's array goes out element by element, each on its own line
// as it comes (a watch runs on), and is closed at the end.
void Output::result(const QString &plain, const QJsonObject &json)
{
    if (!m_json) {
        m_out << plain << '\n';
    } else {
        if (m_list) m_out << (m_elements++ ? ',' : '[');
        m_out << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    }
    m_out.flush();
}

int Output::fail(int code, const QString &message)
{
    m_failure = m_portLabel.isEmpty() ? message : m_portLabel + u": "_s + message;
    m_err << "tallyctl: " << m_failure << '\n';
    m_err.flush();
    return code;
}

int Output::usage(const QString &message)
{
    m_failure = message;
    m_err << "tallyctl: " << message << "\n(tallyctl --help lists the commands)\n";
    m_err.flush();
    return kUsage;
}

// Whatever happened, --json gives one document: a failure is an object of
// its own, or the last element of an array already under way.
void Output::endJson(int code)
{
    if (code != kDone) {
        m_list = m_list && m_elements > 0;
        result({}, {{u"error"_s, m_failure}, {u"exit"_s, code}});
    }
    if (m_list) m_out << (m_elements ? "]\n" : "[]\n");
    m_out.flush();
}

} // namespace cli
