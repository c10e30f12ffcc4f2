// The velk window's controls as its form lays them out: each one with its
// caption or start text and what it does, built at its fixed place by
// setupUi as a generated form class would. The window inherits the form,
// so the controls are reached under their design names.
#pragma once

#include <QCoreApplication>

#include "platform/modalgate.h"
#include "platform/portmap.h"

class QLabel;
class QRadioButton;
class QWidget;

namespace platform {
class ListCombo;
class PictureBox;
class SerialComm;
} // namespace platform

namespace simulator {

class SimulatorWindow;

struct SimulatorForm {
    Q_DECLARE_TR_FUNCTIONS(SimulatorForm)

public:
    platform::ListCombo *Combo1;    // Combo1: the ports found and "Search"; choosing opens or searches
    QLabel *Label6;                 // ID: caption of Combo2
    platform::ListCombo *Combo2;    // Combo2, "00" to "07": the ID in the tally frame
    QRadioButton *Option1;          // Continue: a frame every 500 ms as well
    QRadioButton *Option2;          // Single: a frame only after a click
    platform::PictureBox *Picture1; // the 8 x 8 lamp panel; a click toggles a source
    QLabel *Label1;                 // readout of the last click
    platform::Timer *Timer1;        // 500 ms repeat in Continue mode
    platform::SerialComm *MSComm1;  // the switcher tally line, 38400 8E1, written only

    // Creates every control on the window at the window's size; the caption
    // is set by start-up.
    void setupUi(QWidget *window, platform::PortMap ports);
    // Clicks, option changes, mouse presses, the repeat and the port's loss
    // to the window's handlers.
    void connectHandlers(SimulatorWindow *window);
};

} // namespace simulator
