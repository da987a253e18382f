#include "render/camera.h"

#include "core/graphics.h"
#include "d3dx/math.h"

namespace {

D3DXMATRIX ViewOf(const Camera& cam)
{
    const D3DXVECTOR3 eye(cam.eye[0], cam.eye[1], cam.eye[2]);
    const D3DXVECTOR3 at(cam.lookAt[0], cam.lookAt[1], cam.lookAt[2]);
    const D3DXVECTOR3 up(cam.up[0], cam.up[1], cam.up[2]);
    D3DXMATRIX lookAt;
    D3DXMatrixLookAtLH(&lookAt, &eye, &at, &up);
    D3DXMATRIX scroll;
    D3DXMatrixTranslation(&scroll, 0.0f, -cam.scrollPos, 0.0f);
    D3DXMATRIX turn;
    D3DXMatrixRotationYawPitchRoll(&turn, cam.viewYaw, cam.viewPitch, cam.viewRoll);
    D3DXMATRIX view;
    D3DXMatrixMultiply(&view, &lookAt, &scroll);
    D3DXMatrixMultiply(&view, &view, &turn);
    return view;
}

const D3DXMATRIX& Projection()
{
    static const D3DXMATRIX projection = [] {
        D3DXMATRIX m;
        D3DXMatrixPerspectiveFovLH(&m, 1.18105f, 1.333333f, 0.1f, 32.0f);
        return m;
    }();
    return projection;
}

const D3DXMATRIX& Identity()
{
    static const D3DXMATRIX identity = [] {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        return m;
    }();
    return identity;
}

}  // namespace

void CameraApply()
{
    if (device == nullptr) {
        return;
    }
    const D3DXMATRIX view = ViewOf(camera);
    device->SetTransform(D3DTS_WORLD, &Identity());
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &Projection());
}

void CameraMenuFogFollow()
{
    static std::uint32_t seen = 0;
    const std::uint32_t poses = CameraMenuPoseCount();
    if (poses != seen && device != nullptr) {
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    }
    seen = poses;
}
