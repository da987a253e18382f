#include "app/frame.h"

float frameDelta = 0.0f;
float keyDelayTimer = 0.0f;
std::uint8_t pauseFlag = 0;
std::uint8_t gameState = MainMenu;
