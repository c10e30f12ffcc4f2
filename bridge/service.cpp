#include "bridge/service.h"

#include "bridge/inputs.h"
#include "bridge/statefile.h"

#include <QFile>
#include <QSaveFile>

namespace bridge {

namespace {

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString inputList(const unitlink::InputSet &on)
{
    QStringList n;
    for (int i = 1; i <= kParallelInputs; ++i)
        if (on[size_t(i)]) n << QString::number(i);
    return n.isEmpty() ? QStringLiteral("none") : n.join(QLatin1Char(','));
}

QString sourceName(Kind kind, SourceKey key)
{
    return kind == Kind::Tsl5 ? QStringLiteral("%1 of screen %2").arg(sourceNumber(key)).arg(sourceScreen(key))
                              : QString::number(key);
}

} // namespace

Service::Service(Config config, Log log, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_log(std::move(log)),
      m_saveFailures(m_config.timing.reportMs, [this](qint64 n, const QString &why) {
          this->log(QStringLiteral("state %1: cannot save: %2%3")
                        .arg(m_config.statePath, why, n > 1 ? QStringLiteral(" (%1 times)").arg(n) : QString()));
      })
{
    m_staleCheck.setInterval(250);
    connect(&m_staleCheck, &QTimer::timeout, this, &Service::checkStale);
    m_save.setSingleShot(true);
    connect(&m_save, &QTimer::timeout, this, &Service::save);
    m_testEnd.setSingleShot(true);
    connect(&m_testEnd, &QTimer::timeout, this, [this] {
        this->log(QStringLiteral("lamp test of input %1: ended").arg(m_test->input));
        m_test.reset();
        publish(QStringLiteral("lamp test"));
    });
}

Service::~Service() = default;

QString Service::start()
{
    // The line first: without it nothing the inputs say can reach a lamp.
    setLine(std::make_unique<LineWriter>(m_config.line, m_config.refreshMs, m_config.timing, m_log));
    if (QString error = m_line->open(); !error.isEmpty()) return error;
    QStringList failed;
    for (const InputSpec &spec : m_config.inputs()) {
        auto input = makeInput(*this, m_config, spec);
        if (const QString error = input->open(); !error.isEmpty()) failed << error;
        m_inputs[spec.id()] = std::move(input);
    }
    if (!failed.isEmpty()) return failed.join(QLatin1String("; "));
    restore();
    m_line->setFrames(tallyFrames(m_lamps));
    m_staleCheck.start();
    return {};
}

QString Service::reload(const Config &next, QString *changes)
{
    if (m_stopped) return QStringLiteral("ending");
    Opened opened;
    if (const QString error = open(next, opened); !error.isEmpty()) return error;
    const bool newLine = bool(opened.line);
    QStringList changed = takeEndpoints(next, opened);
    takeMapping(next);
    m_config = next;
    for (const auto &[id, input] : m_inputs) input->remap();
    *changes = changed.isEmpty() ? QStringLiteral("every input as it was") : changed.join(QLatin1String("; "));
    publish(QStringLiteral("new configuration"));
    // Unchanged lamps too: a new line has had none.
    if (newLine) m_line->setFrames(tallyFrames(m_lamps));
    return {};
}

// The new ones open before anything closes: a port that cannot be had
// leaves the line and every input as they were.
QString Service::open(const Endpoints &next, Opened &opened)
{
    if (next.line != m_config.line) {
        opened.line = std::make_unique<LineWriter>(next.line, next.refreshMs, next.timing, m_log);
        if (const QString error = opened.line->open(); !error.isEmpty()) return error;
        opened.changed << QStringLiteral("line %1 → %2").arg(m_config.line, next.line);
    }
    QStringList failed;
    for (const InputSpec &spec : next.inputs()) {
        const auto old = m_inputs.find(spec.id());
        // One that stopped trying (OBS's user closed its session) starts anew.
        if (old != m_inputs.end() && old->second->spec() == spec && !old->second->transport().gaveUp()) continue;
        auto input = makeInput(*this, next, spec);
        if (const QString error = input->open(); !error.isEmpty()) failed << error;
        opened.inputs[spec.id()] = std::move(input);
        opened.changed << (old == m_inputs.end()
                               ? spec.name() + QStringLiteral(" added")
                               : QStringLiteral("%1: %2 → %3")
                                     .arg(kindName(spec.kind), old->second->spec().name().section(QLatin1Char(' '), 1),
                                          spec.endpoint));
    }
    return failed.join(QLatin1String("; "));
}

// What was opened takes the place of what it replaces; inputs no longer
// named close. What changed, for the log.
QStringList Service::takeEndpoints(const Endpoints &next, Opened &opened)
{
    QStringList changed = std::move(opened.changed);
    QList<QString> wanted;
    for (const InputSpec &spec : next.inputs()) wanted << spec.id();
    for (auto it = m_inputs.begin(); it != m_inputs.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        changed << it->second->name() + QStringLiteral(" removed");
        m_state.remove(it->first);
        it = m_inputs.erase(it);
    }
    // A moved input is another sender's, or another switcher's, until it
    // speaks: what the old one said lights nothing.
    for (auto &[id, input] : opened.inputs) {
        m_state.remove(id);
        m_inputs[id] = std::move(input);
    }
    if (opened.line) setLine(std::move(opened.line));
    m_line->setRefresh(next.refreshMs);
    return changed;
}

// The state as the new mapping reads it: displays of a screen no longer
// taken light nothing.
void Service::takeMapping(const Mapping &next)
{
    if (!next.tsl5Screen) return;
    for (const auto &[id, input] : m_inputs) {
        if (input->kind() != Kind::Tsl5) continue;
        SourceStates kept = m_state.states(id);
        kept.removeIf([&](const auto &it) { return sourceScreen(it.key()) != *next.tsl5Screen; });
        m_state.replace(id, Kind::Tsl5, kept);
    }
}

void Service::setLine(std::unique_ptr<LineWriter> line)
{
    m_line = std::move(line);
    connect(m_line.get(), &LineWriter::wrote, this, &Service::wrote);
    connect(m_line.get(), &LineWriter::changed, this, &Service::changed);
    emit changed();
}

void Service::startTest(int input, Bus bus, int seconds, const QString &by)
{
    static const char *const buses[] = {"program", "preview", "program and preview"};
    m_test = LampTest{input, bus, QDeadlineTimer(seconds * 1000)};
    m_testEnd.start(seconds * 1000);
    log(QStringLiteral("lamp test of input %1: %2 for %3 s, by %4")
            .arg(input)
            .arg(QLatin1String(buses[int(bus)]))
            .arg(seconds)
            .arg(by));
    publish(QStringLiteral("lamp test"));
}

void Service::endTest(const QString &by)
{
    if (!m_test) return;
    log(QStringLiteral("lamp test of input %1: ended by %2").arg(m_test->input).arg(by));
    m_test.reset();
    m_testEnd.stop();
    publish(QStringLiteral("lamp test"));
}

void Service::stop()
{
    save();
    m_stopped = true;
    m_staleCheck.stop();
    m_testEnd.stop();
    m_inputs.clear();
    m_line.reset();
}

bool Service::lit(const QString &input) const
{
    const SourceStates &states = m_state.states(input);
    return std::any_of(states.begin(), states.end(), [](const SourceTally &t) { return t.program || t.preview; });
}

void Service::heard(Input &input, const SourceStates &states, bool complete)
{
    if (input.stale) {
        input.stale = false;
        log(QStringLiteral("%1: heard again").arg(input.name()));
    }
    if (m_config.verbose) {
        const SourceStates &before = m_state.states(input.id());
        for (auto it = states.cbegin(); it != states.cend(); ++it)
            if (before.value(it.key()) != it.value())
                verbose(
                    QStringLiteral("%1: source %2 program %3, preview %4")
                        .arg(input.name(), sourceName(input.kind(), it.key()), onOff(it->program), onOff(it->preview)));
    }
    if (complete)
        m_state.replace(input.id(), input.kind(), states);
    else
        m_state.update(input.id(), input.kind(), states);
    publish(input.name());
}

void Service::publish(const QString &cause)
{
    if (!m_config.statePath.isEmpty() && !m_save.isActive() && m_state != m_saved) m_save.start(m_config.timing.saveMs);
    emit changed();
    Lamps lamps = m_state.lamps(m_config.maps);
    if (m_test) {
        if (m_test->bus != Bus::Preview) lamps.program.set(size_t(m_test->input));
        if (m_test->bus != Bus::Program) lamps.preview.set(size_t(m_test->input));
    }
    if (lamps == m_lamps) return;
    m_lamps = lamps;
    verbose(QStringLiteral("lamps (%1): program %2, preview %3")
                .arg(cause, inputList(lamps.program), inputList(lamps.preview)));
    if (m_line) m_line->setFrames(tallyFrames(lamps));
}

void Service::checkStale()
{
    for (const auto &[id, input] : m_inputs) {
        const int staleS = m_config.stale(input->kind());
        const qint64 silent = input->silentMs();
        if (staleS <= 0 || input->stale || silent < 0 || silent < qint64(staleS) * 1000 || !lit(id)) continue;
        input->stale = true;
        log(QStringLiteral("%1: %2 for %3 s; its tally is cleared")
                .arg(input->name(), input->connection() ? QStringLiteral("no connection") : QStringLiteral("silent"))
                .arg(staleS));
        m_state.replace(id, input->kind(), {});
        publish(input->name());
    }
}

// The sources each input lit when the bridge last ran, for the inputs it
// has now, until they speak: a restart does not blank a camera on air.
void Service::restore()
{
    const QString &path = m_config.statePath;
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.exists()) return log(QStringLiteral("state %1: none saved yet").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        return log(QStringLiteral("state %1: cannot read: %2; starting dark").arg(path, file.errorString()));
    QString why;
    const std::optional<SavedState> saved = readState(file.read(1 << 20), &why);
    if (!saved) return log(QStringLiteral("state %1: %2; starting dark").arg(path, why));
    for (auto it = saved->state.inputs().cbegin(); it != saved->state.inputs().cend(); ++it)
        if (m_inputs.count(it.key())) m_state.replace(it.key(), it->kind, it->states);
    m_saved = m_state;
    const QDateTime at = saved->saved.toLocalTime();
    const qint64 old = at.secsTo(QDateTime::currentDateTime());
    log(QStringLiteral("restored the state of %1, %2 old")
            .arg(at.toString(old < 86400 ? QStringLiteral("hh:mm:ss") : QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                 age(old)));
    m_lamps = m_state.lamps(m_config.maps);
}

// Written whole or not at all: a power cut while saving leaves the last one.
void Service::save()
{
    if (m_config.statePath.isEmpty() || m_state == m_saved) return;
    QSaveFile file(m_config.statePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(writeState(m_state, QDateTime::currentDateTimeUtc())) < 0 ||
        !file.commit()) {
        m_saveFailures.add(file.errorString());
        return m_save.start(m_config.timing.retryMs); // a full disk may have room again
    }
    m_saved = m_state;
    m_saveFailures.end();
}

} // namespace bridge
