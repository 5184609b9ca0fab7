#include "control/Install.h"

#include "control/DeviceCommands.h"
#include "control/HarmonicsInstall.h"
#include "control/SettingsReadBack.h"
#include "control/SettingsWriter.h"
#include "core/ClientParts.h"
#include "directory/DeviceSelection.h"
#include "link/RequestLedger.h"
#include "values/DataReplies.h"
#include "values/ValueRenderer.h"

namespace korvel::control
{

void install(ClientParts &parts)
{
    auto *settings = new SettingsWriter(parts.screen, parts.environment, parts.state, parts.table,
                                        parts.connection, &parts.owner);
    settings->wire();
    auto *commands =
        new DeviceCommands(parts.screen, parts.environment, parts.connection, parts.table, &parts.owner);
    commands->wire();
    // What was read of the active device is what the writers and commands are compared with; a new
    // selection forgets it, and the relay view's compact displays are drawn afresh.
    QObject::connect(&parts.ledger, &RequestLedger::arrived, settings, &SettingsWriter::arrived);
    QObject::connect(&parts.ledger, &RequestLedger::arrived, commands, &DeviceCommands::arrived);
    QObject::connect(parts.selection, &DeviceSelection::deviceClicked, settings,
                     &SettingsWriter::deviceSelected);
    QObject::connect(parts.selection, &DeviceSelection::deviceClicked, commands,
                     &DeviceCommands::deviceSelected);
    QObject::connect(parts.selection, &DeviceSelection::deviceClicked, parts.renderer,
                     &ValueRenderer::deviceSelected);
    // Slots 100 to 109 join the renderer's pass after the slot maps of the other views.
    const SettingsReadBack readBack(parts.screen, parts.state, parts.table);
    parts.renderer->addSection([readBack](int row) {
        readBack.draw(row);
        return true;
    });
    installHarmonics(parts);
}

} // namespace korvel::control
