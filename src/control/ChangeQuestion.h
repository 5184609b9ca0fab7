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

// A question before something is sent to a device begins with the serial number the request carries,
// so that nobody switches or writes to one device while looking at another.
QString forDevice(const QString &serial, const QString &question);

// The question asked before a command that switches equipment is sent to the device `serial`.
QString switchingQuestion(const QString &serial, const Switching &switching);

// The question asked before a settings write that changes values the device reported ("NAME: OLD →
// NEW", one line each) or sends values the device never reported or that lie outside their range.
QString settingsQuestion(const QString &serial, const QStringList &changes, const QStringList &doubts);

} // namespace korvel::ChangeQuestion
