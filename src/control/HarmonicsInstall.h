#pragma once

namespace korvel
{
struct ClientParts;
}

namespace korvel::control
{

// The harmonics tab: its requests, the reading of their "enerjial" replies, the spectra and the order
// selectors. Needs parts.dataReplies.
void installHarmonics(ClientParts &parts);

} // namespace korvel::control
