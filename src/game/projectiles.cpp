#include "game/projectiles.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include "core/frame.h"
#include "core/random.h"
#include "game/camera.h"
#include "game/feedback.h"
#include "game/run_stats.h"
#include "game/saturating.h"
#include "game/world.h"
#include "platform/bass/bass.h"
#include "platform/win/clock.h"
#include "resources/mesh_lookup.h"
#include "resources/resources.h"
#include "resources/sound.h"

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kEnemyBulletFactor = 0.7f;
constexpr float kGravity = 9.81f;
constexpr int kSirenChance = 8;
constexpr DWORD kSirenFadeMs = 18000;

constexpr const char* kHitSounds[6] = {
    "sound\\talalat1.wav", "sound\\talalat2.wav", "sound\\talalat3.wav",
    "sound\\talalat4.wav", "sound\\talalat5.wav", "sound\\talalat6.wav",
};

void PlayPositional(const char* name, const Projectile* p, int base)
{
    SoundPlay(name, false);
    SoundSetAttributes(name, -1, PositionalVolume(p, base), PositionalPan(p));
}

float PlanarDistance(float ax, float ay, float bx, float by)
{
    const float dx = ax - bx;
    const float dy = ay - by;
    return std::sqrt(dx * dx + dy * dy);
}

// A player's bullet may pass several enemies in one frame and hits each of them.
void PlayerBulletUpdate(Projectile* p, float dt)
{
    p->posY += std::cos(p->heading) * (worldSpeed + p->speed) * dt;
    p->posX += std::sin(p->heading) * (p->speed + worldSpeed) * dt;
    for (Aircraft* enemy : enemySlots) {
        if (enemy == nullptr || enemy->alive == 0 || enemy->hit != 0) {
            continue;
        }
        if (PlanarDistance(p->posX, p->posY, enemy->posX, enemy->posY) < kHitDistance && p->posZ == enemy->posZ) {
            PlayPositional(HitSoundName(RandomNext() % 11), p, 25);
            runStats.hitCount = SaturatingAdd(runStats.hitCount, 1);
            enemy->health -= EnemyHitDamage(p->damage, player->level, enemy->level);
            if (enemy->health <= 0.0f) {
                PlayPositional(kAircraftExplosionSound, p, 25);
                enemy->hit = 1;
            }
            p->active = 0;
        }
    }
}

// Enemy bullets keep hitting an exploding player; its health stays at 0.
void EnemyBulletUpdate(Projectile* p, float dt)
{
    p->posY -= dt * p->speed * kEnemyBulletFactor;
    if (PlanarDistance(p->posX, p->posY, player->posX, player->posY) < kHitDistance && p->posZ == player->posZ) {
        // Every enemy shares the level of slot 0; before the first run there is no enemy record.
        const std::int32_t enemyLevel = enemySlots[0] != nullptr ? enemySlots[0]->level : 0;
        player->health -= PlayerHitDamage(p->damage, player->level, enemyLevel);
        if (player->health < 0.0f) {
            player->health = 0.0f;
        }
        SoundPlay(HitSoundName(RandomNext() % 11), false);
        ++feedbackEvents.playerHits;
        if (player->health <= 0.0f) {
            player->hit = 1;
            SoundPlay(kAircraftExplosionSound, false);
            feedbackEvents.playerDestroyed = true;
        }
        p->active = 0;
    }
}

void SirenStart()
{
    SoundStop(kSirenSound);
    SoundSetAttributes(kSirenSound, -1, 100, -101);
    SoundPlay(kSirenSound, false);
    const ResourceEntry* entry = ResourceFind(kSirenSound);
    if (entry != nullptr && entry->stream != 0) {
        BASS_ChannelSlideAttributes(entry->stream, -1, 0, -101, kSirenFadeMs);
    }
}

void GroundObjectDestroyed(GroundObject& object, const Projectile* p)
{
    object.destroyed = 1;
    ++feedbackEvents.explosions;
    PlayPositional(RandomNext() % 2 != 0 ? "sound\\robban_epulet1.wav" : "sound\\robban_epulet2.wav", p, 50);
    SoundStop(kBombFallSound);
    player->bombTimer = 0.1f;
    RandomSeed(static_cast<unsigned>(ClockCalendarTime()));
    if (RandomNext() % kSirenChance == 1) {
        SirenStart();
    }
}

void BombUpdate(Projectile* p, float dt)
{
    p->speed += kGravity * dt;
    p->posZ += p->speed * dt;
    p->posY += worldSpeed * dt;
    if (p->posZ > kGroundDepth) {
        PlayPositional(RandomNext() % 2 != 0 ? "sound\\robban_bomba1.wav" : "sound\\robban_bomba2.wav", p, 25);
        ++feedbackEvents.explosions;
        SoundStop(kBombFallSound);
        p->active = 0;
        return;
    }
    for (GroundObject& object : groundObjects) {
        if (object.standing == 0 || !BombInsideBox(p, object.posX, object.posY, object.posZ, MeshExtent(object.mesh, 0),
                                                   MeshExtent(object.mesh, 1), MeshExtent(object.mesh, 2))) {
            continue;
        }
        object.hitPoints -= p->damage;
        if (object.hitPoints <= 0.0f) {
            GroundObjectDestroyed(object, p);
        }
        p->active = 0;
    }
}

}  // namespace

Projectile* projectileHead = nullptr;

const char* HitSoundName(int draw)
{
    if (draw <= 0) {
        return kHitSounds[0];
    }
    if (draw >= 10) {
        return kHitSounds[5];
    }
    return kHitSounds[(draw + 1) / 2];
}

int PositionalVolume(const Projectile* projectile, int base)
{
    return SaturatingInt(2.0 * (base - static_cast<double>(SaturatingInt(projectile->posY - player->posY))));
}

int PositionalPan(const Projectile* projectile)
{
    return SaturatingInt(20.0 * SaturatingInt(projectile->posX));
}

float EnemyHitDamage(float damage, std::int32_t playerLevel, std::int32_t enemyLevel)
{
    return (1.0f + 0.2f * static_cast<float>(playerLevel)) * damage / (1.0f + 0.1f * static_cast<float>(enemyLevel));
}

float PlayerHitDamage(float damage, std::int32_t playerLevel, std::int32_t enemyLevel)
{
    return (1.0f + 0.1f * static_cast<float>(enemyLevel)) / (1.0f + 0.2f * static_cast<float>(playerLevel)) * damage;
}

bool BombInsideBox(const Projectile* bomb, float objectX, float objectY, float objectZ, float sizeX, float sizeY,
                   float sizeZ)
{
    return objectX - sizeX / 2.0f < bomb->posX && bomb->posX < objectX + sizeX / 2.0f &&
           objectY - sizeY / 2.0f < bomb->posY && bomb->posY < objectY + sizeY / 2.0f && bomb->posZ >= objectZ - sizeZ;
}

void ProjectileSpawn(Aircraft* shooter, int kind)
{
    Projectile* p = new (std::nothrow) Projectile{};
    if (p == nullptr) {
        return;
    }
    p->next = nullptr;
    p->active = 1;
    if (kind == kProjectileGun) {
        p->speed = kBulletSpeed;
        p->damage = kBulletDamage;
        p->posY =
            shooter == player ? shooter->posY + shooter->propellerOffset : shooter->posY - shooter->propellerOffset;
    } else if (kind == kProjectileBomb) {
        p->speed = 1.0f;
        p->damage = kBombDamage;
        p->posY = shooter->posY;
    }
    p->side = shooter->side;
    p->kind = static_cast<std::uint8_t>(kind);
    p->posX = shooter->posX;
    p->posZ = shooter->posZ;
    p->pitch = shooter->pitch;
    p->bank = shooter->bank;
    p->heading = shooter->heading + static_cast<float>(RandomNext() % 41 - 20) * kDegreesToRadians * 0.025f;
    p->next = projectileHead;
    projectileHead = p;
}

void ProjectileUpdate(Projectile* p)
{
    const float dt = frameDelta;
    if (p->kind == kProjectileGun) {
        if (p->side == kSidePlayer) {
            PlayerBulletUpdate(p, dt);
        } else if (p->side == kSideEnemy) {
            EnemyBulletUpdate(p, dt);
        }
        if (std::fabs(p->posY - camera.scrollPos) > kBulletRange) {
            p->active = 0;
        }
    } else if (p->kind == kProjectileBomb) {
        BombUpdate(p, dt);
    }
}

void ProjectilesUpdate()
{
    Projectile** link = &projectileHead;
    while (*link != nullptr) {
        Projectile* p = *link;
        if (p->active != 0) {
            ProjectileUpdate(p);
            link = &p->next;
        } else {
            *link = p->next;
            delete p;
        }
    }
}

void ProjectilesFree()
{
    while (projectileHead != nullptr) {
        Projectile* next = projectileHead->next;
        delete projectileHead;
        projectileHead = next;
    }
}

int ProjectileCount()
{
    int count = 0;
    for (const Projectile* p = projectileHead; p != nullptr; p = p->next) {
        ++count;
    }
    return count;
}
