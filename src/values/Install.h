#pragma once

namespace korvel
{
class DeviceValueTable;
class Environment;
class Screen;
class ValueRenderer;
struct ClientParts;
struct ClientState;
} // namespace korvel

namespace korvel::values
{

// The data replies, their requests and the once-a-second renderer. Sets parts.renderer.
void install(ClientParts &parts);

// The consumption and capacitor tabs, slots 36 to 82, as parts of the renderer's full pass after the
// instantaneous values.
void addViews(ValueRenderer &renderer, Screen &screen, Environment &environment, const ClientState &state,
              const DeviceValueTable &table);

} // namespace korvel::values
