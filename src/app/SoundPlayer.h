#pragma once

#include <QString>

namespace korvel
{

// Plays wave files. The real one lives in a module of its own (HornPlayer), loaded at the first play,
// so that Qt Multimedia and the sound server's libraries stay out of the client's start.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Plays the file from its start, also when a play is running; failures are ignored.
    virtual void play(const QString &path) = 0;
    virtual void stop() = 0;
};

} // namespace korvel

// The one symbol the module exports: a new player, owned by the caller.
using KorvelMakeSoundPlayer = korvel::SoundPlayer *();
