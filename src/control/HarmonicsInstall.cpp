#include "control/HarmonicsInstall.h"

#include "control/Harmonics.h"
#include "core/ClientParts.h"
#include "values/DataReplies.h"

namespace korvel::control
{

void installHarmonics(ClientParts &parts)
{
    auto *harmonics = new Harmonics(parts.screen, parts.state, parts.connection, &parts.owner);
    for (int phase = 0; phase < Harmonics::phaseCount; ++phase)
        parts.dataReplies->addReader(Harmonics::pendingKind(phase), DataKind::Harmonics,
                                     [harmonics, phase](ReplyText &t) { harmonics->handleReply(phase, t); });
    harmonics->connectControls();
}

} // namespace korvel::control
