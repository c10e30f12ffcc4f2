#include "bridge/http/metrics.h"

#include "bridge/inputs.h"

namespace bridge {

namespace {

// Label values may hold any text: a device path, an IPv6 address.
QByteArray escaped(const QString &value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '\\' || c == '"')
            out += '\\';
        else if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

class Writer {
public:
    void family(const char *name, const char *type, const char *help)
    {
        m_name = name;
        m_text += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    void sample(const QByteArray &labels, double value)
    {
        m_text += m_name;
        if (!labels.isEmpty()) m_text += '{' + labels + '}';
        m_text += ' ' + QByteArray::number(value, 'g', 15) + '\n';
    }
    QByteArray text() const { return m_text; }

private:
    QByteArray m_name, m_text;
};

} // namespace

QByteArray metricsText(const Service &service)
{
    struct Row {
        QByteArray labels;
        const Input *input;
    };
    QList<Row> rows;
    for (const InputSpec &spec : service.config().inputs())
        if (const auto it = service.inputs().find(spec.id()); it != service.inputs().end())
            rows << Row{"input=\"" + escaped(spec.id()) + "\",endpoint=\"" + escaped(spec.endpoint) + '"',
                        it->second.get()};
    Writer w;
    const auto perInput = [&](const char *name, const char *type, const char *help, auto value) {
        w.family(name, type, help);
        for (const Row &r : rows)
            if (const std::optional<double> v = value(*r.input)) w.sample(r.labels, *v);
    };
    perInput("tally_bridge_input_messages_total", "counter", "Messages read from the input.",
             [](const Input &i) { return std::optional<double>(i.messages()); });
    perInput("tally_bridge_input_malformed_total", "counter", "Messages the input could not read, dropped.",
             [](const Input &i) { return std::optional<double>(i.malformedCount()); });
    perInput("tally_bridge_input_connected", "gauge",
             "1 while the input listens or is connected, 0 while it is lost or being opened again.",
             [](const Input &i) {
                 const Link l = i.transport().link();
                 return std::optional<double>(l == Link::Listening || l == Link::Connected);
             });
    perInput("tally_bridge_input_last_message_age_seconds", "gauge",
             "Seconds since the input's last message; none before the first.", [](const Input &i) {
                 const qint64 ms = i.lastHeardMs();
                 return ms < 0 ? std::nullopt : std::optional<double>(double(ms) / 1000);
             });
    perInput("tally_bridge_input_reconnects_total", "counter", "Connections the input made again after a loss.",
             [](const Input &i) { return std::optional<double>(i.transport().reconnects()); });

    const LineWriter *line = service.line();
    const QByteArray device = "device=\"" + escaped(line ? line->device() : service.config().line) + '"';
    w.family("tally_bridge_line_open", "gauge", "1 while the unit line is open.");
    w.sample(device, line && line->isOpen());
    w.family("tally_bridge_line_pairs_written_total", "counter", "Pairs of tally frames written on the unit line.");
    w.sample(device, line ? line->pairsWritten() : 0);
    w.family("tally_bridge_line_losses_total", "counter", "Times the unit line was lost.");
    w.sample(device, line ? line->losses() : 0);
    w.family("tally_bridge_lamps_lit", "gauge", "Parallel inputs lit, by bus, a lamp test included.");
    // Bit 0 is no input.
    w.sample("bus=\"program\"", double(service.lamps().program.count() - service.lamps().program[0]));
    w.sample("bus=\"preview\"", double(service.lamps().preview.count() - service.lamps().preview[0]));
    return w.text();
}

} // namespace bridge
