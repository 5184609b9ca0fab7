#pragma once

#include "app/SoundPlayer.h"

#include <QPointer>

class QSoundEffect;

namespace korvel
{

// The horn through Qt Multimedia: built into the korvel_horn module, never into the program itself.
class HornPlayer final : public SoundPlayer
{
public:
    ~HornPlayer() override;
    void play(const QString &path) override;
    void stop() override;

private:
    // Made on the first play; remade after a failure.
    QPointer<QSoundEffect> m_sound;
};

} // namespace korvel
