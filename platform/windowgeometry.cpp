#include "platform/windowgeometry.h"

#include <QEvent>
#include <QSettings>
#include <QWidget>

namespace platform {

namespace {
bool s_enabled = false;
bool s_reset = false;

QSettings settings()
{
    return QSettings(QStringLiteral("zidid-tally"), QStringLiteral("windows"));
}
} // namespace

void WindowGeometry::enable(bool reset)
{
    s_enabled = true;
    s_reset = reset;
}

void WindowGeometry::remember(QWidget *window, const QString &key)
{
    if (!s_enabled) return;
    QSettings saved = settings();
    if (s_reset)
        saved.remove(key);
    else
        window->restoreGeometry(saved.value(key).toByteArray());
    new WindowGeometry(window, key);
}

WindowGeometry::WindowGeometry(QWidget *window, const QString &key) : QObject(window), m_window(window), m_key(key)
{
    m_save.setSingleShot(true);
    m_save.setInterval(kSaveDelayMs);
    connect(&m_save, &QTimer::timeout, this, &WindowGeometry::save);
    window->installEventFilter(this);
}

bool WindowGeometry::eventFilter(QObject *, QEvent *event)
{
    // Before the window is shown these are its own set-up, not the operator's doing.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && m_window->isVisible()) m_save.start();
    return false;
}

void WindowGeometry::save()
{
    QSettings saved = settings();
    saved.setValue(m_key, m_window->saveGeometry());
}

} // namespace platform
