// Render setup, the playing scene and the front-end frame.
#pragma once

#include "platform/win/handles.h"

// Start-up: the intro picture, materials and lights, textures, static geometry.
bool IntroScreenShow();
void MaterialsAndLightsInit();
HRESULT TexturesLoad();
HRESULT StaticGeometryCreate();
// Releases the textures and vertex buffers made above (exit, and before a device re-creation).
void RenderResourcesRelease();

// One frame: the playing scene with the HUD and overlays, or the front end. Both present the frame
// and return 0, also when BeginScene failed and nothing was drawn.
HRESULT SceneRender();
HRESULT FrontEndRender();
