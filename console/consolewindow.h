// The engineering console: one window from which an engineer addresses a
// unit, edits and moves its dot image, switches its tallies, configures it
// and watches the line.
#pragma once

#include "platform/controls.h"
#include "platform/messageboxes.h"
#include "platform/portmap.h"
#include "platform/serialcomm.h"

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace console {

inline const QString kNoResponse = QStringLiteral("No Response");
inline const QString kNotSent = QStringLiteral("Not sent: no serial port open");

class ConsoleWindow : public QWidget {
    Q_OBJECT
public:
    ConsoleWindow(platform::PortMap ports, platform::MessageBoxes &boxes, QWidget *parent = nullptr);
    ~ConsoleWindow() override;

    // Controls, under the names of the design (also their object names).
    platform::ListCombo *Combo1, *Combo2, *Combo3, *Combo4;
    QLabel *ADR, *Label1, *Label2, *Label3, *Label4;
    QLineEdit *TallyID, *Text1, *Text3;
    QPlainTextEdit *Test1;
    QWidget *Picture1;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command6, *Command7, *Command9, *Command10,
        *Command11, *Command12, *Command13, *Command16, *Command21, *Command22, *Command23, *Command51,
        *Command52;
    QCheckBox *Check1;
    QFrame *Line1;
    platform::SerialComm *MSComm1;

    // Handlers, named after control and event.
    void Combo1_Click();
    void Command7_Click();
    void Command51_Click();
    void Command52_Click();
    void TallyID_KeyPress(int keyAscii);

private:
    void createControls();
    void Form_Load();
    // Writes one frame; when no port is open the status line says so and
    // the caller must not claim the command went out.
    bool send(const QByteArray &frame);
    // Normalises TallyID in place and returns the address.
    QString normaliseTallyID();
    void portLost(const QString &description);

    platform::MessageBoxes &m_boxes;
};

} // namespace console
