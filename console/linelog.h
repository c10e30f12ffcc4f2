// The console's record of the line: every frame written and received, with
// its time and what it means, characters outside any frame, refused writes
// and port changes. It only watches; nothing here writes to the port or
// changes what the receiver sees. Widget-free, so it is tested (and its
// rows saved) without a window.
#pragma once

#include "platform/clock.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTime>
#include <QTimer>

#include <deque>
#include <optional>

namespace console {

struct LogRow {
    enum class Direction { Sent, Received, Port };
    QTime time;
    Direction direction = Direction::Port;
    QByteArray bytes; // as they crossed (or would have crossed) the line
    QString meaning;
    bool error = false; // noise, a bad checksum, a unit error, a refused write, a lost port

    QString directionText() const;
    // "[STX]rdr...[ETX]": printable ASCII as it is, STX and ETX named,
    // anything else as \xNN.
    QString frameText() const;
    QString hexText() const;
    QString timeText() const; // hh:mm:ss.zzz
    // time, direction, frame, meaning and, with hex, the hex bytes;
    // tab-separated (no line end).
    QString tsvLine(bool hex = false) const;
};

// What the view shows: both directions by default, port rows always.
struct LogFilter {
    bool sent = true;
    bool received = true;
    bool errorsOnly = false;
    QString text; // found (case-insensitively) in the frame or the meaning
    bool accepts(const LogRow &row) const;
};

class LineLog : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kDefaultLimit = 10'000;
    // Longer than anything on the line: a "frame" this long is cut off as noise.
    static constexpr qsizetype kFrameLimit = 256;
    // A line quiet this long has finished whatever it was sending: what is
    // not a whole frame by then is a row of its own. A unit sends a frame
    // without a pause; at 9600 baud a character takes about a millisecond.
    static constexpr int kQuietMs = 100;

    explicit LineLog(const platform::Clock &clock, qsizetype limit = kDefaultLimit, QObject *parent = nullptr);

    void written(const QByteArray &bytes);
    void refused(const QByteArray &bytes, const QString &reason);
    void received(const QByteArray &bytes);
    void port(const QString &text, bool error = false);
    void clear();

    qsizetype size() const { return qsizetype(m_rows.size()); }
    qsizetype limit() const { return m_limit; }
    const LogRow &row(qsizetype i) const { return m_rows[size_t(i)]; }
    // Rows ever added; row i is number first() + i of them.
    qint64 total() const { return m_first + size(); }
    qint64 first() const { return m_first; }
    // Rows dropped by the bound since the last clear.
    qint64 dropped() const { return m_dropped; }

    // The rows of these numbers (see first()) still kept, one tab-separated
    // line each under a line naming the columns and the date and time of
    // the save, UTF-8, written whole or not at all. Empty on success, else
    // why it failed.
    QString save(const QString &path, const QList<qint64> &numbers, bool hex = false) const;

signals:
    // Rows were added or dropped; a view gathers these into batches.
    void changed();

private:
    struct Assembler {
        QByteArray pending;
        QTime started; // when the first byte of pending came
        bool inFrame = false;
    };
    void feed(Assembler &a, LogRow::Direction direction, const QByteArray &bytes);
    void flush(Assembler &a, LogRow::Direction direction);
    void flushAll();
    void addFrame(LogRow::Direction direction, QTime time, QByteArray bytes);
    void add(LogRow row);

    const platform::Clock &m_clock;
    qsizetype m_limit;
    std::deque<LogRow> m_rows;
    qint64 m_first = 0;
    qint64 m_dropped = 0;
    Assembler m_in, m_out;
    QTimer m_quiet;
};

} // namespace console
