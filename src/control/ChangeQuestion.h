#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace korvel::ChangeQuestion
{

// How the lines name a change: capacitor steps go in and out ("Devreye girecek: C3"), relays are pulled
// and released ("Röle 1 çekilecek").
enum class Outputs { Steps, Relays };

// The outputs a command switches, by the names the user knows them by, with the states it sends and the
// states last read from the device (none when the device's state is unknown).
struct Switching {
    Outputs outputs;
    QStringList names;
    std::vector<bool> toSend;
    std::optional<std::vector<bool>> lastRead;
};

// What sending changes on the device, one line each: compared with the last state read, exactly the
// outputs that change; with no state read, that the state is unknown, that every output not ticked is
// switched off, and which are switched on.
QStringList changeList(const Switching &switching);

// The question asked before a command that switches equipment is sent.
QString switchingQuestion(const Switching &switching);

// The question asked before a settings write some of whose values the device never reported or lie
// outside their range; one line per such value.
QString settingsQuestion(const QStringList &lines);

} // namespace korvel::ChangeQuestion
