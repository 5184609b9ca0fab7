#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::values
{

// The data replies, their requests and the once-a-second renderer. Sets parts.renderer.
void install(ClientParts &parts);

} // namespace korvel::values
