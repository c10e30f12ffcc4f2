#include "platform/porttitle.h"

#include "platform/serialcomm.h"

#include <QCoreApplication>
#include <QWidget>

namespace platform {

QString portTitle(const QString &caption, const PortState &state)
{
    QString suffix;
    switch (state.kind) {
    case PortState::Open: suffix = state.trouble.isEmpty() ? state.port : state.trouble; break;
    case PortState::Lost: suffix = QCoreApplication::translate("platform::PortTitle", "%1 lost").arg(state.port); break;
    case PortState::Closed:
        suffix = state.refused.isEmpty() ? noPortOpen() : QStringLiteral("%1 (%2)").arg(noPortOpen(), state.refused);
        break;
    }
    return caption + QStringLiteral(" - ") + suffix;
}

PortTitle::PortTitle(QWidget *window, SerialComm *comm, const QString &caption)
    : QObject(window), m_window(window), m_comm(comm), m_caption(caption)
{
    connect(comm, &SerialComm::portEvent, this, [this](SerialComm::PortEvent event, const QString &) {
        using Event = SerialComm::PortEvent;
        if (event == Event::Chosen) return;
        const PortState::Kind kind = event == Event::Opened ? PortState::Open
                                     : event == Event::Lost ? PortState::Lost
                                                            : PortState::Closed;
        // Why a port would not open stays said until one opens: a box
        // told it once, the title keeps it.
        QString refused;
        if (event == Event::OpenFailed) refused = m_comm->refusal();
        if (kind == PortState::Closed && refused.isEmpty()) refused = m_state.refused;
        m_state = {kind, m_comm->portLabel(), refused, {}};
        show();
    });
    show();
}

void PortTitle::startUp(const std::function<void()> &search)
{
    QString refused;
    const QMetaObject::Connection watch =
        connect(m_comm, &SerialComm::portEvent, this, [&](SerialComm::PortEvent event, const QString &) {
            if (event == SerialComm::PortEvent::OpenFailed && refused.isEmpty()) refused = m_comm->refusal();
        });
    search();
    disconnect(watch);
    if (m_comm->portOpen() || !m_comm->portMap().named()) return;
    m_state.refused = refused;
    show();
}

void PortTitle::setTrouble(const QString &trouble)
{
    if (m_state.trouble == trouble) return;
    m_state.trouble = trouble;
    show();
}

void PortTitle::show()
{
    const QString title = portTitle(m_caption, m_state);
    // The demonstration's tick asks five times a second: only a change is worth a repaint.
    if (m_window->windowTitle() != title) m_window->setWindowTitle(title);
}

} // namespace platform
