#pragma once

#include "core/Environment.h"

#include <memory>
#include <thread>

class QSettings;

namespace korvel
{

class SoundPlayer;

// The machine the client really runs on: the system clock, the network's reachability, real timers
// and message boxes.
class DesktopEnvironment final : public Environment
{
public:
    // Remembered settings go to the user's own settings of the program, or to this INI file when one
    // is named.
    explicit DesktopEnvironment(QString settingsFile = {});
    ~DesktopEnvironment() override;

    // Loads the network's reachability backend, once: a plugin and the system libraries behind it, left
    // out of the start-up and loaded by the first Internet check or before it, when the client is idle.
    void loadReachability();
    // Loads the horn's player on a thread of its own, so that the first alarm does not wait for it.
    void preloadSound();
    // The module that holds the horn's player: beside the program.
    static QString soundModule();

    QDateTime now() const override;
    bool internetAvailable() override;
    bool fileExists(const QString &name) const override;
    void playSound(const QString &fileName) override;
    void stopSound() override;
    QString historyFile() const override { return m_historyFile; }
    void setHistoryFile(const QString &file) { m_historyFile = file; }
    Ticker *makeTicker(const QString &name, int intervalMs, QObject *parent) override;
    void showError(const QString &text) override;
    void showInfo(const QString &text) override;
    bool ask(const QString &text) override;
    QString setting(const QString &key, const QString &fallback = {}) const override;
    void setSetting(const QString &key, const QString &value) override;

private:
    QSettings &settings() const;

    QString m_settingsFile;
    mutable std::unique_ptr<QSettings> m_settings;
    QString m_historyFile;
    bool m_reachabilityLoaded = false;
    bool m_reachabilityKnown = false;
    SoundPlayer *player();

    // Made on the first play, after the application exists.
    std::unique_ptr<SoundPlayer> m_player;
    bool m_playerTried = false;
    std::thread m_preload;
};

} // namespace korvel
