#include "app/attract.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "app/run_script.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "core/input.h"
#include "core/random.h"
#include "game/aircraft.h"
#include "game/attract.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/feedback.h"
#include "game/fog.h"
#include "game/notice.h"
#include "game/pause.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/simulation.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/codepage.h"
#include "render/render.h"
#include "resources/resources.h"
#include "resources/sound.h"

namespace {

constexpr float kReturnDelay = 0.5f;

std::uint32_t idleMs = 0;
bool scriptRead = false;
bool scriptUsable = false;
RunScript demo;
std::size_t cursor = 0;       // the instruction of the next frame
unsigned framesLeft = 0;      // frames left of that instruction

// What the demo must give back as it found it: the random sequence, the world and the records a
// run leaves behind (a run started afterwards takes its scroll position and builds on them), the
// statistics and the notice.
struct Kept {
    RandomState random;
    Camera camera;
    FogSettings fog;
    float worldSpeed;
    GroundObject groundObjects[kGroundObjectCount];
    bool hasPlayer;
    Aircraft player;
    bool hasEnemy[kEnemySlotCount];
    Aircraft enemies[kEnemySlotCount];
    RunStats runStats;
    float runHours;
    float runMinutes;
    float runSeconds;
    float difficultyTimer;
    std::uint8_t noticeKind;
    float noticeTimer;
};
Kept kept{};

void Keep()
{
    kept.random = RandomSave();
    kept.camera = camera;
    kept.fog = fogSettings;
    kept.worldSpeed = worldSpeed;
    std::copy(std::begin(groundObjects), std::end(groundObjects), std::begin(kept.groundObjects));
    kept.hasPlayer = player != nullptr;
    if (player != nullptr) {
        kept.player = *player;
    }
    for (int i = 0; i < kEnemySlotCount; ++i) {
        kept.hasEnemy[i] = enemySlots[i] != nullptr;
        if (enemySlots[i] != nullptr) {
            kept.enemies[i] = *enemySlots[i];
        }
    }
    kept.runStats = runStats;
    kept.runHours = runHours;
    kept.runMinutes = runMinutes;
    kept.runSeconds = runSeconds;
    kept.difficultyTimer = difficultyTimer;
    kept.noticeKind = noticeKind;
    kept.noticeTimer = noticeTimer;
}

// The kept state back; the demo's projectiles and explosions go with it.
void GiveBack()
{
    ProjectilesFree();
    SpritesFree();
    RandomRestore(kept.random);
    camera = kept.camera;
    fogSettings = kept.fog;
    worldSpeed = kept.worldSpeed;
    std::copy(std::begin(kept.groundObjects), std::end(kept.groundObjects), std::begin(groundObjects));
    if (kept.hasPlayer && player != nullptr) {
        *player = kept.player;
    }
    for (int i = 0; i < kEnemySlotCount; ++i) {
        if (enemySlots[i] == nullptr) {
            continue;
        }
        if (kept.hasEnemy[i]) {
            *enemySlots[i] = kept.enemies[i];
        } else {
            // A slot no run had made yet: gone again, so the next run makes it afresh.
            delete enemySlots[i];
            enemySlots[i] = nullptr;
        }
    }
    runStats = kept.runStats;
    runHours = kept.runHours;
    runMinutes = kept.runMinutes;
    runSeconds = kept.runSeconds;
    difficultyTimer = kept.difficultyTimer;
    noticeKind = kept.noticeKind;
    noticeTimer = kept.noticeTimer;
}

bool AnyKeyDown()
{
    for (std::uint8_t key : inputState.keyState) {
        if ((key & 0x80) != 0) {
            return true;
        }
    }
    return false;
}

// Reads and checks the demo script once: a seed, then frames.
bool DemoScriptReady()
{
    if (scriptRead) {
        return scriptUsable;
    }
    scriptRead = true;
    const ResourceEntry* entry = ResourceFind(kDemoScriptName);
    std::string bytes;
    std::string error;
    if (entry == nullptr || !ResourceBytes(*entry, bytes) || !RunScriptParse(bytes, demo, error) ||
        demo.instructions.empty() || demo.instructions.front().kind != RunInstruction::Seed) {
        ConsolePrintf(console, "A bemutató nem indítható: %s"_cp,
                      entry == nullptr ? kDemoScriptName
                      : error.empty()  ? "hibás fájl"_cp
                                       : error.c_str());
        return scriptUsable = false;
    }
    return scriptUsable = true;
}

// The next frame instruction of the demo, or null at its end.
const RunInstruction* NextFrames()
{
    while (framesLeft == 0) {
        if (++cursor >= demo.instructions.size()) {
            return nullptr;
        }
        if (demo.instructions[cursor].kind == RunInstruction::Frames) {
            framesLeft = demo.instructions[cursor].count;
        }
    }
    --framesLeft;
    return &demo.instructions[cursor];
}

bool AttractStart()
{
    if (!DemoScriptReady()) {
        return false;
    }
    Keep();
    RandomSeed(demo.instructions.front().seed);
    cursor = 0;
    framesLeft = 0;
    gameState = Playing;
    pauseFlag = 0;
    attractPlaying = true;
    if (!RunStart()) {
        AttractStop();
        return false;
    }
    playerControls = FlightControls{};
    FeedbackTake();
    return true;
}

}  // namespace

bool AttractMenuFrame(std::uint32_t frameMilliseconds)
{
    if (AnyKeyDown() || console.open != 0 || pauseFlag != 0 || VarGetInt("j_bemutato") == 0) {
        idleMs = 0;
        return false;
    }
    idleMs += frameMilliseconds;
    if (idleMs < kAttractIdleMs) {
        return false;
    }
    idleMs = 0;
    return AttractStart();
}

bool AttractFrame()
{
    const RunInstruction* frames = AnyKeyDown() ? nullptr : NextFrames();
    if (frames == nullptr) {
        AttractStop();
        return true;
    }
    // The keys of the default bindings drive the controls directly, whatever the player bound, so
    // that no binding of the player's runs during the demo.
    for (std::uint8_t code : frames->keys) {
        switch (code) {
        case DIK_UP: playerControls.forward = 1; break;
        case DIK_DOWN: playerControls.backward = 1; break;
        case DIK_LEFT: playerControls.left = 1; break;
        case DIK_RIGHT: playerControls.right = 1; break;
        case DIK_A: playerControls.up = 1; break;
        case DIK_Z: playerControls.down = 1; break;
        case DIK_SPACE: playerControls.fire = 1; break;
        case DIK_LCONTROL: playerControls.bomb = 1; break;
        default: break;
        }
    }
    const SimulationOutcome outcome = SimulationAdvance(frames->milliseconds, playerControls, false);
    FeedbackTake();   // the demo's hits are nobody's: no rumble
    const HRESULT drawn = SceneRender();
    if (outcome == SimulationOutcome::RunOver) {
        AttractStop();
    }
    return SUCCEEDED(drawn);
}

void AttractStop()
{
    if (!attractPlaying) {
        return;
    }
    attractPlaying = false;
    RunPause();   // the run's loops fall silent
    pauseFlag = 0;
    SoundStop(kSirenSound);   // a building the demo brought down may have started it
    gameState = MainMenu;
    playerControls = FlightControls{};
    FeedbackTake();
    GiveBack();
    CameraSetMenu();
    // The key that ended the demo does not also act in the menu.
    keyDelayTimer = kReturnDelay;
    idleMs = 0;
}

void AttractReset()
{
    attractPlaying = false;
    idleMs = 0;
    scriptRead = false;
    scriptUsable = false;
    demo = RunScript{};
    cursor = 0;
    framesLeft = 0;
}
