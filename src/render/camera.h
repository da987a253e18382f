// The camera applied to the device: the view built from the pose in game/camera.h, and the fixed
// projection.
#pragma once

#include "game/camera.h"

// Sets the device's world (identity), view and projection transforms for the coming 3D drawing:
// view = look-at x translation(0, -scrollPos, 0) x rotation(yaw, pitch, roll); projection = a
// perspective of 1.18105 rad vertically, aspect 1.333333 whatever the window's shape, depth 0.1..32.
void CameraApply();
// Switches the device's fog off when the camera has taken the menu pose since the last call, as
// the pose's change always did; called before anything of a frame is drawn.
void CameraMenuFogFollow();
