#include "game/world.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/frame.h"
#include "core/random.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/run_stats.h"
#include "game/saturating.h"
#include "game/sprites.h"
#include "resources/mesh_lookup.h"

float worldSpeed = 3.0f;
SurfaceSegment* surfaceHead = nullptr;
SurfaceSegment* surfaceTail = nullptr;
GroundObject groundObjects[kGroundObjectCount] = {};

namespace {

constexpr float kGroundBaseZ = 4.5f;
constexpr float kExplosionFrameTime = 0.04f;
constexpr int kExplosionFrames = 16;
constexpr std::int32_t kBombCap = 99;
constexpr std::int32_t kRoundsBonusLimit = 99800;

// A fresh sea height: 5.0 minus 0..1.00 in steps of 0.01 (smaller z is higher).
float RandomHeight()
{
    return 5.0f - 0.01f * static_cast<float>(RandomNext() % 101);
}

void SetVertex(SurfaceVertex& v, float x, float y, float z, float u, float tv)
{
    v = SurfaceVertex{x, y, z, 0.0f, 0.0f, 1.0f, u, tv};
}

// The revision the next change of a segment's vertices gets: counted for the whole program, so a
// new segment never shows the revision of one that was freed before it.
std::uint32_t nextRevision = 1;

void SegmentChanged(SurfaceSegment* segment)
{
    segment->revision = nextRevision++;
}

// Extents of an object's mesh along x, y and z.
struct Extents {
    float x, y, z;
};

Extents MeshSize(const MeshEntry* mesh)
{
    return Extents{MeshExtent(mesh, 0), MeshExtent(mesh, 1), MeshExtent(mesh, 2)};
}

void GroundObjectTryPlace(GroundObject& object)
{
    const float x = 0.06f * static_cast<float>(RandomNext() % 101) - 3.0f;
    const float y = camera.scrollPos + 35.5f + 0.2f * static_cast<float>(RandomNext() % 101);
    const std::uint8_t id = static_cast<std::uint8_t>(kMeshHangar01 + RandomNext() % 3);
    MeshEntry* mesh = MeshFind(id);
    const Extents size = MeshSize(mesh);

    for (const GroundObject& other : groundObjects) {
        if (other.standing == 0) {
            continue;
        }
        const Extents otherSize = MeshSize(other.mesh);
        if (std::fabs(x - other.posX) < (otherSize.x + size.x) * 0.5f &&
            std::fabs(y - other.posY) < (otherSize.y + size.y) * 0.5f) {
            return;
        }
    }

    object.explosionFrame = 0;
    object.explosionTimer = 0.0f;
    object.destroyed = 0;
    object.standing = 1;
    object.posX = x;
    object.posY = y;
    object.meshId = id;
    object.mesh = mesh;
    object.hitPoints = static_cast<float>(80 + RandomNext() % 20);
    object.scoreValue = 50 + RandomNext() % 101;
}

// One step of a destroyed object's explosion; at its end the score and the bonus are paid.
void GroundObjectExplode(GroundObject& object)
{
    const float sizeX = MeshExtent(object.mesh, 0);
    if (object.explosionFrame < kExplosionFrames) {
        object.explosionTimer += frameDelta;
        if (object.explosionTimer > kExplosionFrameTime) {
            ++object.explosionFrame;
            object.explosionTimer = 0.0f;
            SpriteAdd(object.posX, object.posY, object.posZ - 0.5f * sizeX, sizeX, sizeX, 0.1f, object.explosionFrame,
                      1);
        }
    }
    if (object.explosionFrame >= kExplosionFrames) {
        runStats.score = SaturatingAdd(runStats.score, object.scoreValue);
        runStats.buildingKills = SaturatingAdd(runStats.buildingKills, 1);
        if (object.meshId == kMeshTower) {
            player->bombs = player->bombs > kBombCap - 3 ? kBombCap : player->bombs + 3;
        } else if (object.meshId == kMeshHangar01 || object.meshId == kMeshHangar04) {
            if (player->rounds < kRoundsBonusLimit) {
                player->rounds += 100;
            }
        }
        object.standing = 0;
    }
}

}  // namespace

void ScrollAdvance()
{
    camera.prevScrollPos = camera.scrollPos;
    camera.scrollPos += worldSpeed * frameDelta;
}

bool SurfaceBuild()
{
    if (surfaceHead != nullptr) {
        SurfaceFree();
    }
    for (int a = 0; a < kSurfaceSegmentCount; ++a) {
        SurfaceSegment* segment = new (std::nothrow) SurfaceSegment{};
        if (segment == nullptr) {
            return false;
        }
        SurfaceSegment* behind = surfaceTail;
        if (surfaceHead == nullptr) {
            surfaceHead = segment;
        } else {
            behind->next = segment;
            segment->prev = behind;
        }
        surfaceTail = segment;

        segment->frontY = static_cast<float>(a + 1);
        const float backY = segment->frontY - 1.0f;
        for (int j = 0; j < kSurfaceColumns; ++j) {
            const float x = static_cast<float>(j - 20);
            const float u = 0.2f * static_cast<float>(j);
            SurfaceVertex& back = segment->vertices[2 * j];
            if (behind == nullptr) {
                SetVertex(back, x, backY, 5.0f, u, 0.2f * backY);
            } else {
                const SurfaceVertex& behindFront = behind->vertices[2 * j + 1];
                SetVertex(back, behindFront.x, behindFront.y, behindFront.z, u, 0.2f * backY);
            }
            SetVertex(segment->vertices[2 * j + 1], x, segment->frontY, RandomHeight(), u, 0.2f * segment->frontY);
        }
        SegmentChanged(segment);
    }
    return true;
}

void SurfaceScroll()
{
    SurfaceSegment* segment = surfaceHead;
    if (segment != nullptr && segment->frontY - camera.scrollPos < 0.3f) {
        SurfaceSegment* oldTail = surfaceTail;
        const float frontY = oldTail->frontY + 1.0f;
        if (segment != oldTail) {
            surfaceHead = segment->next;
            surfaceHead->prev = nullptr;
            oldTail->next = segment;
            segment->prev = oldTail;
            segment->next = nullptr;
            surfaceTail = segment;
        }
        segment->frontY = frontY;

        for (int j = 0; j < kSurfaceColumns; ++j) {
            SurfaceVertex& back = segment->vertices[2 * j];
            SurfaceVertex& front = segment->vertices[2 * j + 1];
            back.y = oldTail->vertices[2 * j + 1].y;
            back.z = oldTail->vertices[2 * j + 1].z;
            front.y = frontY;
            front.z = RandomHeight();
            for (const GroundObject& object : groundObjects) {
                if (object.standing == 0) {
                    continue;
                }
                if (std::fabs(back.x - object.posX) < MeshExtent(object.mesh, 0) + 1.0f &&
                    std::fabs(back.y - object.posY) < MeshExtent(object.mesh, 1) + 1.0f) {
                    front.z = kGroundBaseZ;
                    break;
                }
            }
        }
        SegmentChanged(segment);
    }
    GroundObjectsUpdate();
}

void GroundObjectsUpdate()
{
    for (GroundObject& object : groundObjects) {
        if (object.posY - camera.scrollPos < -4.0f - MeshExtent(object.mesh, 1)) {
            object.standing = 0;
        }
        if (object.standing == 0 && RandomNext() % 20 == 0) {
            GroundObjectTryPlace(object);
        }
        if (object.standing != 0 && object.destroyed != 0) {
            GroundObjectExplode(object);
        }
    }
}

void SurfaceFree()
{
    SurfaceSegment* segment = surfaceHead;
    while (segment != nullptr) {
        SurfaceSegment* following = segment->next;
        delete segment;
        segment = following;
    }
    surfaceHead = nullptr;
    surfaceTail = nullptr;
}

void GroundObjectsPrepare()
{
    for (GroundObject& object : groundObjects) {
        object.standing = 0;
        object.posZ = kGroundBaseZ;
        object.mesh = MeshFind(kMeshHangar01);
    }
}

void WorldReset()
{
    SurfaceFree();
    for (GroundObject& object : groundObjects) {
        object = GroundObject{};
    }
    worldSpeed = 3.0f;
}
