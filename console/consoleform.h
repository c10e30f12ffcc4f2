// The console window's controls as its form lays them out: each one with
// its caption or start text and what it does, built at its fixed place by
// setupUi as a generated form class would. The window inherits the form,
// so the controls are reached under their design names.
#pragma once

#include <QCoreApplication>

#include "platform/portmap.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace platform {
class ListCombo;
class PictureBox;
class SerialComm;
class TextBox;
} // namespace platform

namespace console {

class ConsoleWindow;

struct ConsoleForm {
    Q_DECLARE_TR_FUNCTIONS(ConsoleForm)

public:
    platform::ListCombo *Combo1;    // 选择串行端口, "Com1" to "Com16": choose and open the serial port
    platform::ListCombo *Combo2;    // 单色显示模式: display mode, sends CFG
    QCheckBox *Check1;              // PXR-09: controller mode; enables the input lists, off sends GPI
    platform::ListCombo *Combo3;    // 对应并行输入, "01" to "48": program input, sends GPI
    platform::ListCombo *Combo4;    // 对应并行输入, "01" to "48": preview input, sends GPW
    QFrame *Line1;                  // grey separator
    QLineEdit *TallyID;             // ??: address of the unit worked with; Enter sends QID
    QLabel *ADR;                    // 设备地址：: caption of TallyID
    QPushButton *Command7;          // 显示设备地址: send SID to every unit
    QPushButton *Command3;          // 从PROM下载: download the image from PROM, RDM
    QPushButton *Command4;          // 上传到PROM: upload the image to PROM, WRM
    QPushButton *Command11;         // 从RAM复制到PROM: copy RAM to PROM, RTM
    QLineEdit *Text3;               // ABCDE: the five characters for CHR
    QPushButton *Command13;         // 发送字符到RAM: send the characters, CHR
    QPushButton *Command9;          // 从RAM下载: download the image from RAM, RDR
    QPushButton *Command10;         // 上传到RAM: upload the image to RAM, WRR
    QPushButton *Command12;         // 从PROM复制到RAM: copy PROM to RAM, MTR
    platform::PictureBox *Picture1; // the 32 x 8 dot image; a click toggles a dot
    QPushButton *Command1;          // 打开文件 ...: load a .LED file
    QPushButton *Command2;          // 保存文件 ...: save a .LED file
    QPushButton *Command6;          // 清屏: clear the image
    QPushButton *Command21;         // 闪烁: flash on/off, TFH
    QPushButton *Command22;         // ZIDID PGM: program tally on/off, TON / TOF
    QPushButton *Command23;         // ZIDID PVW: preview tally on/off, TWN / TWF
    QLabel *Label1;                 // status line
    QLabel *Label2;                 // line monitor
    platform::TextBox *Test1;       // hex image text, hidden until the data listing
    QLabel *Label3;                 // program list from TLY messages
    QLabel *Label4;                 // preview list from TLW messages
    QPushButton *Command16;         // DotImage: show the assembler data listing
    QPushButton *Command51;         // 设置设备的地址: show or hide the set-address controls
    QLineEdit *Text1;               // A1, hidden: the new address to give
    QPushButton *Command52;         // 确定, hidden: send SETID
    platform::SerialComm *MSComm1;  // the unit line, 9600 8N1

    // Creates every control on the window, with the window's caption and size.
    void setupUi(QWidget *window, platform::PortMap ports);
    // Clicks, key presses, mouse presses and the port's events to the
    // window's handlers.
    void connectHandlers(ConsoleWindow *window);
};

} // namespace console
