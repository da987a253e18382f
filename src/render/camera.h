// The camera: view angles, look-at vectors and the world's scroll position.
#pragma once

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
// CameraSetMenu also switches the device's fog off when a device exists.
void CameraSetPlaying();
void CameraSetMenu();

// Sets the device's world (identity), view and projection transforms for the coming 3D drawing:
// view = look-at x translation(0, -scrollPos, 0) x rotation(yaw, pitch, roll); projection = a
// perspective of 1.18105 rad vertically, aspect 1.333333 whatever the window's shape, depth 0.1..32.
void CameraApply();

