// The kandrel window's controls as its form lays them out: each one with
// its caption or start text and what it does, built at its fixed place by
// setupUi as a generated form class would. The window inherits the form,
// so the controls are reached under their design names.
#pragma once

#include <QCoreApplication>

#include "platform/modalgate.h"
#include "platform/portmap.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace platform {
class ListCombo;
class PictureBox;
class SerialComm;
} // namespace platform

namespace demo {

class DemoWindow;

struct DemoForm {
    Q_DECLARE_TR_FUNCTIONS(DemoForm)

public:
    platform::ListCombo *Combo1;    // 选择串行端口, "Com1" to "Com16": choose and open the serial port
    QPushButton *Command4;          // 显示设备地址: send SID to every unit
    QLineEdit *Text2;               // ??: address of the unit driven, 18 pt
    QPushButton *Command2;          // ZIDID PGM: PGM lamp on/off, TON / TOF; bold while on
    QPushButton *Command3;          // ZIDID PVW: PVW lamp on/off, TWN / TWF; bold while on
    QPushButton *Command1;          // 字符发送: clock show on/off
    QLabel *Label1;                 // 12:34: clock text, dark cyan on black, 18 pt bold
    QLabel *Label4;                 // PGM letter list, shown with the virtual input show
    QLabel *Label5;                 // PVW letter list, shown with the virtual input show
    QPushButton *Command5;          // 虚拟并行输入: virtual parallel input show on/off
    platform::PictureBox *Picture1; // PGM lamp row; a click toggles an input
    platform::PictureBox *Picture2; // PVW lamp row, below the opening client area
    platform::Timer *Timer1;        // 200 ms tick of both shows
    platform::SerialComm *MSComm1;  // the unit line, 9600 8N1

    // Creates every control on the window, with the window's caption and size.
    void setupUi(QWidget *window, platform::PortMap ports);
    // Clicks, mouse presses, the tick and the port's events to the window's
    // handlers.
    void connectHandlers(DemoWindow *window);
};

} // namespace demo
