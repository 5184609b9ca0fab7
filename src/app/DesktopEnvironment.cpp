#include "app/DesktopEnvironment.h"

#include "app/SoundPlayer.h"
#include "core/Ticker.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMessageBox>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSettings>

#include <utility>

namespace korvel
{

namespace
{
// Without a reachability backend, an interface that is up, running and not loopback counts as a
// connection, as the operating system's own "connected" check does.
bool hasNetworkInterface()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

void showBox(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    // Opened without a nested event loop, so a timer that keeps failing cannot stack boxes on the
    // caller's stack.
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
} // namespace

DesktopEnvironment::DesktopEnvironment(QString settingsFile) : m_settingsFile(std::move(settingsFile)) {}

DesktopEnvironment::~DesktopEnvironment()
{
    if (m_preload.joinable())
        m_preload.join();
}

QString DesktopEnvironment::soundModule()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libkorvel_horn.so"));
}

void DesktopEnvironment::preloadSound()
{
    if (m_preload.joinable() || m_playerTried)
        return;
    // Loading maps the libraries and runs their initialisers, nothing that touches the UI; the first
    // play then finds the module loaded.
    m_preload = std::thread([module = soundModule()] {
        QLibrary library(module);
        library.load();
    });
}

SoundPlayer *DesktopEnvironment::player()
{
    if (!std::exchange(m_playerTried, true)) {
        if (m_preload.joinable())
            m_preload.join();
        QLibrary library(soundModule());
        if (auto make =
                reinterpret_cast<KorvelMakeSoundPlayer *>(library.resolve("korvel_make_sound_player")))
            m_player.reset(make());
        else
            qWarning("korvel: no horn: %s", qPrintable(library.errorString()));
    }
    return m_player.get();
}

QSettings &DesktopEnvironment::settings() const
{
    if (!m_settings) {
        m_settings = m_settingsFile.isEmpty()
                         ? std::make_unique<QSettings>(QStringLiteral("Korvel"), QStringLiteral("korvel"))
                         : std::make_unique<QSettings>(m_settingsFile, QSettings::IniFormat);
    }
    return *m_settings;
}

QString DesktopEnvironment::setting(const QString &key, const QString &fallback) const
{
    return settings().value(key, fallback).toString();
}

void DesktopEnvironment::setSetting(const QString &key, const QString &value)
{
    settings().setValue(key, value);
    settings().sync();
}

void DesktopEnvironment::loadReachability()
{
    if (m_reachabilityLoaded)
        return;
    m_reachabilityLoaded = true;
    // Qt 6.4's default loader tries only NetworkManager; asking by feature also finds the glib backend.
    m_reachabilityKnown =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
}

QDateTime DesktopEnvironment::now() const
{
    return QDateTime::currentDateTime();
}

bool DesktopEnvironment::internetAvailable()
{
    loadReachability();
    if (m_reachabilityKnown) {
        if (QNetworkInformation *info = QNetworkInformation::instance()) {
            const auto reach = info->reachability();
            if (reach != QNetworkInformation::Reachability::Unknown)
                return reach == QNetworkInformation::Reachability::Online ||
                       reach == QNetworkInformation::Reachability::Site;
        }
    }
    return hasNetworkInterface();
}

bool DesktopEnvironment::fileExists(const QString &name) const
{
    return QFileInfo::exists(name);
}

void DesktopEnvironment::playSound(const QString &fileName)
{
    if (SoundPlayer *p = player())
        p->play(QDir::current().absoluteFilePath(fileName));
}

void DesktopEnvironment::stopSound()
{
    // Nothing plays before the first play, so a stop never loads the player.
    if (m_player)
        m_player->stop();
}

Ticker *DesktopEnvironment::makeTicker(const QString &name, int intervalMs, QObject *parent)
{
    return new Ticker(name, intervalMs, Ticker::Mode::Real, parent);
}

void DesktopEnvironment::showError(const QString &text)
{
    showBox(QMessageBox::Critical, QApplication::applicationName(), text);
}

void DesktopEnvironment::showInfo(const QString &text)
{
    showBox(QMessageBox::Information, QApplication::applicationName(), text);
}

bool DesktopEnvironment::ask(const QString &text)
{
    // Every question of the client confirms something that cannot be undone: a warning with Yes and No,
    // No the default and the Escape key's answer, so that a stray Enter or Escape changes nothing.
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    // The questions are Turkish and some name the button ("Evet tıklanırsa ..."): the buttons say what
    // the text says, whatever the locale.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Evet"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Hayır"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace korvel
