// One or more virtual units on one line: the port, the frame reader, the
// units, the PROM file and the log, wired together. Used by tally-unit and
// by the end-to-end tests, which run it in-process.
#pragma once

#include "unit/unitline.h"
#include "unit/unitport.h"

#include <QList>
#include <QString>
#include <functional>

namespace unit {

struct Options {
    QList<quint8> addresses{1};
    QString device;   // empty: a new pty
    QString promFile; // empty: PROM images live as long as the program
};

class VirtualUnits : public QObject {
    Q_OBJECT
public:
    explicit VirtualUnits(Options options, QObject *parent = nullptr);
    bool start(QString *error);

    QString path() const { return m_port.path(); }
    UnitLine &line() { return m_line; }

    // One line per frame received and per reply sent (without a line end).
    std::function<void(const QString &)> log;

    // "<STX>RDR01<ETX>" for a frame as bytes.
    static QString printable(const QByteArray &bytes);

private:
    void received(const QByteArray &bytes);
    void savePromFile();
    // The PROM file's text; none when there is no file yet.
    bool readPromFile(QByteArray *text, QString *error) const;

    Options m_options;
    UnitPort m_port;
    FrameReader m_reader;
    UnitLine m_line;
};

} // namespace unit
