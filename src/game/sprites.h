// Camera-facing explosion sprites.
#pragma once

#include "platform/win/handles.h"

// Appends a sprite showing explosion texture `textureSlot`; 0, or a failure code (callers ignore it).
HRESULT SpriteAdd(float x, float y, float z, float width, float height, float lifetime, int textureSlot,
                  int materialIndex);
bool SpritesEmpty();
void SpritesUpdate();
void SpritesFree();
