// The aircraft record shared by the player and the twelve enemies.
#pragma once

#include <cstdint>

struct MeshEntry;

inline constexpr int kEnemySlotCount = 12;
inline constexpr int kAircraftMeshParts = 7;

struct Aircraft {
    float posX;
    float posY;
    float posZ;
    float pitch;
    float bank;
    float heading;
    float relSpeed;
    float maxRelSpeed;
    float spareScale;
    float bankRate;
    float moveRate;
    std::uint8_t wantForward;
    std::uint8_t wantBackward;
    std::uint8_t wantLeft;
    std::uint8_t wantRight;
    std::uint8_t wantUp;
    std::uint8_t wantDown;
    std::uint8_t targetLevel;
    std::uint8_t currentLevel;
    float gunInterval;
    float gunTimer;
    float bombInterval;
    float bombTimer;
    std::int32_t rounds;
    std::int32_t bombs;
    std::uint8_t wantFire;
    std::uint8_t wantBomb;
    std::uint8_t kind;       // 1 player, 2 enemy
    std::uint8_t side;       // 1 the player's shots, 10 the enemies'
    std::uint8_t alive;
    std::uint8_t hit;
    std::uint8_t explosionFrame;
    float explosionTimer;
    float health;
    float propellerOffset;
    float propellerSpeed;
    float propellerAngle;
    float tailOffset;
    float partOffsetAX;
    float partOffsetAY;
    float partOffsetBX;
    float partOffsetBY;
    float aiTimer;
    std::int32_t manoeuvre;
    std::int32_t level;
    std::int32_t levelKills;
    MeshEntry* meshes[kAircraftMeshParts];
};

// The player's aircraft: one record for the whole program.
extern Aircraft* player;
// The enemies: null until the first run allocates them, then reused.
extern Aircraft* enemySlots[kEnemySlotCount];

// Sets the fields for a new life: kind 1 player, 2 enemy; side 1 the player's, 10 the enemies';
// level 0, 1 or 2 (the flight level).
void AircraftInit(Aircraft* aircraft, std::uint8_t kind, std::uint8_t side, std::uint8_t level);
// One frame of the player: flight, weapons, death sequence, propeller.
void PlayerUpdate(Aircraft* aircraft);
void PlayerFlightUpdate(Aircraft* aircraft);
// Fire and bomb requests into projectiles (player and enemies).
void AircraftWeaponsUpdate(Aircraft* aircraft);
// The explosion sequence of a destroyed aircraft.
void AircraftDeathUpdate(Aircraft* aircraft);

// Flight commands: each sets one request flag of the player's aircraft for the coming frame.
void FlyForwardCommand();    // elore, forward
void FlyBackwardCommand();   // hatra, backward
void FlyLeftCommand();       // balra, left
void FlyRightCommand();      // jobbra, right
void FlyUpCommand();         // emelkedik, up
void FlyDownCommand();       // sulyed, down
void FireCommand();          // tuzel, fire
void BombCommand();          // bombaz, bombing
