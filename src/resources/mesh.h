// Meshes by id and the six extruded text meshes.
#pragma once

#include "platform/win/handles.h"

HRESULT MeshListLoadAll();
void MeshListFree();
void TextMeshesRelease();
