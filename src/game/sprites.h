// Camera-facing explosion sprites: a list of short-lived textured quads, oldest first.
#pragma once

#include <cstdint>

#include "platform/win/handles.h"

class IDirect3DVertexBuffer9;

// One quad vertex: position and texture coordinates (format D3DFVF_XYZ | D3DFVF_TEX1, 20 bytes).
struct SpriteVertex {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 20);

inline constexpr int kSpriteVertexCount = 4;
inline constexpr unsigned kSpriteBufferBytes = kSpriteVertexCount * sizeof(SpriteVertex);   // 80

struct Sprite {
    float posX;
    float posY;
    float posZ;
    float tiltAngle;               // about x, toward the camera
    float turnAngle;               // about z, toward the camera
    float remaining;               // seconds left to show
    float lifetime;                // as given at creation
    float width;                   // size of the quad, kept to re-create it on a new device
    float height;
    std::uint8_t visible;          // 0 marks it for removal
    std::uint8_t materialIndex;
    std::int32_t textureSlot;      // slot of the explosion textures, read at draw time
    IDirect3DVertexBuffer9* vertexBuffer;   // null when it could not be made: never drawn
    Sprite* next;
};

extern Sprite* spriteHead;   // oldest
extern Sprite* spriteTail;   // newest

// Appends a sprite showing explosion texture `textureSlot`; 0, or a failure code (callers ignore it).
// A record that cannot be allocated is not added; one whose vertex buffer cannot be made or filled
// is kept for its lifetime but has no vertex buffer.
HRESULT SpriteAdd(float x, float y, float z, float width, float height, float lifetime, int textureSlot,
                  int materialIndex);
bool SpritesEmpty();
// Ages every sprite and turns it toward the camera eye (0, scrollPos - 1, 0), then removes those
// whose time ran out.
void SpritesUpdate();
// Releases every sprite with its vertex buffer; the list becomes empty.
void SpritesFree();
// Before and after a device re-creation: releases every sprite's vertex buffer, then makes each one
// again on the current device. The sprites themselves live on.
void SpritesDeviceRelease();
void SpritesDeviceRestore();
