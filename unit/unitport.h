// The unit end of the control line: the master side of a new pty (the
// controllers open its slave), or a serial device at 9600 8N1.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <memory>

class QSocketNotifier;

namespace unit {

class UnitPort : public QObject {
    Q_OBJECT
public:
    explicit UnitPort(QObject *parent = nullptr);
    ~UnitPort() override;

    // A new pty pair; path() is the slave the controllers open.
    bool openPty(QString *error);
    bool openDevice(const QString &device, QString *error);

    QString path() const { return m_path; }
    void write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);

private:
    void readMaster();

    int m_master = -1;
    int m_slave = -1; // held open so the pty survives controllers closing and reopening it
    std::unique_ptr<QSocketNotifier> m_notifier;
    QSerialPort m_serial;
    QString m_path;
};

} // namespace unit
