#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::history
{
class HistoryStore;
}

namespace korvel::fleet
{

class FleetOverview;

// Feeds the overview from the device list's replies, the arrivals the request ledger announces, the
// history and a timer
// "TFrmAna.TimerGenelBakis" (2 s) that ages the link states and lets the table sort again; shows the active
// device's month on the consumption tab. `store` may be null (nothing recorded).
FleetOverview *install(ClientParts &parts, history::HistoryStore *store);

} // namespace korvel::fleet
