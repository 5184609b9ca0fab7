#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::metering
{

// The period reports, the meter readout and the meter requests, with their buttons. Needs
// parts.selection: a selected meter reader resets the meter views.
void install(ClientParts &parts);

} // namespace korvel::metering
