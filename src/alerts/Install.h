#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::alerts
{

// The input-change alarm and the server's messages: their reply handlers, timers, windows and the
// main-menu entries that reach them.
void install(ClientParts &parts);

} // namespace korvel::alerts
