#include "control/Install.h"

#include "control/DeviceCommands.h"
#include "control/HarmonicsInstall.h"
#include "control/SettingsReadBack.h"
#include "control/SettingsWriter.h"
#include "core/ClientParts.h"
#include "values/ValueRenderer.h"

namespace korvel::control
{

void install(ClientParts &parts)
{
    auto *settings = new SettingsWriter(parts.screen, parts.environment, parts.state, parts.table,
                                        parts.connection, &parts.owner);
    settings->wire();
    auto *commands = new DeviceCommands(parts.screen, parts.environment, parts.connection, &parts.owner);
    commands->wire();
    // Slots 100 to 109 join the renderer's pass after the slot maps of the other views.
    const SettingsReadBack readBack(parts.screen, parts.state, parts.table);
    parts.renderer->addSection([readBack](int row) {
        readBack.draw(row);
        return true;
    });
    installHarmonics(parts);
}

} // namespace korvel::control
