#include "core/frame.h"

float currentTime = 0.0f;
float previousTime = 0.0f;
std::uint32_t previousTicks = 0;
float frameDelta = 0.0f;
std::int32_t frameCounter = 0;
float fpsAccumulator = 0.0f;
std::int32_t framesPerSecond = 0;
float keyDelayTimer = 0.0f;
std::uint8_t gameState = MainMenu;
std::uint32_t frameSerial = 0;

void FrameValuesReset()
{
    currentTime = previousTime = frameDelta = 0.0f;
    previousTicks = 0;
    frameCounter = framesPerSecond = 0;
    fpsAccumulator = 0.0f;
    keyDelayTimer = 0.0f;
    gameState = MainMenu;
    frameSerial = 0;
}
