#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::directory
{

// The device list, the rights and the device selection: their reply handlers and fields. Sets
// parts.selection.
void install(ClientParts &parts);

} // namespace korvel::directory
