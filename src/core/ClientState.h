#pragma once

#include <QChar>
#include <QString>

namespace korvel
{

// The main window's own state that several subsystems read and write.
struct ClientState {
    // The logged-in user, copied from the login window at connect time.
    QString userName;
    // True once the login request went out on a connected socket; false after a disconnect or error.
    bool loggedIn = false;
    // The decimal mark of the user's locale, put in place of "," in number texts before conversion.
    QChar decimalSeparator = QLatin1Char('.');
    // Kind of the last request whose answer is an "enerjial" reply; decides how that reply is read.
    QString pendingKind;
    // Serial number of the selected analyzer or relay, for status texts.
    qint64 activeDeviceNumber = 12001;
    // Device kind of the previously clicked item (image index).
    int lastDeviceKind = 0;
};

} // namespace korvel
