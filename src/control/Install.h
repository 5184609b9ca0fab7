#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::control
{

// The settings block of the tab "Ayarlar" with its read-back in the renderer's pass, and the relay,
// capacitor and reset commands. Needs parts.renderer.
void install(ClientParts &parts);

} // namespace korvel::control
