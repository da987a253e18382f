// Bullets and bombs in flight, their hits, and the run statistics they change.
#pragma once

#include <cstdint>

#include "game/aircraft.h"

// Projectile kinds: the letters 'd' (bullet) and 'e' (bomb); the renderer picks the mesh by them.
inline constexpr int kProjectileGun = 'd';
inline constexpr int kProjectileBomb = 'e';

inline constexpr float kBulletSpeed = 15.0f;
inline constexpr float kBulletDamage = 1.5f;
inline constexpr float kBombDamage = 100.0f;
inline constexpr float kBulletRange = 30.0f;
inline constexpr float kHitDistance = 0.2f;
// A bomb has reached the sea or the ground below this depth.
inline constexpr float kGroundDepth = 5.0f;
// The air-raid siren a fallen building may start (faded out over 18 s).
inline constexpr const char* kSirenSound = "sound\\legiriado.mp3";

struct Projectile {
    float posX;
    float posY;
    float posZ;
    float pitch;
    float bank;
    float heading;
    float speed;          // bullet: forward speed; bomb: falling speed
    std::uint8_t side;    // the shooter's side
    std::uint8_t kind;    // kProjectileGun or kProjectileBomb
    float damage;
    std::uint8_t active;  // 0: removed by the next ProjectilesUpdate
    Projectile* next;
};

// The newest projectile; the list runs from the newest to the oldest.
extern Projectile* projectileHead;

// A new projectile at the shooter's gun or bomb bay, in front of the list; skipped when no memory is left.
void ProjectileSpawn(Aircraft* shooter, int kind);
// Updates every active projectile and frees the ones deactivated in an earlier frame.
void ProjectilesUpdate();
// Movement and hits of one projectile for this frame.
void ProjectileUpdate(Projectile* projectile);
void ProjectilesFree();
// Number of projectiles in the list, active or not.
int ProjectileCount();

// The hit sound for one draw of rand() mod 11.
const char* HitSoundName(int draw);
// Attributes of a sound placed where a projectile is: louder the nearer it is ahead of the player
// (base 25 or 50), panned by its lateral position.
int PositionalVolume(const Projectile* projectile, int base);
int PositionalPan(const Projectile* projectile);
// Damage of one bullet hit on an enemy, and of one enemy bullet hit on the player.
float EnemyHitDamage(float damage, std::int32_t playerLevel, std::int32_t enemyLevel);
float PlayerHitDamage(float damage, std::int32_t playerLevel, std::int32_t enemyLevel);
// A bomb inside a ground object's box: strictly within the x and y extents centred on the object,
// and no higher than the object's top (its base minus its height; z grows downward).
bool BombInsideBox(const Projectile* bomb, float objectX, float objectY, float objectZ, float sizeX, float sizeY,
                   float sizeZ);
