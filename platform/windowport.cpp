#include "platform/windowport.h"

#include "platform/controls.h"
#include "platform/messageboxes.h"
#include "platform/portchoice.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace platform {

SerialComm *createSerialComm(QObject *window, PortMap ports, const LineSettings &settings)
{
    auto *comm = new SerialComm(std::move(ports), settings, window);
    comm->setObjectName(QStringLiteral("MSComm1"));
    return comm;
}

void promptFailure(MessageBoxes &boxes, const platform::PortResult &result, const QString &separator)
{
    if (result.ok()) return;
    boxes.show(MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok,
               QCoreApplication::translate("platform", "Prompt"), platform::promptText(result.error(), separator));
}

void chooseStartupPort(ListCombo &list, platform::SerialLine &line)
{
    // startupSearch gives 0 when no port opened: position -1, nothing chosen.
    list.setListIndex(platform::startupSearch(line) - 1);
}

QString portTip(const QString &device)
{
    if (device.isEmpty()) return QCoreApplication::translate("platform::PortList", "no device: absent");
#ifdef Q_OS_WIN
    return device; // COM names are no paths to look for
#else
    return QFileInfo::exists(device) ? device
                                     : QCoreApplication::translate("platform::PortList", "%1: absent").arg(device);
#endif
}

void showPortDevices(QComboBox &list, const PortMap &ports)
{
    const QString prefix = platform::portEntry(1).chopped(1);
    for (int i = 0; i < list.count(); ++i) {
        const QString entry = list.itemText(i);
        bool number = false;
        const int port = entry.startsWith(prefix) ? entry.mid(prefix.size()).toInt(&number) : 0;
        if (number) list.setItemData(i, portTip(ports.device(port)), Qt::ToolTipRole);
    }
}

platform::PortResult chooseListedPort(const ListCombo &list, platform::SerialLine &line)
{
    return platform::choosePort(line, list.listIndex() + 1);
}

} // namespace platform
