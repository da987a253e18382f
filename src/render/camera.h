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
void CameraSetPlaying();
void CameraSetMenu();
