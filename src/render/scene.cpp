// One playing frame: fog, sun and camera, the aircraft, projectiles, sea, horizon and buildings, the
// explosion sprites and the HUD.
#include "render/scene.h"

#include "core/graphics.h"
#include "d3dx/math.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/fog.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"
#include "render/camera.h"
#include "render/hud.h"
#include "render/render.h"
#include "render/setup.h"
#include "resources/mesh.h"

namespace {

// Sets the world transform to rotation(yaw, pitch, roll) followed by translation(x, y, z).
void WorldPlace(float yaw, float pitch, float roll, float x, float y, float z)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, yaw, pitch, roll);
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, z);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &rotation, &translation);
    device->SetTransform(D3DTS_WORLD, &world);
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
    const MeshEntry* mesh = nullptr;
    if (p->kind == kProjectileGun) {
        mesh = bulletMesh;
    } else if (p->kind == kProjectileBomb) {
        mesh = bombMesh;
    } else {
        return;
    }
    PartDraw(mesh, p->bank, p->pitch, p->heading, p->posX, p->posY, p->posZ);
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
    for (const SurfaceSegment* segment = surfaceHead; segment != nullptr; segment = segment->next) {
        if (segment->vertexBuffer == nullptr) {
            continue;
        }
        device->SetStreamSource(0, segment->vertexBuffer, 0, sizeof(LitTexturedVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, kSurfaceVertexCount - 2);
    }

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
        if (sprite->visible == 0 || sprite->vertexBuffer == nullptr || sprite->textureSlot < 1 ||
            sprite->textureSlot > kExplosionTextureCount) {
            continue;
        }
        WorldPlace(0.0f, sprite->tiltAngle, sprite->turnAngle, sprite->posX, sprite->posY, sprite->posZ);
        if (sprite->materialIndex != material) {
            material = sprite->materialIndex;
            MaterialSet(material);
        }
        device->SetTexture(0, explosionTextures[sprite->textureSlot]);
        device->SetStreamSource(0, sprite->vertexBuffer, 0, sizeof(SpriteVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

HRESULT SceneRender()
{
    if (device == nullptr) {
        return S_OK;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        SceneFogSet();
        device->SetLight(0, &sunLight);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0x00888888u);
        CameraApply();

        if (player != nullptr && player->explosionFrame < 8) {
            AircraftDraw(player);
        }
        for (const Aircraft* enemy : enemySlots) {
            if (enemy != nullptr && enemy->explosionFrame < 8 && enemy->alive != 0) {
                AircraftDraw(enemy);
            }
        }
        for (const Projectile* p = projectileHead; p != nullptr; p = p->next) {
            ProjectileDraw(p);
        }
        WorldDraw();
        if (spriteHead != nullptr) {
            SpritesDraw();
        }
        HudDraw();
        device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}
