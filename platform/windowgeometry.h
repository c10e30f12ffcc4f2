// Where the operator left each window, kept in the user's settings
// (QSettings: the configuration folder) and given back at the next start.
// Saved half a second after a move or resize ends rather than at exit, so a
// program that is killed keeps it too. Off until the program turns it on:
// windows built by tests never read or write the operator's settings.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

namespace platform {

class WindowGeometry : public QObject {
    Q_OBJECT
public:
    static constexpr int kSaveDelayMs = 500;

    // Turns remembering on for this program; with reset (--reset-layout) the
    // saved places are dropped and the windows open as designed.
    static void enable(bool reset);

    // Gives the window its saved place, if any, and keeps it saved from now
    // on under key. Call once the window has taken its designed place.
    static void remember(QWidget *window, const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowGeometry(QWidget *window, const QString &key);
    void save();

    QWidget *m_window;
    QString m_key;
    QTimer m_save;
};

} // namespace platform
