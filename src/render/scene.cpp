// One playing frame: fog, sun and camera, the aircraft, projectiles, sea, horizon and buildings, the
// explosion sprites and the HUD.
#include "render/scene.h"

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/graphics.h"
#include "core/window.h"
#include "d3dx/math.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/fog.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/codepage.h"
#include "platform/win/window.h"
#include "render/camera.h"
#include "render/hud.h"
#include "render/mesh_batch.h"
#include "render/render.h"
#include "render/sea_sampling.h"
#include "render/setup.h"
#include "render/shadows.h"
#include "resources/mesh.h"

namespace {

// ---- The device's copies of the simulation's geometry ------------------------------------------------

// The whole sea in one vertex buffer, drawn as one strip: the segments from the rearmost to the
// newest, each segment's strip joined to the next by repeating its last vertex and the next one's
// first (four triangles of no area; with an even count of vertices per segment every segment keeps
// the winding it has on its own). `held` names the segments and revisions the buffer holds, in
// order; when the strip's order or any segment's revision changes, the buffer is filled again.
struct SeaStrip {
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT capacity = 0;  // vertices
    std::vector<std::pair<const SurfaceSegment*, std::uint32_t>> held;
    std::vector<SurfaceVertex> vertices;
    UINT count = 0;  // vertices in the buffer
    // The frame's triangles of the strip as two lists, those sampled at the texture's top level alone
    // first (see SeaTrianglesByLevel), in one index buffer.
    IDirect3DIndexBuffer9* indices = nullptr;
    UINT indexCapacity = 0;
    std::vector<std::uint16_t> topLevel;
    std::vector<std::uint16_t> lower;
};

SeaStrip seaStrip;
bool seaFailureShown = false;
bool separateDraws = false;

// A sea segment's own vertex buffer, for drawing the segments one by one (SceneUseSeparateDraws),
// with the revision it holds and the last frame that drew it.
struct SegmentBuffer {
    IDirect3DVertexBuffer9* buffer;
    std::uint32_t revision;
    std::uint32_t frame;
};

std::unordered_map<const SurfaceSegment*, SegmentBuffer> segmentBuffers;
std::uint32_t seaFrame = 0;

// One quad per sprite size (its bit patterns): explosions come in a handful of sizes.
std::map<std::pair<DWORD, DWORD>, IDirect3DVertexBuffer9*> spriteQuads;

constexpr UINT kJoinVertices = 2;

void SeaFailureShow()
{
    if (!seaFailureShown) {
        seaFailureShown = true;
        MessageBoxA(gameWindow, "A tenger egy szeletét nem sikerült létrehozni a grafikus eszközön!"_cp, "AVIORRA",
                    MB_ICONERROR | MB_OK);
    }
}

void SeaStripRelease(SeaStrip& strip)
{
    if (strip.buffer != nullptr) {
        strip.buffer->Release();
    }
    if (strip.indices != nullptr) {
        strip.indices->Release();
    }
    strip = SeaStrip{};
}

// The sea strip holding the current segments; null when there are none (the strip's buffer is then
// released) or its buffer cannot be made or filled (the sea is then not drawn, and the player is told
// once per device).
SeaStrip* SeaStripOf(const SurfaceSegment* head)
{
    SeaStrip& strip = seaStrip;
    std::size_t segments = 0;
    bool same = true;
    for (const SurfaceSegment* segment = head; segment != nullptr; segment = segment->next, ++segments) {
        same = same && segments < strip.held.size() && strip.held[segments].first == segment &&
               strip.held[segments].second == segment->revision;
    }
    if (segments == 0) {
        // No sea (a finished run): its strip is not kept.
        SeaStripRelease(strip);
        return nullptr;
    }
    if (same && segments == strip.held.size() && strip.buffer != nullptr) {
        return &strip;
    }
    const UINT count = static_cast<UINT>(segments * kSurfaceVertexCount + (segments - 1) * kJoinVertices);
    if (strip.buffer == nullptr || strip.capacity < count) {
        if (strip.buffer != nullptr) {
            strip.buffer->Release();
            strip.buffer = nullptr;
        }
        strip.held.clear();
        if (FAILED(device->CreateVertexBuffer(count * sizeof(SurfaceVertex), 0, kFvfLitTextured, D3DPOOL_MANAGED,
                                              &strip.buffer, nullptr)) ||
            strip.buffer == nullptr) {
            strip.buffer = nullptr;
            SeaFailureShow();
            return nullptr;
        }
        strip.capacity = count;
    }
    strip.vertices.clear();
    strip.held.clear();
    for (const SurfaceSegment* segment = head; segment != nullptr; segment = segment->next) {
        if (!strip.vertices.empty()) {
            strip.vertices.push_back(strip.vertices.back());
            strip.vertices.push_back(segment->vertices[0]);
        }
        strip.vertices.insert(strip.vertices.end(), segment->vertices, segment->vertices + kSurfaceVertexCount);
        strip.held.emplace_back(segment, segment->revision);
    }
    if (!VertexBufferFill(strip.buffer, strip.vertices.data(), strip.vertices.size() * sizeof(SurfaceVertex))) {
        strip.held.clear();
        return nullptr;
    }
    strip.count = count;
    return &strip;
}

// The segment's own vertex buffer holding its current vertices; null when it cannot be made or
// filled (the segment is then not drawn, and the player is told once per device).
IDirect3DVertexBuffer9* SegmentBufferOf(const SurfaceSegment* segment)
{
    SegmentBuffer& slot = segmentBuffers[segment];
    slot.frame = seaFrame;
    if (slot.buffer == nullptr) {
        if (FAILED(device->CreateVertexBuffer(kSurfaceBufferBytes, 0, kFvfLitTextured, D3DPOOL_MANAGED, &slot.buffer,
                                              nullptr)) ||
            slot.buffer == nullptr) {
            slot.buffer = nullptr;
            SeaFailureShow();
            return nullptr;
        }
        slot.revision = 0;   // no segment has revision 0
    }
    if (slot.revision != segment->revision) {
        if (!VertexBufferFill(slot.buffer, segment->vertices, sizeof(segment->vertices))) {
            return nullptr;
        }
        slot.revision = segment->revision;
    }
    return slot.buffer;
}

// Where the sea is drawn now: the device's transforms and viewport, the sea texture's top level.
bool SeaViewOf(SeaView& view)
{
    D3DSURFACE_DESC top{};
    D3DVIEWPORT9 viewport{};
    if (seaTexture == nullptr || seaTexture->GetLevelCount() <= 1 || FAILED(seaTexture->GetLevelDesc(0, &top)) ||
        !DeviceToClip(view.toClip, viewport)) {
        return false;
    }
    view.viewportWidth = static_cast<float>(viewport.Width);
    view.viewportHeight = static_cast<float>(viewport.Height);
    view.textureWidth = static_cast<float>(top.Width);
    view.textureHeight = static_cast<float>(top.Height);
    return true;
}

// Draws the strip's triangles that sample the sea texture at its top level alone without the mip
// filter (the same picture, for less work per pixel in a software rasteriser), then the others as the
// device samples; false, having drawn nothing, where that cannot be done (no texture levels to skip,
// no index buffer), and the caller draws the strip whole.
bool SeaDrawByLevel(SeaStrip& strip)
{
    SeaView view{};
    if (!SeaViewOf(view)) {
        return false;
    }
    SeaTrianglesByLevel(strip.vertices.data(), strip.count, view, strip.topLevel, strip.lower);
    const auto topCount = static_cast<UINT>(strip.topLevel.size());
    const auto count = topCount + static_cast<UINT>(strip.lower.size());
    if (count == 0) {
        return true;
    }
    if (strip.indices == nullptr || strip.indexCapacity < count) {
        if (strip.indices != nullptr) {
            strip.indices->Release();
            strip.indices = nullptr;
        }
        strip.indexCapacity = 0;
        if (FAILED(device->CreateIndexBuffer(count * sizeof(std::uint16_t), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                             D3DFMT_INDEX16, D3DPOOL_DEFAULT, &strip.indices, nullptr)) ||
            strip.indices == nullptr) {
            strip.indices = nullptr;
            return false;
        }
        strip.indexCapacity = count;
    }
    void* data = nullptr;
    if (FAILED(strip.indices->Lock(0, count * sizeof(std::uint16_t), &data, D3DLOCK_DISCARD)) || data == nullptr) {
        return false;
    }
    auto* out = static_cast<std::uint16_t*>(data);
    std::copy(strip.topLevel.begin(), strip.topLevel.end(), out);
    std::copy(strip.lower.begin(), strip.lower.end(), out + topCount);
    strip.indices->Unlock();
    device->SetIndices(strip.indices);
    if (topCount > 0) {
        const TopLevelSampling sampling(true);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, strip.count, 0, topCount / 3);
    }
    if (count > topCount) {
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, strip.count, topCount, (count - topCount) / 3);
    }
    return true;
}

// Releases the buffers of the segments the frame did not draw (recycled strips, a finished run).
void SegmentBuffersPrune()
{
    for (auto it = segmentBuffers.begin(); it != segmentBuffers.end();) {
        if (it->second.frame != seaFrame) {
            if (it->second.buffer != nullptr) {
                it->second.buffer->Release();
            }
            it = segmentBuffers.erase(it);
        } else {
            ++it;
        }
    }
}

void SeaDraw()
{
    ++seaFrame;
    if (separateDraws) {
        for (const SurfaceSegment* segment = surfaceHead; segment != nullptr; segment = segment->next) {
            IDirect3DVertexBuffer9* buffer = SegmentBufferOf(segment);
            if (buffer == nullptr) {
                continue;
            }
            device->SetStreamSource(0, buffer, 0, sizeof(LitTexturedVertex));
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, kSurfaceVertexCount - 2);
        }
    } else if (SeaStrip* strip = SeaStripOf(surfaceHead)) {
        device->SetStreamSource(0, strip->buffer, 0, sizeof(LitTexturedVertex));
        if (!SeaDrawByLevel(*strip)) {
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, strip->count - 2);
        }
    }
    SegmentBuffersPrune();
}

// The quad of a sprite of this size; null when it cannot be made (the sprite is then not drawn).
IDirect3DVertexBuffer9* SpriteQuadOf(const Sprite* sprite)
{
    IDirect3DVertexBuffer9*& buffer = spriteQuads[{FloatBits(sprite->width), FloatBits(sprite->height)}];
    if (buffer == nullptr) {
        if (FAILED(
                device->CreateVertexBuffer(kSpriteBufferBytes, 0, kFvfTextured, D3DPOOL_MANAGED, &buffer, nullptr)) ||
            buffer == nullptr) {
            buffer = nullptr;
            return nullptr;
        }
        SpriteVertex quad[kSpriteVertexCount];
        SpriteQuad(sprite->width, sprite->height, quad);
        if (!VertexBufferFill(buffer, quad, sizeof quad)) {
            buffer->Release();
            buffer = nullptr;
        }
    }
    return buffer;
}

// ---- Drawing -----------------------------------------------------------------------------------------

// Rotation(yaw, pitch, roll) followed by translation(x, y, z).
D3DXMATRIX Placement(float yaw, float pitch, float roll, float x, float y, float z)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, yaw, pitch, roll);
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, z);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &rotation, &translation);
    return world;
}

// Sets the world transform to the placement.
void WorldPlace(float yaw, float pitch, float roll, float x, float y, float z)
{
    const D3DXMATRIX world = Placement(yaw, pitch, roll, x, y, z);
    device->SetTransform(D3DTS_WORLD, &world);
}

// The mesh at the placement, added to the frame's mesh batch.
void PartAdd(const MeshEntry* mesh, float yaw, float pitch, float roll, float x, float y, float z)
{
    if (mesh != nullptr) {
        MeshBatchAdd(mesh, Placement(yaw, pitch, roll, x, y, z));
    }
}

// An enemy's two parts, placed as AircraftDraw places them, added to the batch.
void EnemyAdd(const Aircraft* a)
{
    PartAdd(a->meshes[0], a->bank, a->pitch, a->heading, a->posX, a->posY, a->posZ);
    PartAdd(a->meshes[1], a->bank - a->propellerAngle, a->pitch, a->heading, a->posX, a->posY - a->propellerOffset,
            a->posZ);
}

// The mesh ProjectileDraw draws for the projectile's kind; null for other kinds.
const MeshEntry* ProjectileMesh(const Projectile* p)
{
    return p->kind == kProjectileGun ? bulletMesh : p->kind == kProjectileBomb ? bombMesh : nullptr;
}

void PartDraw(const MeshEntry* mesh, float yaw, float pitch, float roll, float x, float y, float z)
{
    if (mesh == nullptr) {
        return;
    }
    WorldPlace(yaw, pitch, roll, x, y, z);
    MeshDraw(mesh);
}

void SceneFogSet()
{
    if (fogSettings.fogEnabled != 0) {
        device->SetRenderState(D3DRS_FOGCOLOR, fogSettings.fogColor);
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(fogSettings.fogStart));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(fogSettings.fogFactor * fogSettings.fogEndBase));
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    } else {
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    }
}

}  // namespace

int MeshDraw(const MeshEntry* mesh)
{
    if (mesh == nullptr || device == nullptr || mesh->subsets == nullptr) {
        return 0;
    }
    const UINT stride = D3DXGetFVFVertexSize(mesh->vertexFormat);
    for (std::uint32_t j = 0; j < mesh->subsetCount; ++j) {
        if (mesh->materials != nullptr && j < mesh->materialCount) {
            device->SetMaterial(&mesh->materials[j]);
        }
        IDirect3DTexture9* texture = mesh->textures != nullptr && j < mesh->materialCount ? mesh->textures[j] : nullptr;
        device->SetTexture(0, texture);
        device->SetFVF(mesh->vertexFormat);
        device->SetStreamSource(0, mesh->vertexBuffer, 0, stride);
        const MeshSubset& subset = mesh->subsets[j];
        if (mesh->stripTooLong != 0 || subset.stripIndexBuffer == nullptr || subset.stripIndexCount < 3 ||
            mesh->vertexBuffer == nullptr) {
            continue;
        }
        device->SetIndices(subset.stripIndexBuffer);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, mesh->vertexCount, 0, subset.stripIndexCount - 2);
    }
    return 0;
}

void TextMeshDraw(float x, float y, float z, float pitch, float yaw, float roll, std::uint8_t material,
                  std::uint8_t slot)
{
    if (device == nullptr || slot >= kTextMeshSlots || textMeshes[slot] == nullptr) {
        return;
    }
    WorldPlace(yaw, pitch, roll, x, y, z);
    MaterialSet(material);
    // Text meshes have no texture coordinates: whatever texture the backdrop or a mesh left bound
    // would tint the whole caption with one texel, so they are drawn in their material alone.
    device->SetTexture(0, nullptr);
    textMeshes[slot]->DrawSubset(0);
}

void MenuItemDraw(const MenuItem& item)
{
    TextMeshDraw(item.x, item.y, item.depth, item.pitch, item.yaw, item.roll, item.selected != 0 ? 4 : 3, item.index);
}

void AircraftDraw(const Aircraft* a)
{
    if (a == nullptr || device == nullptr) {
        return;
    }
    PartDraw(a->meshes[0], a->bank, a->pitch, a->heading, a->posX, a->posY, a->posZ);
    if (a != player) {
        PartDraw(a->meshes[1], a->bank - a->propellerAngle, a->pitch, a->heading, a->posX, a->posY - a->propellerOffset,
                 a->posZ);
        return;
    }
    PartDraw(a->meshes[1], a->bank + a->propellerAngle, a->pitch, a->heading, a->posX, a->posY + a->propellerOffset,
             a->posZ);
    PartDraw(a->meshes[2], a->bank, a->pitch, a->heading, a->posX, a->posY + a->tailOffset, a->posZ);
    for (int part = 3; part <= 4; ++part) {
        PartDraw(a->meshes[part], a->bank, a->pitch, a->heading, a->posX - a->partOffsetAX, a->posY + a->partOffsetAY,
                 a->posZ);
    }
    for (int part = 5; part <= 6; ++part) {
        PartDraw(a->meshes[part], a->bank, a->pitch, a->heading, a->posX - a->partOffsetBX, a->posY + a->partOffsetBY,
                 a->posZ);
    }
}

void ProjectileDraw(const Projectile* p)
{
    if (p == nullptr || device == nullptr) {
        return;
    }
    PartDraw(ProjectileMesh(p), p->bank, p->pitch, p->heading, p->posX, p->posY, p->posZ);
}

void SceneUseSeparateDraws(bool on)
{
    separateDraws = on;
}

bool SceneSeparateDraws()
{
    return separateDraws;
}

void SceneBuffersRelease()
{
    for (auto& [segment, slot] : segmentBuffers) {
        if (slot.buffer != nullptr) {
            slot.buffer->Release();
        }
    }
    segmentBuffers.clear();
    SeaStripRelease(seaStrip);
    for (auto& [size, buffer] : spriteQuads) {
        if (buffer != nullptr) {
            buffer->Release();
        }
    }
    spriteQuads.clear();
    seaFailureShown = false;
    HudBuffersRelease();
    MeshBatchRelease();
}

void WorldDraw()
{
    if (device == nullptr) {
        return;
    }
    MaterialSet(1);
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTexture(0, seaTexture);
    device->SetFVF(kFvfLitTextured);
    SeaDraw();

    D3DXMatrixTranslation(&world, 0.0f, camera.scrollPos, 0.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    if (horizonBuffer != nullptr) {
        device->SetTexture(0, horizonTexture);
        device->SetFVF(kFvfTextured);
        device->SetStreamSource(0, horizonBuffer, 0, sizeof(TexturedVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 6);
    }

    for (const GroundObject& object : groundObjects) {
        if (object.explosionFrame < 10) {
            PartDraw(object.mesh, 0.0f, 0.0f, 0.0f, object.posX, object.posY, object.posZ);
        }
    }
}

void SpritesDraw()
{
    if (spriteHead == nullptr || device == nullptr) {
        return;
    }
    device->SetFVF(kFvfTextured);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    int material = spriteHead->materialIndex;
    MaterialSet(material);
    for (const Sprite* sprite = spriteHead; sprite != nullptr; sprite = sprite->next) {
        if (sprite->visible == 0 || sprite->textureSlot < 1 || sprite->textureSlot > kExplosionTextureCount) {
            continue;
        }
        IDirect3DVertexBuffer9* quad = SpriteQuadOf(sprite);
        if (quad == nullptr) {
            continue;
        }
        WorldPlace(0.0f, sprite->tiltAngle, sprite->turnAngle, sprite->posX, sprite->posY, sprite->posZ);
        if (sprite->materialIndex != material) {
            material = sprite->materialIndex;
            MaterialSet(material);
        }
        device->SetTexture(0, explosionTextures[sprite->textureSlot]);
        device->SetStreamSource(0, quad, 0, sizeof(SpriteVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

HRESULT SceneRender()
{
    CameraMenuFogFollow();
    if (device == nullptr) {
        return S_OK;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        HudUnderlayDraw();
        SceneFogSet();
        device->SetLight(0, &sunLight);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0x00888888u);
        CameraApply();

        if (player != nullptr && player->explosionFrame < 8) {
            AircraftDraw(player);
        }
        // The enemies and projectiles share a few meshes: drawn together, a draw per mesh material.
        for (const Aircraft* enemy : enemySlots) {
            if (enemy != nullptr && enemy->explosionFrame < 8 && enemy->alive != 0) {
                if (separateDraws) {
                    AircraftDraw(enemy);
                } else {
                    EnemyAdd(enemy);
                }
            }
        }
        for (const Projectile* p = projectileHead; p != nullptr; p = p->next) {
            if (separateDraws) {
                ProjectileDraw(p);
            } else {
                PartAdd(ProjectileMesh(p), p->bank, p->pitch, p->heading, p->posX, p->posY, p->posZ);
            }
        }
        MeshBatchDraw();
        WorldDraw();
        ShadowsDraw();
        if (spriteHead != nullptr) {
            SpritesDraw();
        }
        HudDraw();
        device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}
