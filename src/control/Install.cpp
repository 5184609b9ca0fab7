#include "control/Install.h"

#include "control/DeviceCommands.h"
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
    parts.renderer->addSection(
        [view = SettingsReadBack(parts.screen, parts.state, parts.table)](int row) mutable {
            view.draw(row);
            return true;
        });
}

} // namespace korvel::control
