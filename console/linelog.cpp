#include "console/linelog.h"

#include "link/frame.h"
#include "link/protocol.h"

#include <QSaveFile>

namespace console {

using unitlink::Command;
using unitlink::DataShape;
using unitlink::Reply;

namespace {

QString codes(QStringView coded)
{
    QStringList numbers;
    for (QChar c : coded) numbers << unitlink::codedAsDecimal(c);
    return numbers.join(QLatin1Char(' '));
}

QString describeCommand(const Command &c)
{
    const unitlink::CommandSpec &spec = c.spec();
    QString text = spec.mnemonic;
    if (spec.addressed) text += LineLog::tr(" address ") + c.address();
    const QString &d = c.data();
    switch (spec.data) {
    case DataShape::None: break;
    case DataShape::Image:
        text += LineLog::tr(", checksum ") + d.mid(64) + LineLog::tr(", image ") +
                unitlink::hexTextFromDigits(QStringView(d).left(64)).trimmed();
        break;
    case DataShape::Text: text += LineLog::tr(", text \"%1\"").arg(d); break;
    case DataShape::Byte: text += LineLog::tr(", mode byte ") + d; break;
    case DataShape::Input: text += LineLog::tr(", input ") + codes(d); break;
    case DataShape::InputList:
        text += d.isEmpty() ? LineLog::tr(", no inputs") : LineLog::tr(", inputs ") + codes(d);
        break;
    case DataShape::NewAddress: text += LineLog::tr(", new address ") + d; break;
    }
    return text;
}

QString describeReply(const Reply &r, bool *error)
{
    using Kind = Reply::Kind;
    const QString name = r.mnemonic().toString();
    switch (r.kind()) {
    case Kind::Image: {
        const unitlink::ImageReply image = r.image();
        // The verdict first: the pairs run past the edge of the view.
        const QString pairsText = LineLog::tr(", image ") + image.hexText.trimmed();
        if (image.checksumOk) return name + LineLog::tr(": checksum ok") + pairsText;
        *error = true;
        return name + LineLog::tr(": checksum mismatch: %1, expected %2").arg(image.received, image.expected) +
               pairsText;
    }
    case Kind::Done: return name + QStringLiteral(": ") + QString(r.command()->mnemonic) + LineLog::tr(" done");
    case Kind::Flag: return name + LineLog::tr(": flag ") + r.flag().toString();
    case Kind::Inputs:
        return name + LineLog::tr(": PGM input %1, PVW input %2")
                          .arg(unitlink::codedAsDecimal(r.pgmInput()), unitlink::codedAsDecimal(r.pvwInput()));
    case Kind::Address: return name + LineLog::tr(": address ") + r.address();
    case Kind::TallyList: {
        const QString which = r.answers(unitlink::Mnemonic::TLY) ? QStringLiteral("PGM") : QStringLiteral("PVW");
        const QString list = codes(r.data());
        return name + QStringLiteral(": ") + which + (list.isEmpty() ? LineLog::tr(" none") : QLatin1Char(' ') + list);
    }
    case Kind::UnitError:
        *error = true;
        if (const std::optional<unitlink::UnitError> e = r.error())
            return r.text() + QStringLiteral(": ") + unitlink::unitErrorText(*e);
        return r.text() + LineLog::tr(": unknown error code");
    case Kind::Malformed: *error = true; return name + LineLog::tr(": wrong length, not acted upon");
    case Kind::Unknown: break;
    }
    // Another controller on the line talks in commands.
    if (const std::optional<Command> c = Command::parseBody(r.text()))
        return LineLog::tr("another controller: ") + describeCommand(*c);
    *error = true;
    return LineLog::tr("unknown reply");
}

// What a frame means by the command table: name, address, data and, for an
// image reply, the checksum verdict. A reply that reports or shows a fault
// sets error.
QString commandMeaning(QByteArrayView frame)
{
    if (const std::optional<Command> c = Command::parse(frame)) return describeCommand(*c);
    return LineLog::tr("not a command");
}

QString replyMeaning(QByteArrayView frame, bool *error)
{
    return describeReply(Reply::parse(QString::fromLatin1(frame.sliced(1, frame.size() - 2))), error);
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
    row.meaning = QStringLiteral("NOT SENT (%1)").arg(reason);
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
