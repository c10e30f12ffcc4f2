// A serial line the input only listens to (the switcher's tally line):
// opened again every retry period while it is missing or lost, and said
// so when it is open but no frame comes.
#pragma once

#include "bridge/config.h"
#include "bridge/throttle.h"
#include "bridge/transports/transport.h"
#include "platform/linesettings.h"

#include <QSerialPort>
#include <QTimer>

namespace bridge {

class SerialLine : public Transport {
public:
    SerialLine(Carried &input, QString device, const platform::LineSettings &settings, const Timing &timing);
    ~SerialLine() override;
    // A missing device is no reason to keep the other inputs down.
    QString open() override;
    void heard(bool stale) override;

private:
    void tryOpen();

    QString m_device;
    platform::LineSettings m_settings;
    Retrying m_retrying;
    std::unique_ptr<StreamReader> m_reader;
    QTimer m_retry, m_quiet;
    bool m_heardAny = false;
    bool m_toldQuiet = false;
    // Last, so it goes first.
    QSerialPort m_port;
};

} // namespace bridge
