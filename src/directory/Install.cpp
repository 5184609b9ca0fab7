#include "directory/Install.h"

#include "core/ClientParts.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "directory/ActiveDeviceRestore.h"
#include "directory/AutoRefresh.h"
#include "directory/DataAge.h"
#include "directory/DeviceDirectory.h"
#include "directory/DeviceSelection.h"
#include "directory/OffLineDevices.h"
#include "directory/UserRights.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyReceiver.h"
#include "link/RequestLedger.h"

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
    // The device list and the rights are the answer to a login: the first of them says it was accepted.
    Connection *connection = &parts.connection;
    parts.dispatcher.setHandler(u"cihazlar", [directory, connection](ReplyText &t) {
        connection->loginReplied();
        directory->handleDevice(t);
    });
    parts.dispatcher.setHandler(u"haklar", [rights, connection](ReplyText &t) {
        connection->loginReplied();
        rights->handleViewRights(t);
    });
    parts.dispatcher.setHandler(u"tblhaklar", [rights, connection](ReplyText &t) {
        connection->loginReplied();
        rights->handleCommandRights(t);
    });
    parts.dispatcher.setHandler(u"Hattayok", [selection](ReplyText &t) { selection->handleOffLine(t); });
    RequestLedger *ledger = &parts.ledger;
    Environment *environment = &parts.environment;
    QObject::connect(selection, &DeviceSelection::deviceOffLine, &parts.owner,
                     [ledger, environment](const QString &serial) {
                         ledger->announce({DataKind::OffLine, serial, environment->now()});
                     });
    auto *offLine = new OffLineDevices(parts.deviceList, parts.ledger, &parts.owner);
    QObject::connect(&parts.connection, &Connection::aboutToLogin, offLine, &OffLineDevices::listCleared);
    QObject::connect(&parts.receiver, &ReplyReceiver::chunkStarted, &parts.owner,
                     [rights] { rights->beginChunk(); });
    auto *refresh = new AutoRefresh(parts.screen, parts.environment, parts.state, parts.table,
                                    parts.connection, parts.ledger, &parts.owner);
    QObject::connect(selection, &DeviceSelection::deviceClicked, refresh, &AutoRefresh::stop);
    QObject::connect(selection, &DeviceSelection::deviceOffLine, refresh, &AutoRefresh::stop);
    auto *age = new DataAge(parts.screen, parts.ledger, &parts.owner);
    QObject::connect(selection, &DeviceSelection::deviceClicked, age, &DataAge::deviceSelected);
    QObject::connect(&parts.connection, &Connection::linkLost, age, &DataAge::linkLost);
    parts.screen.onChange(QStringLiteral("suiPageControl1"), age, [age, refresh] {
        age->pageChanged();
        refresh->pageChanged();
    });
    auto *restore =
        new ActiveDeviceRestore(parts.deviceList, *selection, parts.screen, parts.environment,
                                parts.connection, parts.state, parts.table, parts.ledger, &parts.owner);
    QObject::connect(&parts.receiver, &ReplyReceiver::chunkEnded, restore, &ActiveDeviceRestore::chunkEnded);
    for (const char *field : {"Edit111", "Edit5"})
        parts.screen.onChange(QString::fromLatin1(field), selection,
                              [selection] { selection->activeDeviceTextChanged(); });
}

} // namespace korvel::directory
