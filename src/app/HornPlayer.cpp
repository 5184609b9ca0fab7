#include "app/HornPlayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace korvel
{

HornPlayer::~HornPlayer()
{
    delete m_sound;
}

void HornPlayer::play(const QString &path)
{
    // Without an audio device there is nothing to play on; the next play looks again.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    const QUrl source = QUrl::fromLocalFile(path);
    // A player that failed (no audio device, a file it cannot read) stays failed: the next play tries
    // with a new one.
    if (m_sound && m_sound->status() == QSoundEffect::Error)
        delete m_sound;
    if (!m_sound)
        m_sound = new QSoundEffect(QCoreApplication::instance());
    if (m_sound->source() != source)
        m_sound->setSource(source);
    m_sound->stop();
    m_sound->play();
}

void HornPlayer::stop()
{
    if (m_sound)
        m_sound->stop();
}

} // namespace korvel

extern "C" Q_DECL_EXPORT korvel::SoundPlayer *korvel_make_sound_player()
{
    return new korvel::HornPlayer;
}
