#include "platform/windowport.h"

#include "link/portchoice.h"
#include "platform/controls.h"
#include "platform/messageboxes.h"

#include <QCoreApplication>

namespace platform {

SerialComm *createSerialComm(QObject *window, PortMap ports, const LineSettings &settings)
{
    auto *comm = new SerialComm(std::move(ports), settings, window);
    comm->setObjectName(QStringLiteral("MSComm1"));
    return comm;
}

void promptFailure(MessageBoxes &boxes, const unitlink::PortResult &result, const QString &separator)
{
    if (result.ok()) return;
    boxes.show(MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok,
               QCoreApplication::translate("platform", "Prompt"), unitlink::promptText(result.error(), separator));
}

void chooseStartupPort(ListCombo &list, unitlink::SerialLine &line)
{
    // startupSearch gives 0 when no port opened: position -1, nothing chosen.
    list.setListIndex(unitlink::startupSearch(line) - 1);
}

unitlink::PortResult chooseListedPort(const ListCombo &list, unitlink::SerialLine &line)
{
    return unitlink::choosePort(line, list.listIndex() + 1);
}

} // namespace platform
