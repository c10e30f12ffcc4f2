#include "console/linelog.h"

#include "link/frame.h"
#include "link/framemeaning.h"

#include <QSaveFile>

namespace console {

using unitlink::FrameMeaning;

namespace {

QString codes(QStringView coded)
{
    QStringList numbers;
    for (QChar c : coded) numbers << unitlink::codedAsDecimal(c);
    return numbers.join(QLatin1Char(' '));
}

QString describeCommand(const FrameMeaning &m)
{
    QString text = m.mnemonic;
    if (!m.address.isEmpty()) text += LineLog::tr(" address ") + m.address;
    if (m.image) text += LineLog::tr(", checksum ") + m.image->received + LineLog::tr(", image ") + m.image->hexText;
    if (m.text) text += LineLog::tr(", text \"%1\"").arg(*m.text);
    if (m.modeByte) text += LineLog::tr(", mode byte ") + *m.modeByte;
    if (m.input) text += LineLog::tr(", input ") + unitlink::codedAsDecimal(*m.input);
    if (m.tallies)
        text += m.tallies->codes.isEmpty() ? LineLog::tr(", no inputs")
                                           : LineLog::tr(", inputs ") + codes(m.tallies->codes);
    if (m.newAddress) text += LineLog::tr(", new address ") + *m.newAddress;
    return text;
}

QString describeReply(const FrameMeaning &m)
{
    using Kind = unitlink::Reply::Kind;
    const QString &name = m.mnemonic;
    switch (m.reply) {
    case Kind::Image: {
        // The verdict first: the pairs run past the edge of the view.
        const QString pairsText = LineLog::tr(", image ") + m.image->hexText;
        if (m.image->checksumOk) return name + LineLog::tr(": checksum ok") + pairsText;
        return name + LineLog::tr(": checksum mismatch: %1, expected %2").arg(m.image->received, m.image->expected) +
               pairsText;
    }
    case Kind::Done:
        return name + QStringLiteral(": ") + QString(unitlink::commandSpec(*m.command).mnemonic) + LineLog::tr(" done");
    case Kind::Flag: return name + LineLog::tr(": flag ") + *m.flag;
    case Kind::Inputs:
        return name + LineLog::tr(": PGM input %1, PVW input %2")
                          .arg(unitlink::codedAsDecimal(m.inputs->pgm), unitlink::codedAsDecimal(m.inputs->pvw));
    case Kind::Address: return name + LineLog::tr(": address ") + m.address;
    case Kind::TallyList: {
        const QString which =
            m.tallies->lamp == unitlink::TallyLamp::Program ? QStringLiteral("PGM") : QStringLiteral("PVW");
        const QString list = codes(m.tallies->codes);
        return name + QStringLiteral(": ") + which + (list.isEmpty() ? LineLog::tr(" none") : QLatin1Char(' ') + list);
    }
    case Kind::UnitError:
        if (m.unitError->error) return m.body + QStringLiteral(": ") + m.unitError->text;
        return m.body + LineLog::tr(": unknown error code");
    case Kind::Malformed: return name + LineLog::tr(": wrong length, not acted upon");
    case Kind::Unknown: break;
    }
    return {};
}

QString bodyOf(QByteArrayView frame)
{
    return QString::fromLatin1(frame.sliced(1, frame.size() - 2));
}

// What a frame we sent means: the command's name, address and data.
QString commandMeaning(QByteArrayView frame)
{
    const FrameMeaning m = unitlink::frameMeaning(bodyOf(frame), unitlink::Reading::Commands);
    if (m.role == FrameMeaning::Role::Command) return describeCommand(m);
    return LineLog::tr("not a command");
}

// What a received frame means: the reply and, for an image, the checksum
// verdict, or another controller's command. A reply that reports or shows
// a fault sets error.
QString replyMeaning(QByteArrayView frame, bool *error)
{
    const FrameMeaning m = unitlink::frameMeaning(bodyOf(frame), unitlink::Reading::RepliesFirst);
    *error = m.fault;
    switch (m.role) {
    case FrameMeaning::Role::Reply: return describeReply(m);
    case FrameMeaning::Role::Command: return LineLog::tr("another controller: ") + describeCommand(m);
    case FrameMeaning::Role::Unknown: break;
    }
    return LineLog::tr("unknown reply");
}

} // namespace

QString LogRow::directionText() const
{
    switch (direction) {
    case Direction::Sent: return QStringLiteral("→");
    case Direction::Received: return QStringLiteral("←");
    case Direction::Port: break;
    }
    return LineLog::tr("port");
}

QString LogRow::frameText() const
{
    return unitlink::shownBytes(bytes);
}

QString LogRow::hexText() const
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString LogRow::timeText() const
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString LogRow::tsvLine(bool hex) const
{
    QString line = timeText() + QLatin1Char('\t') + directionText() + QLatin1Char('\t') + frameText() +
                   QLatin1Char('\t') + meaning;
    if (hex) line += QLatin1Char('\t') + hexText();
    return line;
}

bool LogFilter::accepts(const LogRow &row) const
{
    if (row.direction == LogRow::Direction::Sent && !sent) return false;
    if (row.direction == LogRow::Direction::Received && !received) return false;
    if (errorsOnly && !row.error) return false;
    return text.isEmpty() || row.meaning.contains(text, Qt::CaseInsensitive) ||
           row.frameText().contains(text, Qt::CaseInsensitive);
}

LineLog::LineLog(const platform::Clock &clock, qsizetype limit, QObject *parent)
    : QObject(parent), m_clock(clock), m_limit(limit)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &LineLog::flushAll);
}

// Each direction is put together on its own: a write while a reply is
// arriving does not cut the reply.
void LineLog::written(const QByteArray &bytes)
{
    feed(m_out, LogRow::Direction::Sent, bytes);
}

void LineLog::refused(const QByteArray &bytes, const QString &reason)
{
    LogRow row{m_clock.now(), LogRow::Direction::Sent, bytes, {}, true};
    const bool whole = bytes.startsWith(unitlink::STX) && bytes.endsWith(unitlink::ETX);
    row.meaning = tr("NOT SENT (%1)").arg(reason);
    if (whole) row.meaning += QStringLiteral(": ") + commandMeaning(bytes);
    add(std::move(row));
}

void LineLog::received(const QByteArray &bytes)
{
    feed(m_in, LogRow::Direction::Received, bytes);
}

void LineLog::port(const QString &text, bool error)
{
    // Nothing cut off by a port change will be finished.
    flushAll();
    add(LogRow{m_clock.now(), LogRow::Direction::Port, {}, text, error});
}

void LineLog::clear()
{
    m_first = total();
    m_rows.clear();
    m_dropped = 0;
    emit changed();
}

void LineLog::feed(Assembler &a, LogRow::Direction direction, const QByteArray &bytes)
{
    // A row's time is when its first byte came: these bytes all came now.
    // The clock is read at most once a read, and only when a row starts.
    std::optional<QTime> now;
    const auto begin = [&] {
        if (!a.pending.isEmpty()) return;
        if (!now) now = m_clock.now();
        a.started = *now;
    };
    for (char c : bytes) {
        if (c == unitlink::STX) {
            flush(a, direction);
            begin();
            a.inFrame = true;
            a.pending += c;
        } else if (c == unitlink::ETX && a.inFrame) {
            a.pending += c;
            addFrame(direction, a.started, std::exchange(a.pending, {}));
            a.inFrame = false;
        } else {
            begin();
            a.pending += c;
            if (a.pending.size() >= kFrameLimit) flush(a, direction);
        }
    }
    // Noise or a frame cut short becomes a row once the line is quiet,
    // not only when something else happens.
    if (!a.pending.isEmpty()) m_quiet.start();
}

// What was collected is not a frame (noise, or a frame cut short): one row.
void LineLog::flush(Assembler &a, LogRow::Direction direction)
{
    if (a.pending.isEmpty()) return;
    const QString meaning = a.inFrame ? LineLog::tr("incomplete frame") : LineLog::tr("outside any frame");
    add(LogRow{a.started, direction, std::exchange(a.pending, {}), meaning, true});
    a.inFrame = false;
}

void LineLog::flushAll()
{
    flush(m_out, LogRow::Direction::Sent);
    flush(m_in, LogRow::Direction::Received);
}

void LineLog::addFrame(LogRow::Direction direction, QTime time, QByteArray bytes)
{
    LogRow row{time, direction, std::move(bytes), {}, false};
    row.meaning =
        direction == LogRow::Direction::Sent ? commandMeaning(row.bytes) : replyMeaning(row.bytes, &row.error);
    add(std::move(row));
}

void LineLog::add(LogRow row)
{
    m_rows.push_back(std::move(row));
    if (size() > m_limit) {
        m_rows.pop_front();
        ++m_first;
        ++m_dropped;
    }
    emit changed();
}

QString LineLog::save(const QString &path, const QList<qint64> &numbers, bool hex) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    // Rows carry only the time of day: the save's date and time tell their
    // day, a row later in the day than the save is from an earlier day.
    const QString saved =
        m_clock.today().toString(Qt::ISODate) + QLatin1Char(' ') + m_clock.now().toString(QStringLiteral("hh:mm:ss"));
    QString header = QStringLiteral("Time (saved %1)\tDirection\tFrame\tMeaning").arg(saved);
    if (hex) header += QStringLiteral("\tHex");
    file.write(header.toUtf8() + '\n');
    for (const qint64 n : numbers)
        if (n >= m_first && n < total()) file.write(row(n - m_first).tsvLine(hex).toUtf8() + '\n');
    if (!file.commit()) return file.errorString();
    return {};
}

} // namespace console
