// The scrolling world: scroll speed and position, the sea strip and the ground objects.
#pragma once

#include "platform/win/handles.h"

// Scroll speed in units per second.
extern float worldSpeed;

// prevScrollPos = scrollPos; scrollPos += worldSpeed * frameDelta.
void ScrollAdvance();
HRESULT SurfaceScroll();
void SurfaceFree();
