// The scrolling world: scroll speed and position, the sea strip and the ground objects.
#pragma once

#include "platform/win/handles.h"

// Scroll speed in units per second.
extern float worldSpeed;

// prevScrollPos = scrollPos; scrollPos += worldSpeed * frameDelta.
void ScrollAdvance();
// Builds a new strip of sea segments for a run; 0 on success.
HRESULT SurfaceBuild();
// Recycles at most one segment, then updates the ground objects; a failure code ends the frame.
HRESULT SurfaceScroll();
void GroundObjectsUpdate();
void SurfaceFree();
