#include "tool/Install.h"

#include "core/ClientParts.h"
#include "core/Screen.h"
#include "tool/AnalyzerTool.h"

namespace korvel::tool
{

void install(ClientParts &parts, SerialPort &port)
{
    auto *tool =
        new AnalyzerTool(parts.screen, parts.environment, parts.state, parts.table, port, &parts.owner);
    parts.screen.onClick(QStringLiteral("TVD1KAL.Button1"), tool, [tool] { tool->readClicked(); });
    parts.screen.onClick(QStringLiteral("TVD1KAL.Button2"), tool, [tool] { tool->writeClicked(); });
}

} // namespace korvel::tool
