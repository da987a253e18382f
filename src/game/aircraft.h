// The aircraft record shared by the player and the twelve enemies.
#pragma once

#include <cstdint>

struct MeshEntry;

inline constexpr int kEnemySlotCount = 12;
inline constexpr int kAircraftMeshParts = 7;

inline constexpr std::uint8_t kAircraftPlayer = 1;
inline constexpr std::uint8_t kAircraftEnemy = 2;
inline constexpr std::uint8_t kSidePlayer = 1;
inline constexpr std::uint8_t kSideEnemy = 10;

// Heights of the three flight levels (z grows downward; level 2 is nearest the camera).
inline constexpr float kLevelHeight[3] = {2.8f, 2.0f, 1.0f};
// The largest bank in either direction, 0.42 pi.
inline constexpr float kBankLimit = 1.3194689f;
// Lateral half width of the window, and the nearest and farthest the player may be ahead of scrollPos.
inline constexpr float kWindowHalfWidth = 2.2f;
inline constexpr float kWindowBack = 0.2f;
inline constexpr float kWindowFront = 2.8f;
// Explosion frames of an aircraft or a ground object, and the time between two of them.
inline constexpr int kExplosionFrames = 16;
inline constexpr float kExplosionFrameTime = 0.04f;

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

// The engine sound's frequency in Hz for a scroll speed: 30000 + 6000 per unit of speed.
int EngineFrequency(float speed);
// Back to the state at program start: the player's record zeroed, the enemy records released and
// their slots emptied (tests).
void AircraftStateReset();

inline constexpr const char* kAircraftExplosionSound = "sound\\robban_repulo.wav";
inline constexpr const char* kGunSound = "sound\\tuzel.wav";
inline constexpr const char* kBombFallSound = "sound\\bombaz.wav";

// Flight commands: each sets one request flag of the player's aircraft for the coming frame.
// What the flight commands asked of the player since a simulation step last took it: the one-frame
// flight flags. Each step of a frame flies with them (SimulationAdvance); what the steps leave
// unused stays for the next frame, as the aircraft's own flags would.
struct FlightControls {
    std::uint8_t forward, backward, left, right, up, down, fire, bomb;
};
extern FlightControls playerControls;

void FlyForwardCommand();    // elore, forward
void FlyBackwardCommand();   // hatra, backward
void FlyLeftCommand();       // balra, left
void FlyRightCommand();      // jobbra, right
void FlyUpCommand();         // emelkedik, up
void FlyDownCommand();       // sulyed, down
void FireCommand();          // tuzel, fire
void BombCommand();          // bombaz, bombing
