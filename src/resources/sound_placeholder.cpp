// Placeholder sound manager: the sound operations are accepted and play nothing until the sound
// manager over the audio library replaces this file.
#include "resources/sound.h"

void SoundLoad(const char*, std::uint32_t) {}

int SoundPlay(const char*, bool)
{
    return 0;
}

void SoundStop(const char*) {}

int SoundSetAttributes(const char*, int, int, int)
{
    return 0;
}
