// Flight-level shadows (with g_arnyekok set): a soft dark disc on the sea straight below every
// aircraft in the air, larger and sharper the lower it flies, so the three levels read at a glance;
// an enemy on the player's own level (where bullets and collisions meet it) casts a red one. Drawn
// after the sea, in the scene's fog, all in one draw; an aircraft's shadow goes with its explosion.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"

struct Aircraft;

struct ShadowVertex {   // D3DFVF_XYZ | D3DFVF_DIFFUSE
    float x, y, z;
    D3DCOLOR colour;
};
inline constexpr DWORD kFvfShadow = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// The depth (z grows downward) at which the shadows lie: just above the highest wave crest.
inline constexpr float kShadowDepth = 3.97f;
// Triangles of one shadow: an inner disc and a ring that fades to nothing.
inline constexpr int kShadowSides = 12;
inline constexpr int kShadowTriangles = 3 * kShadowSides;

// The shadow of one aircraft: its radius, the darkness at its middle (alpha 0..1), the share of the
// radius that keeps that darkness before it fades, and whether it is the warning red.
struct ShadowShape {
    float radius;
    float darkness;
    float core;
    bool warning;
};

// The shape for an aircraft flying at depth `posZ`, warning red when `onPlayersLevel`.
ShadowShape ShadowShapeFor(float posZ, bool onPlayersLevel);
// Appends the triangles of one shadow centred below (x, y).
void ShadowAppend(std::vector<ShadowVertex>& out, float x, float y, const ShadowShape& shape);
// Whether the aircraft casts a shadow now: in the air and not exploding.
bool ShadowCast(const Aircraft* aircraft);

// Draws the shadows of the player and the enemies (nothing with g_arnyekok 0); call after the sea.
void ShadowsDraw();
