#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <chrono>

namespace korvel
{

class Ticker;

// What the client asks of the machine it runs on. The program passes the real one; the scenario runner
// passes one with a fixed clock, timers that tick only when told and boxes that are recorded.
class Environment
{
public:
    virtual ~Environment() = default;

    virtual QDateTime now() const = 0;
    // Whether the machine has an Internet connection.
    virtual bool internetAvailable() = 0;
    // Whether a file the client plays or shows exists in the working directory.
    virtual bool fileExists(const QString &name) const = 0;

    // Plays a wave file of the working directory from its start, also when a play is still running; a
    // second call restarts it. Failures (no audio device, a file that cannot be read) are ignored.
    virtual void playSound(const QString &fileName) = 0;
    // Stops the play that is running, if any.
    virtual void stopSound() = 0;

    // The file the client records its history into; empty: it records nothing.
    virtual QString historyFile() const { return {}; }

    // How long received replies may hold the thread before the event loop gets a turn.
    virtual std::chrono::nanoseconds dispatchSlice() const { return std::chrono::milliseconds(4); }

    // A timer named as the behaviour names it ("TFrmAna.Timer1"); owned by parent.
    virtual Ticker *makeTicker(const QString &name, int intervalMs, QObject *parent) = 0;

    // The platform's standard error box and information box; they do not block the caller's logic.
    virtual void showError(const QString &text) = 0;
    virtual void showInfo(const QString &text) = 0;
    // A warning box with the buttons Yes and No; true for Yes.
    virtual bool ask(const QString &text) = 0;

    // What the client remembers between runs (the last login's user name, server and choices; never a
    // password). The program keeps it in the user's settings; by default it lives only as long as this
    // object, so the scenario runner and the tests never touch the user's real settings.
    virtual QString setting(const QString &key, const QString &fallback = {}) const
    {
        return m_settings.value(key, fallback);
    }
    virtual void setSetting(const QString &key, const QString &value) { m_settings.insert(key, value); }

private:
    QHash<QString, QString> m_settings;
};

} // namespace korvel
