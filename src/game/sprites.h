// Camera-facing explosion sprites: a list of short-lived textured quads, oldest first.
#pragma once

#include <cstdint>

// One quad vertex: position and texture coordinates (20 bytes, the renderer's textured vertex).
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
    float width;                   // size of the quad (SpriteQuad)
    float height;
    std::uint8_t visible;          // 0 marks it for removal
    std::uint8_t materialIndex;
    std::int32_t textureSlot;      // slot of the explosion textures, read at draw time
    Sprite* next;
};

extern Sprite* spriteHead;   // oldest
extern Sprite* spriteTail;   // newest

// Appends a sprite showing explosion texture `textureSlot`; false when the record cannot be
// allocated, and nothing is added (callers ignore it).
bool SpriteAdd(float x, float y, float z, float width, float height, float lifetime, int textureSlot,
               int materialIndex);
// The four corners of a sprite's quad of that size, centred on its position, in strip order.
void SpriteQuad(float width, float height, SpriteVertex (&quad)[kSpriteVertexCount]);
bool SpritesEmpty();
// Ages every sprite and turns it toward the camera eye (0, scrollPos - 1, 0), then removes those
// whose time ran out.
void SpritesUpdate();
// Releases every sprite; the list becomes empty.
void SpritesFree();
