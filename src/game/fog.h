// The fog of a run: 24 bytes, stored byte for byte in the saved game. World state: the simulation
// raises it and the saved game keeps it; the renderer only reads it.
#pragma once

#include <cstdint>

struct FogSettings {
    std::uint8_t fogTag;
    std::uint8_t unused1[3];
    float fogStart;
    float fogEndBase;
    float fogFactor;
    std::uint32_t fogColor;
    std::uint8_t fogEnabled;
    std::uint8_t fogRising;
    std::uint8_t unused2[2];
};
static_assert(sizeof(FogSettings) == 24);

extern FogSettings fogSettings;

// Back to the values at program start: every field zero.
void FogReset();
