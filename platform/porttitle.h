// What a window's title says about its port, after the window's caption:
// which port is open, that none is (and, after start-up, why the port
// the operator named would not open), or which port was lost.
#pragma once

#include "platform/linesettings.h"

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace platform {

class SerialComm;

struct PortState {
    enum Kind { Closed, Open, Lost };
    Kind kind = Closed;
    QString port;    // the open or lost port: "Com3 (/dev/ttyUSB0)"
    QString refused; // closed: "Com1 /dev/ttyUSB0: absent"
    QString trouble; // open, but the last write failed: said instead of the port
};

// "caption - Com3 (/dev/ttyUSB0)", "caption - no serial port open (Com1
// /dev/ttyUSB0: busy)", "caption - Com3 (/dev/ttyUSB0) lost".
QString portTitle(const QString &caption, const PortState &state);

// Keeps a window's title to portTitle as its port opens, closes and is lost.
class PortTitle : public QObject {
    Q_OBJECT
public:
    PortTitle(QWidget *window, SerialComm *comm, const QString &caption);

    // Runs the start-up search; when it leaves no port open, the title
    // names the first port with a device of the operator's list
    // (--ports, TALLY_SERIAL_PORTS) that refused, and why. A port the
    // system merely has is not worth a word.
    void startUp(const std::function<void()> &search);
    // An open port whose writes fail: the title says so until the next
    // port change or a write that goes out (an empty text).
    void setTrouble(const QString &trouble);

private:
    void show();

    QWidget *m_window;
    SerialComm *m_comm;
    QString m_caption;
    PortState m_state;
};

} // namespace platform
