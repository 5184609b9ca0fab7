#pragma once

namespace korvel
{
struct ClientParts;
} // namespace korvel

namespace korvel::history
{

// Records what the client receives into the history file the environment names (nothing when it
// names none): it watches the data, meter, period report, input and message replies after their own
// handlers and writes once a second on the timer "TFrmAna.TimerHistory". Installed last, since it
// wraps the handlers the other subsystems installed.
class HistoryStore;

// Returns the store, or nullptr when nothing is recorded.
HistoryStore *install(ClientParts &parts);

} // namespace korvel::history
