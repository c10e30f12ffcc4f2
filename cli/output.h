// What tallyctl prints: results on stdout, plain or as JSON, and failures
// on stderr, with --json also as an error object on stdout, so that a
// script always gets one document.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QTextStream>

namespace cli {

class Output {
public:
    Output(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}

    void setJson(bool json) { m_json = json; }
    bool json() const { return m_json; }
    // A list command's results make one JSON array, however many there are.
    void setList(bool list) { m_list = list; }
    // Named in every failure from now on; empty until a command names its port.
    void setPortLabel(const QString &label) { m_portLabel = label; }

    // Printed as it is: --help, --version.
    void text(const QString &text);
    // One result: a line of plain text, or one JSON object.
    void result(const QString &plain, const QJsonObject &json);
    // Gives code.
    int fail(int code, const QString &message);
    // Gives the usage exit code.
    int usage(const QString &message);
    // Closes the JSON document, whatever the outcome: call once, at the end.
    void endJson(int code);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_json = false;
    bool m_list = false;
    int m_elements = 0; // of the JSON array printed so far
    QString m_portLabel;
    QString m_failure; // the message of the failure, for --json
};

} // namespace cli
