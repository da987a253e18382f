#include "game/world.h"

#include "app/frame.h"
#include "render/camera.h"

float worldSpeed = 3.0f;

void ScrollAdvance()
{
    camera.prevScrollPos = camera.scrollPos;
    camera.scrollPos += worldSpeed * frameDelta;
}
