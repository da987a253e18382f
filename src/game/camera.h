// The camera's pose: view angles, look-at vectors and the world's scroll position. World state: the
// simulation advances scrollPos and places everything relative to it; the renderer turns the pose
// into the device's transforms (render/camera.h).
#pragma once

#include <cstdint>

struct Camera {
    float viewPitch;
    float viewRoll;
    float viewYaw;
    float prevScrollPos;
    float scrollPos;
    float eye[3];
    float lookAt[3];
    float up[3];
};

extern Camera camera;

// The tilted pose of a run and the straight pose of the menus; neither touches prevScrollPos.
void CameraSetPlaying();
void CameraSetMenu();
// How many times the menu pose was taken since the program started: the renderer switches the
// device's fog off each time it sees this count change, as the menus are drawn without fog.
std::uint32_t CameraMenuPoseCount();

// Back to the values at program start: every field zero.
void CameraReset();
