#include "game/savegame.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console.h"
#include "core/frame.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/fog.h"
#include "game/notice.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "platform/win/little_endian.h"

namespace {

// Largest explosion frame and flight level: stored values above them would index past the explosion
// textures and the level heights, so loading caps them there.
constexpr std::uint8_t kMaxExplosionFrame = 16;
constexpr std::uint8_t kMaxFlightLevel = 2;

// ---- little-endian fields -------------------------------------------------------------------------

// The file's fields, noting whether some float read was an infinity or NaN.
struct SaveReader : LittleEndianReader {
    using LittleEndianReader::LittleEndianReader;
    bool nonFinite = false;

    float F32()
    {
        const float v = LittleEndianReader::F32();
        if (!std::isfinite(v)) {
            nonFinite = true;
        }
        return v;
    }
};

// ---- the stored values, as read, before any of them is applied -----------------------------------

struct SavedPlayer {
    float health, spareScale, relSpeed, bankRate, posX, posZ, relY, pitch, bank, heading;
    std::int32_t bombs, rounds, level, levelKills;
    std::uint8_t targetLevel, currentLevel, explosionFrame, hit, alive;
};

struct SavedEnemy {
    float posX, relY, posZ, pitch, bank, heading, aiTimer, health, moveRate;
    std::int32_t manoeuvre, level;
    std::uint8_t currentLevel, explosionFrame, targetLevel, hit, alive;
};

struct SavedGame {
    float hours, minutes, seconds;
    RunStats stats;
    FogSettings fog;
    SavedPlayer player;
    SavedEnemy enemies[kEnemySlotCount];
    float worldSpeed;
};

std::uint8_t AtMost(std::uint8_t value, std::uint8_t limit)
{
    return value > limit ? limit : value;
}

void WritePlayer(LittleEndianWriter& w, const Aircraft& a, float scrollPos)
{
    w.F32(a.health);
    w.F32(a.spareScale);
    w.F32(a.relSpeed);
    w.F32(a.bankRate);
    w.F32(a.posX);
    w.F32(a.posZ);
    w.F32(a.posY - scrollPos);
    w.F32(a.pitch);
    w.F32(a.bank);
    w.F32(a.heading);
    w.I32(a.bombs);
    w.I32(a.rounds);
    w.I32(a.level);
    w.I32(a.levelKills);
    w.U8(a.targetLevel);
    w.U8(a.currentLevel);
    w.U8(a.explosionFrame);
    w.U8(a.hit);
    w.U8(a.alive);
}

void WriteEnemy(LittleEndianWriter& w, const Aircraft* a, float scrollPos)
{
    if (a == nullptr) {   // no run has made the enemy records yet
        w.Zeros(kSaveEnemySize);
        return;
    }
    w.F32(a->posX);
    w.F32(a->posY - scrollPos);
    w.F32(a->posZ);
    w.F32(a->pitch);
    w.F32(a->bank);
    w.F32(a->heading);
    w.F32(a->aiTimer);
    w.F32(a->health);
    w.F32(a->moveRate);
    w.I32(a->manoeuvre);
    w.I32(a->level);
    w.U8(a->currentLevel);
    w.U8(a->explosionFrame);
    w.U8(a->targetLevel);
    w.U8(a->hit);
    w.U8(a->alive);
}

std::string SaveEncode()
{
    const float scrollPos = camera.scrollPos;
    std::string bytes;
    bytes.reserve(kSaveFileSize);
    LittleEndianWriter w(bytes);
    w.F32(runHours);
    w.F32(runMinutes);
    w.F32(runSeconds);

    w.I32(runStats.shotCount);
    w.I32(runStats.hitCount);
    w.I32(runStats.enemyKills);
    w.I32(runStats.buildingKills);
    w.I32(runStats.reserved);
    w.F32(runStats.accuracy);
    w.I32(runStats.score);
    w.U8(runStats.gameOver);
    w.Zeros(3);

    w.U8(fogSettings.fogTag);
    for (std::uint8_t b : fogSettings.unused1) {
        w.U8(b);
    }
    w.F32(fogSettings.fogStart);
    w.F32(fogSettings.fogEndBase);
    w.F32(fogSettings.fogFactor);
    w.U32(fogSettings.fogColor);
    w.U8(fogSettings.fogEnabled);
    w.U8(fogSettings.fogRising);
    for (std::uint8_t b : fogSettings.unused2) {
        w.U8(b);
    }

    WritePlayer(w, *player, scrollPos);
    for (const Aircraft* enemy : enemySlots) {
        WriteEnemy(w, enemy, scrollPos);
    }
    w.F32(worldSpeed);
    return bytes;
}

void ReadPlayer(SaveReader& r, SavedPlayer& p)
{
    p.health = r.F32();
    p.spareScale = r.F32();
    p.relSpeed = r.F32();
    p.bankRate = r.F32();
    p.posX = r.F32();
    p.posZ = r.F32();
    p.relY = r.F32();
    p.pitch = r.F32();
    p.bank = r.F32();
    p.heading = r.F32();
    p.bombs = r.I32();
    p.rounds = r.I32();
    p.level = r.I32();
    p.levelKills = r.I32();
    p.targetLevel = AtMost(r.U8(), kMaxFlightLevel);
    p.currentLevel = AtMost(r.U8(), kMaxFlightLevel);
    p.explosionFrame = AtMost(r.U8(), kMaxExplosionFrame);
    p.hit = r.U8();
    p.alive = r.U8();
}

void ReadEnemy(SaveReader& r, SavedEnemy& e)
{
    e.posX = r.F32();
    e.relY = r.F32();
    e.posZ = r.F32();
    e.pitch = r.F32();
    e.bank = r.F32();
    e.heading = r.F32();
    e.aiTimer = r.F32();
    e.health = r.F32();
    e.moveRate = r.F32();
    e.manoeuvre = r.I32();
    e.level = r.I32();
    e.currentLevel = AtMost(r.U8(), kMaxFlightLevel);
    e.explosionFrame = AtMost(r.U8(), kMaxExplosionFrame);
    e.targetLevel = AtMost(r.U8(), kMaxFlightLevel);
    e.hit = r.U8();
    e.alive = r.U8();
}

// `bytes` holds exactly kSaveFileSize bytes. False when a stored float is not a finite number: no run
// writes one, and the simulation cannot work with it.
bool SaveDecode(const unsigned char* bytes, SavedGame& g)
{
    SaveReader r(bytes, kSaveFileSize);
    g.hours = r.F32();
    g.minutes = r.F32();
    g.seconds = r.F32();

    g.stats = RunStats{};
    g.stats.shotCount = r.I32();
    g.stats.hitCount = r.I32();
    g.stats.enemyKills = r.I32();
    g.stats.buildingKills = r.I32();
    g.stats.reserved = r.I32();
    g.stats.accuracy = r.F32();
    g.stats.score = r.I32();
    g.stats.gameOver = r.U8();
    r.Skip(3);

    g.fog.fogTag = r.U8();
    for (std::uint8_t& b : g.fog.unused1) {
        b = r.U8();
    }
    g.fog.fogStart = r.F32();
    g.fog.fogEndBase = r.F32();
    g.fog.fogFactor = r.F32();
    g.fog.fogColor = r.U32();
    g.fog.fogEnabled = r.U8();
    g.fog.fogRising = r.U8();
    for (std::uint8_t& b : g.fog.unused2) {
        b = r.U8();
    }

    ReadPlayer(r, g.player);
    for (SavedEnemy& e : g.enemies) {
        ReadEnemy(r, e);
    }
    g.worldSpeed = r.F32();
    return !r.nonFinite && !r.Failed();
}

// Puts the stored values in place. The stored forward positions were relative to the window at the
// time of saving; the new run's window starts at 0, so they are used as they are.
void SaveApply(const SavedGame& g)
{
    runHours = g.hours;
    runMinutes = g.minutes;
    runSeconds = g.seconds;
    runStats = g.stats;
    fogSettings = g.fog;

    Aircraft& a = *player;
    const SavedPlayer& p = g.player;
    a.health = p.health;
    a.spareScale = p.spareScale;
    a.relSpeed = p.relSpeed;
    a.bankRate = p.bankRate;
    a.posX = p.posX;
    a.posZ = p.posZ;
    a.posY = p.relY;
    a.pitch = p.pitch;
    a.bank = p.bank;
    a.heading = p.heading;
    a.bombs = p.bombs;
    a.rounds = p.rounds;
    a.level = p.level;
    a.levelKills = p.levelKills;
    a.targetLevel = p.targetLevel;
    a.currentLevel = p.currentLevel;
    a.explosionFrame = p.explosionFrame;
    a.hit = p.hit;
    a.alive = p.alive;

    for (int i = 0; i < kEnemySlotCount; ++i) {
        Aircraft* enemy = enemySlots[i];
        if (enemy == nullptr) {   // the new run could not allocate this slot
            continue;
        }
        const SavedEnemy& e = g.enemies[i];
        enemy->posX = e.posX;
        enemy->posY = e.relY;
        enemy->posZ = e.posZ;
        enemy->pitch = e.pitch;
        enemy->bank = e.bank;
        enemy->heading = e.heading;
        enemy->aiTimer = e.aiTimer;
        enemy->health = e.health;
        enemy->moveRate = e.moveRate;
        enemy->manoeuvre = e.manoeuvre;
        enemy->level = e.level;
        enemy->currentLevel = e.currentLevel;
        enemy->explosionFrame = e.explosionFrame;
        enemy->targetLevel = e.targetLevel;
        enemy->hit = e.hit;
        enemy->alive = e.alive;
    }
    worldSpeed = g.worldSpeed;
}

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole file into `bytes` (exactly kSaveFileSize bytes); reports every failure but a missing
// file on the console.
ReadResult SaveFileRead(unsigned char (&bytes)[kSaveFileSize])
{
    FileProblem problem = FileProblem::None;
    std::FILE* file = OpenRegularFile(kSaveFileName, "rb", problem);
    if (file == nullptr) {
        if (problem == FileProblem::NotRegular) {
            ConsolePrintf(console, "A mentett játék nem szabályos fájl, nem lehet betölteni! (%s)"_cp, kSaveFileName);
            return ReadResult::Failed;
        }
        if (errno == ENOENT) {
            return ReadResult::Missing;
        }
        ConsolePrintf(console, "A mentett játékot nem lehet megnyitni! (%s)"_cp, kSaveFileName);
        return ReadResult::Failed;
    }
    unsigned char extra = 0;
    const std::size_t got = std::fread(bytes, 1, kSaveFileSize, file);
    const bool longer = got == kSaveFileSize && std::fread(&extra, 1, 1, file) == 1;
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        ConsolePrintf(console, "A mentett játékot nem lehet olvasni! (%s)"_cp, kSaveFileName);
        return ReadResult::Failed;
    }
    if (got != kSaveFileSize || longer) {
        ConsolePrintf(console, "A mentett játék hibás: nem %zu bájt hosszú! (%s)"_cp, kSaveFileSize, kSaveFileName);
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

}  // namespace

bool GameSave()
{
    const std::string bytes = SaveEncode();
    FileProblem problem = FileProblem::None;
    if (!WriteFileReplacing(kSaveFileName, bytes, &problem)) {
        if (problem == FileProblem::WriteProtected) {
            ConsolePrintf(console, "A mentett játék írásvédett, nem lett felülírva! (%s)"_cp, kSaveFileName);
        } else if (problem == FileProblem::NotRegular) {
            ConsolePrintf(console, "A mentett játék nem szabályos fájl, nem lett felülírva! (%s)"_cp, kSaveFileName);
        } else {
            ConsolePrintf(console, "A játékot nem sikerült elmenteni! (%s)"_cp, kSaveFileName);
        }
        return false;
    }
    return true;
}

bool GameLoad()
{
    unsigned char bytes[kSaveFileSize];
    if (SaveFileRead(bytes) != ReadResult::Ok) {
        return false;
    }
    SavedGame saved{};
    if (!SaveDecode(bytes, saved)) {
        ConsolePrintf(console, "A mentett játék hibás: nem véges számot tartalmaz! (%s)"_cp, kSaveFileName);
        return false;
    }

    if (!SpritesEmpty()) {
        SpritesFree();
    }
    if (!RunStart()) {
        return false;
    }
    SaveApply(saved);
    return true;
}

namespace {

bool savedBefore = false;
std::uint32_t lastSaveFrame = 0;

}  // namespace

void SaveCommand()
{
    const bool held = savedBefore && frameSerial == lastSaveFrame + 1;
    savedBefore = true;
    lastSaveFrame = frameSerial;
    if (held) {
        return;
    }
    if (GameSave()) {
        NoticeShow(kNoticeSaved);
    }
}

void SaveCommandReset()
{
    savedBefore = false;
    lastSaveFrame = 0;
}
