#include "game/camera.h"

Camera camera{};

namespace {

std::uint32_t menuPoses = 0;

}  // namespace

std::uint32_t CameraMenuPoseCount()
{
    return menuPoses;
}

namespace {

void SetVector(float (&v)[3], float x, float y, float z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

}  // namespace

void CameraSetPlaying()
{
    camera.viewPitch = 63.4349f * 0.017453292f;
    camera.viewRoll = 0.0f;
    camera.viewYaw = 0.0f;
    camera.scrollPos = 0.0f;
    SetVector(camera.eye, 0.0f, -1.0f, 0.0f);
    SetVector(camera.lookAt, 0.0f, -1.0f, 2.2361f);
    SetVector(camera.up, 0.0f, 1.0f, 0.0f);
}

void CameraSetMenu()
{
    camera.viewPitch = 0.0f;
    camera.viewRoll = 0.0f;
    camera.viewYaw = 0.0f;
    camera.scrollPos = 0.0f;
    SetVector(camera.eye, 0.0f, 0.0f, 0.0f);
    SetVector(camera.lookAt, 0.0f, 0.0f, 1.0f);
    SetVector(camera.up, 0.0f, 1.0f, 0.0f);
    ++menuPoses;
}

void CameraReset()
{
    camera = Camera{};
}
