// The sound manager: sounds addressed by their resource name ("sound\klikk.wav"), one channel each.
#pragma once

#include <cstdint>

void SoundLoad(const char* name, std::uint32_t flags);
int SoundPlay(const char* name, bool looping);
void SoundStop(const char* name);
int SoundSetAttributes(const char* name, int frequency, int volume, int pan);

// The looping sounds of a run, stopped and restarted together by pause, the console and the menu.
inline constexpr const char* kWindSound = "sound\\szelfuvas.wav";
inline constexpr const char* kEngineSound = "sound\\motor.wav";
inline constexpr const char* kClickSound = "sound\\klikk.wav";

// Console commands.
void SoundCommand();   // snd
