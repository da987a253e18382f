// The playing scene and the small drawers that place meshes and text meshes in the world.
#pragma once

#include <cstdint>

#include "platform/win/handles.h"

struct Aircraft;
struct MenuItem;
struct MeshEntry;
struct Projectile;

// The surface segments, the horizon walls (travelling with scrollPos) and the ground objects. The
// segments are drawn as one strip from a vertex buffer of the renderer's, filled again from their
// vertices when a segment's revision or their order changed since it was last filled.
void WorldDraw();
// With `on`, parts the renderer draws together are drawn one draw each instead, as they are on their
// own, and in the order the frame names them: the sea segment by segment, the HUD band whole, every
// enemy and projectile part by part, the menu's backdrop before the title and aircraft. The same
// picture within rounding, for comparing the two; off by default.
void SceneUseSeparateDraws(bool on);
bool SceneSeparateDraws();
// Releases the vertex buffers the renderer keeps for the sea segments and the sprites' quads (exit,
// and before a device re-creation); they are made again when next drawn.
void SceneBuffersRelease();
// One bullet (kind 'd', mesh 100) or bomb (kind 'e', mesh 101) at its place; other kinds draw nothing.
void ProjectileDraw(const Projectile* projectile);
// The player's seven parts or an enemy's two, the propeller spun about the forward axis.
void AircraftDraw(const Aircraft* aircraft);
// Every subset of the mesh as its one triangle strip at the current world transform; a null mesh,
// or one whose strips were too long for the device, draws nothing. Returns 0.
int MeshDraw(const MeshEntry* mesh);
// Text mesh `slot` (0..5) with rotation(yaw, pitch, roll) then translation(x, y, z) in material
// `material`; an empty or unknown slot draws nothing.
void TextMeshDraw(float x, float y, float z, float pitch, float yaw, float roll, std::uint8_t material,
                  std::uint8_t slot);
// A menu caption: material 4 when selected, 3 otherwise.
void MenuItemDraw(const MenuItem& item);
// The explosion sprites turned toward the camera, blended, in list order, each from the renderer's
// quad of its size; a sprite with a texture slot outside 1..16 (or whose quad cannot be made) is
// skipped.
void SpritesDraw();
