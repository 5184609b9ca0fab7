#include "directory/Install.h"

#include "core/ClientParts.h"
#include "core/Screen.h"
#include "directory/AutoRefresh.h"
#include "directory/DeviceDirectory.h"
#include "directory/DeviceSelection.h"
#include "directory/UserRights.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyReceiver.h"

#include <memory>

namespace korvel::directory
{

void install(ClientParts &parts)
{
    // The handlers own the directory and the rights: they live as long as the dispatcher does.
    auto directory = std::make_shared<DeviceDirectory>(parts.deviceList, parts.screen);
    auto rights = std::make_shared<UserRights>(parts.screen);
    auto *selection = new DeviceSelection(parts.deviceList, parts.screen, parts.environment, parts.state,
                                          parts.table, parts.connection, &parts.owner);
    parts.selection = selection;
    parts.dispatcher.setHandler(u"cihazlar", [directory](ReplyText &t) { directory->handleDevice(t); });
    parts.dispatcher.setHandler(u"haklar", [rights](ReplyText &t) { rights->handleViewRights(t); });
    parts.dispatcher.setHandler(u"tblhaklar", [rights](ReplyText &t) { rights->handleCommandRights(t); });
    parts.dispatcher.setHandler(u"Hattayok", [selection](ReplyText &t) { selection->handleOffLine(t); });
    QObject::connect(&parts.receiver, &ReplyReceiver::chunkStarted, &parts.owner,
                     [rights] { rights->beginChunk(); });
    auto *refresh = new AutoRefresh(parts.screen, parts.environment, parts.state, parts.table,
                                    parts.connection, &parts.owner);
    QObject::connect(selection, &DeviceSelection::deviceClicked, refresh, &AutoRefresh::deviceClicked);
    QObject::connect(selection, &DeviceSelection::deviceOffLine, refresh, &AutoRefresh::stop);
    for (const char *field : {"Edit111", "Edit5"})
        parts.screen.onChange(QString::fromLatin1(field), selection,
                              [selection] { selection->activeDeviceTextChanged(); });
}

} // namespace korvel::directory
