// What the three windows do alike with their serial port: the component
// itself, the "Prompt" box when a chosen port fails and, in the console and
// kandrel, the start-up choice from the port list.
#pragma once

#include "platform/portmap.h"
#include "platform/serialcomm.h"
#include "platform/serialline.h"

class QComboBox;
class QObject;

namespace platform {

class ListCombo;
class MessageBoxes;

// The window's serial component, under the design's name MSComm1.
SerialComm *createSerialComm(QObject *window, PortMap ports, const LineSettings &settings);

// The "Prompt" box after a failed port choice: the information icon, OK and
// the failure's number, the separator and its description. Nothing when
// the choice succeeded.
void promptFailure(MessageBoxes &boxes, const platform::PortResult &result,
                   const QString &separator = QStringLiteral(": "));

// The port list's entries are the port numbers from 1: "Com1" is entry 0.

// Selects the list entry of the first port that opens, or nothing when none
// does. Selecting runs the list's click handler, which closes that port and
// opens it once more.
void chooseStartupPort(ListCombo &list, platform::SerialLine &line);

// What a port entry's tooltip says of its device: the path, or that there
// is none on this machine ("/dev/ttyUSB0: absent").
QString portTip(const QString &device);
// Puts portTip on each "Com<n>" entry of a list; other entries get none.
void showPortDevices(QComboBox &list, const PortMap &ports);

// Closes the open port and opens the one of the selected entry.
platform::PortResult chooseListedPort(const ListCombo &list, platform::SerialLine &line);

} // namespace platform
