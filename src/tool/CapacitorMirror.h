#pragma once

#include "core/Screen.h"

#include <QString>

namespace korvel::tool
{

// The capacitor command of the capacitor tab copies its four group masks G1 to G4, as the decimal texts
// it sends, into b1 to b4 of the tool window before it sends them: they become the data bytes of the
// tool's next register write.
inline void mirrorCapacitorMasks(Screen &screen, const QString &g1, const QString &g2, const QString &g3,
                                 const QString &g4)
{
    screen.setCaption(QStringLiteral("TVD1KAL.b1"), g1);
    screen.setCaption(QStringLiteral("TVD1KAL.b2"), g2);
    screen.setCaption(QStringLiteral("TVD1KAL.b3"), g3);
    screen.setCaption(QStringLiteral("TVD1KAL.b4"), g4);
}

} // namespace korvel::tool
