#include "game/savegame.h"
#include "../../support/scratch_folder.h"
#include "app/program.h"
#include "core/random.h"
#include "frontend/frontend.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/graphics.h"
#include "console/console.h"
#include "core/frame.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/fog.h"
#include "game/notice.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "game/simulation.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/little_endian.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const char* path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A reader at the 4-byte field at `at`; a field past the end fails the test.
LittleEndianReader FieldAt(const Bytes& b, std::size_t at)
{
    LittleEndianReader r(b.data(), b.size());
    EXPECT_GE(r.Seek(at).Remaining(), 4u) << "no field at " << at;
    return r;
}

std::uint32_t U32At(const Bytes& b, std::size_t at)
{
    return FieldAt(b, at).U32();
}

std::int32_t I32At(const Bytes& b, std::size_t at)
{
    return FieldAt(b, at).I32();
}

float F32At(const Bytes& b, std::size_t at)
{
    return FieldAt(b, at).F32();
}

void PutField(Bytes& b, std::size_t at, const std::string& field)
{
    ASSERT_LE(at + field.size(), b.size()) << "no field at " << at;
    std::copy(field.begin(), field.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    std::string field;
    LittleEndianWriter(field).U32(v);
    PutField(b, at, field);
}

void PutF32(Bytes& b, std::size_t at, float v)
{
    std::string field;
    LittleEndianWriter(field).F32(v);
    PutField(b, at, field);
}

std::size_t EnemyAt(int slot)
{
    return kSaveEnemyOffset + static_cast<std::size_t>(slot) * kSaveEnemySize;
}

// A plausible saved game: every value different, bytes within their ranges, padding zero.
Bytes SampleFile()
{
    Bytes b(kSaveFileSize, 0);
    PutF32(b, 0, 1.0f);
    PutF32(b, 4, 23.0f);
    PutF32(b, 8, 41.25f);
    for (int i = 0; i < 5; ++i) {
        PutU32(b, 12 + 4 * i, 100u + static_cast<std::uint32_t>(i));
    }
    PutF32(b, 32, 0.625f);
    PutU32(b, 36, 4321);
    b[40] = 0;
    b[44] = 2;
    PutF32(b, 48, 3.5f);
    PutF32(b, 52, 19.0f);
    PutF32(b, 56, 2.75f);
    PutU32(b, 60, 0xFF406080u);
    b[64] = 1;
    b[65] = 1;
    for (int i = 0; i < 14; ++i) {   // ten floats, four ints of the player
        if (i < 10) {
            PutF32(b, kSavePlayerOffset + 4 * i, 0.5f + static_cast<float>(i));
        } else {
            PutU32(b, kSavePlayerOffset + 4 * i, 50u + static_cast<std::uint32_t>(i));
        }
    }
    const unsigned char playerBytes[5] = {2, 1, 0, 0, 1};
    std::memcpy(&b[kSavePlayerOffset + 56], playerBytes, 5);
    for (int slot = 0; slot < 12; ++slot) {
        const std::size_t e = EnemyAt(slot);
        for (int i = 0; i < 9; ++i) {
            PutF32(b, e + 4 * i, -4.0f + static_cast<float>(slot) + 0.125f * static_cast<float>(i));
        }
        PutU32(b, e + 36, static_cast<std::uint32_t>(slot % 4));
        PutU32(b, e + 40, static_cast<std::uint32_t>(slot / 3));
        const unsigned char enemyBytes[5] = {static_cast<unsigned char>(slot % 3), static_cast<unsigned char>(slot),
                                             static_cast<unsigned char>(2 - slot % 3),
                                             static_cast<unsigned char>(slot % 2), 1};
        std::memcpy(&b[e + 44], enemyBytes, 5);
    }
    PutF32(b, kSaveWorldSpeedOffset, 3.0f);
    return b;
}

bool ConsoleHasLine(const char* part)
{
    for (const auto& line : console.text) {
        if (std::strstr(line, part) != nullptr) {
            return true;
        }
    }
    return false;
}

class SaveGameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConsoleSetEcho(false);
        device = nullptr;
        ProgramReset();
        pauseFlag = 1;   // new runs then start without their sound loops
    }
    void TearDown() override
    {
        ProgramReset();
        device = nullptr;
        ConsoleSetEcho(true);
    }

    WorkingFolder folder_{"savegame"};
};

// ---- writing -----------------------------------------------------------------------------------

TEST_F(SaveGameTest, LayoutIsFieldByFieldLittleEndianAtTheStatedOffsets)
{
    ASSERT_TRUE(RunStart());
    runHours = 2.0f;
    runMinutes = 14.0f;
    runSeconds = 7.5f;
    runStats = RunStats{11, 7, 3, 2, 0, 0.63636f, -12345, 1};
    fogSettings = FogSettings{2, {0, 0, 0}, 4.0f, 18.0f, 1.5f, 0x80112233u, 1, 0, {0, 0}};
    camera.scrollPos = 10.0f;
    Aircraft& p = *player;
    p.health = 87.5f;
    p.spareScale = 1.0f;
    p.relSpeed = -0.75f;
    p.bankRate = 2.0f;
    p.posX = -1.25f;
    p.posZ = 2.0f;
    p.posY = 12.75f;
    p.pitch = 0.1f;
    p.bank = -0.3f;
    p.heading = 0.05f;
    p.bombs = 42;
    p.rounds = 99850;
    p.level = 3;
    p.levelKills = 9;
    p.targetLevel = 2;
    p.currentLevel = 1;
    p.explosionFrame = 5;
    p.hit = 1;
    p.alive = 1;
    for (int i = 0; i < 12; ++i) {
        Aircraft& e = *enemySlots[i];
        e.posX = static_cast<float>(i) - 6.0f;
        e.posY = 40.0f + static_cast<float>(i);
        e.posZ = 2.8f;
        e.pitch = 0.01f * static_cast<float>(i);
        e.bank = -0.02f * static_cast<float>(i);
        e.heading = 0.5f;
        e.aiTimer = 1.5f + static_cast<float>(i);
        e.health = 8.0f - static_cast<float>(i) * 0.5f;
        e.moveRate = 2.0f;
        e.manoeuvre = i % 4;
        e.level = 100 + i;
        e.currentLevel = static_cast<std::uint8_t>(i % 3);
        e.explosionFrame = static_cast<std::uint8_t>(i);
        e.targetLevel = static_cast<std::uint8_t>((i + 1) % 3);
        e.hit = static_cast<std::uint8_t>(i % 2);
        e.alive = 1;
    }
    worldSpeed = 3.25f;

    ASSERT_TRUE(GameSave());
    const Bytes b = ReadAll(kSaveFileName);
    ASSERT_EQ(b.size(), 721u);

    EXPECT_EQ(F32At(b, 0), 2.0f);
    EXPECT_EQ(F32At(b, 4), 14.0f);
    EXPECT_EQ(F32At(b, 8), 7.5f);
    EXPECT_EQ(I32At(b, 12), 11);
    EXPECT_EQ(I32At(b, 16), 7);
    EXPECT_EQ(I32At(b, 20), 3);
    EXPECT_EQ(I32At(b, 24), 2);
    EXPECT_EQ(I32At(b, 28), 0);
    EXPECT_EQ(F32At(b, 32), 0.63636f);
    EXPECT_EQ(I32At(b, 36), -12345);
    EXPECT_EQ(b[40], 1);
    EXPECT_EQ(b[41] | b[42] | b[43], 0);
    EXPECT_EQ(b[44], 2);
    EXPECT_EQ(b[45] | b[46] | b[47], 0);
    EXPECT_EQ(F32At(b, 48), 4.0f);
    EXPECT_EQ(F32At(b, 52), 18.0f);
    EXPECT_EQ(F32At(b, 56), 1.5f);
    EXPECT_EQ(U32At(b, 60), 0x80112233u);
    EXPECT_EQ(b[60], 0x33);   // little-endian on disk
    EXPECT_EQ(b[64], 1);
    EXPECT_EQ(b[65], 0);
    EXPECT_EQ(b[66] | b[67], 0);

    const std::size_t o = kSavePlayerOffset;
    EXPECT_EQ(F32At(b, o + 0), 87.5f);
    EXPECT_EQ(F32At(b, o + 4), 1.0f);
    EXPECT_EQ(F32At(b, o + 8), -0.75f);
    EXPECT_EQ(F32At(b, o + 12), 2.0f);
    EXPECT_EQ(F32At(b, o + 16), -1.25f);
    EXPECT_EQ(F32At(b, o + 20), 2.0f);
    EXPECT_EQ(F32At(b, 92), 2.75f);   // forward position relative to the window
    EXPECT_EQ(F32At(b, o + 28), 0.1f);
    EXPECT_EQ(F32At(b, o + 32), -0.3f);
    EXPECT_EQ(F32At(b, o + 36), 0.05f);
    EXPECT_EQ(I32At(b, o + 40), 42);
    EXPECT_EQ(I32At(b, o + 44), 99850);
    EXPECT_EQ(I32At(b, o + 48), 3);
    EXPECT_EQ(I32At(b, o + 52), 9);
    EXPECT_EQ(b[o + 56], 2);   // targetLevel before currentLevel
    EXPECT_EQ(b[o + 57], 1);
    EXPECT_EQ(b[o + 58], 5);
    EXPECT_EQ(b[o + 59], 1);
    EXPECT_EQ(b[o + 60], 1);

    for (int i = 0; i < 12; ++i) {
        const std::size_t e = EnemyAt(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(F32At(b, e + 0), static_cast<float>(i) - 6.0f);
        EXPECT_EQ(F32At(b, e + 4), 30.0f + static_cast<float>(i));
        EXPECT_EQ(F32At(b, e + 8), 2.8f);
        EXPECT_EQ(F32At(b, e + 12), 0.01f * static_cast<float>(i));
        EXPECT_EQ(F32At(b, e + 16), -0.02f * static_cast<float>(i));
        EXPECT_EQ(F32At(b, e + 20), 0.5f);
        EXPECT_EQ(F32At(b, e + 24), 1.5f + static_cast<float>(i));
        EXPECT_EQ(F32At(b, e + 28), 8.0f - static_cast<float>(i) * 0.5f);
        EXPECT_EQ(F32At(b, e + 32), 2.0f);
        EXPECT_EQ(I32At(b, e + 36), i % 4);
        EXPECT_EQ(I32At(b, e + 40), 100 + i);
        EXPECT_EQ(b[e + 44], i % 3);         // currentLevel
        EXPECT_EQ(b[e + 45], i);             // explosionFrame
        EXPECT_EQ(b[e + 46], (i + 1) % 3);   // targetLevel
        EXPECT_EQ(b[e + 47], i % 2);
        EXPECT_EQ(b[e + 48], 1);
    }
    EXPECT_EQ(F32At(b, 717), 3.25f);
}

TEST_F(SaveGameTest, SaveBeforeAnyRunWritesZeroEnemyRecords)
{
    player->health = 100.0f;
    ASSERT_TRUE(GameSave());
    const Bytes b = ReadAll(kSaveFileName);
    ASSERT_EQ(b.size(), 721u);
    EXPECT_EQ(F32At(b, kSavePlayerOffset), 100.0f);
    for (std::size_t i = kSaveEnemyOffset; i < kSaveWorldSpeedOffset; ++i) {
        ASSERT_EQ(b[i], 0) << "offset " << i;
    }
    EXPECT_EQ(F32At(b, 717), worldSpeed);
}

TEST_F(SaveGameTest, SaveCommandShowsTheNoticeAndAFailedWriteKeepsTheOldFile)
{
    ASSERT_TRUE(RunStart());
    runStats.score = 500;
    SaveCommand();
    EXPECT_EQ(noticeKind, kNoticeSaved);
    EXPECT_EQ(noticeTimer, 1.5f);
    const Bytes old = ReadAll(kSaveFileName);
    ASSERT_EQ(old.size(), 721u);
    EXPECT_EQ(I32At(old, 36), 500);

    // The new file cannot be written whole: a file-size limit below its size (the program ignores
    // the signal the limit would send, as it does from start-up on).
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit smallLimit = oldLimit;
    smallLimit.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &smallLimit), 0);
    runStats.score = 999;
    noticeTimer = 0.2f;
    EXPECT_FALSE(GameSave());
    EXPECT_TRUE(ConsoleHasLine("avr.sav"));
    EXPECT_EQ(ReadAll(kSaveFileName), old);
    noticeKind = 0;
    SaveCommand();   // a failed save is not announced: its console line tells
    EXPECT_EQ(noticeKind, 0);
    EXPECT_EQ(noticeTimer, 0.2f);
    EXPECT_EQ(ReadAll(kSaveFileName), old);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    std::signal(SIGXFSZ, oldSignal);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        files += entry.is_regular_file();
    }
    EXPECT_EQ(files, 1u) << "a temporary file was left";

    EXPECT_TRUE(GameSave());
    EXPECT_EQ(I32At(ReadAll(kSaveFileName), 36), 999);
}

// ---- reading -----------------------------------------------------------------------------------

TEST_F(SaveGameTest, LoadThenSaveGivesBackTheSameBytes)
{
    const Bytes sample = SampleFile();
    WriteAll(kSaveFileName, sample);
    ASSERT_TRUE(GameLoad());
    ASSERT_EQ(::remove(kSaveFileName), 0);
    ASSERT_TRUE(GameSave());
    const Bytes again = ReadAll(kSaveFileName);
    ASSERT_EQ(again.size(), sample.size());
    for (std::size_t i = 0; i < sample.size(); ++i) {
        EXPECT_EQ(again[i], sample[i]) << "offset " << i;
    }
}

TEST_F(SaveGameTest, LoadStartsARunAndPutsTheValuesBack)
{
    Bytes b = SampleFile();
    PutF32(b, 92, 2.8f);
    PutU32(b, 36, 777);
    b[40] = 1;   // saved after the player's aircraft was lost
    WriteAll(kSaveFileName, b);

    runStats.score = 123456;   // carried over from an earlier run
    camera.scrollPos = 250.0f;
    ASSERT_TRUE(GameLoad());
    EXPECT_EQ(camera.scrollPos, 0.0f);
    EXPECT_EQ(player->posY, 2.8f);   // 2.8 ahead of the new window
    EXPECT_EQ(runStats.score, 777);
    EXPECT_EQ(runStats.gameOver, 1);
    EXPECT_EQ(runHours, 1.0f);
    EXPECT_EQ(runMinutes, 23.0f);
    EXPECT_EQ(runSeconds, 41.25f);
    EXPECT_EQ(fogSettings.fogColor, 0xFF406080u);
    EXPECT_EQ(fogSettings.fogFactor, 2.75f);
    EXPECT_EQ(player->targetLevel, 2);
    EXPECT_EQ(player->currentLevel, 1);
    ASSERT_NE(enemySlots[11], nullptr);
    EXPECT_EQ(enemySlots[11]->explosionFrame, 11);
    EXPECT_EQ(enemySlots[11]->posX, -4.0f + 11.0f);
    EXPECT_EQ(worldSpeed, 3.0f);
    EXPECT_NE(surfaceHead, nullptr);   // the new run's fresh strip
}

TEST_F(SaveGameTest, LoadingTwiceGivesTheSameRunOnNewGround)
{
    WriteAll(kSaveFileName, SampleFile());
    RandomSeed(1);
    ASSERT_TRUE(GameLoad());
    const Aircraft firstPlayer = *player;
    const RunStats firstStats = runStats;
    std::vector<float> firstHeights;
    for (const SurfaceVertex& v : surfaceHead->vertices) {
        firstHeights.push_back(v.z);
    }
    ASSERT_TRUE(GameLoad());
    EXPECT_EQ(player->posY, firstPlayer.posY);
    EXPECT_EQ(player->health, firstPlayer.health);
    EXPECT_EQ(player->rounds, firstPlayer.rounds);
    EXPECT_EQ(runStats.score, firstStats.score);
    EXPECT_EQ(runStats.accuracy, firstStats.accuracy);
    std::vector<float> heights;
    for (const SurfaceVertex& v : surfaceHead->vertices) {
        heights.push_back(v.z);
    }
    EXPECT_NE(heights, firstHeights);
}

TEST_F(SaveGameTest, LoadCommandSwitchesToPlayWithTheLoadedNotice)
{
    WriteAll(kSaveFileName, SampleFile());
    gameState = MainMenu;
    LoadCommand();
    EXPECT_EQ(gameState, Playing);
    EXPECT_EQ(noticeKind, kNoticeLoaded);
    EXPECT_EQ(noticeTimer, 1.5f);
}

TEST_F(SaveGameTest, MissingFileChangesNothingAndPrintsNothing)
{
    runStats.score = 42;
    gameState = MainMenu;
    SpriteAdd(0.0f, 1.0f, 4.0f, 1.0f, 1.0f, 0.1f, 1, 1);
    const std::string lastLine = console.text[kConsoleLines - 1];
    EXPECT_FALSE(GameLoad());
    LoadCommand();
    EXPECT_EQ(runStats.score, 42);
    EXPECT_EQ(gameState, MainMenu);
    EXPECT_EQ(noticeKind, 0);
    EXPECT_FALSE(SpritesEmpty());
    EXPECT_EQ(surfaceHead, nullptr);
    EXPECT_EQ(enemySlots[0], nullptr);
    EXPECT_EQ(lastLine, console.text[kConsoleLines - 1]);
}

TEST_F(SaveGameTest, WrongSizedOrUnreadableFilesAreRefusedWithoutChangingAnything)
{
    const Bytes sample = SampleFile();
    const Bytes shortFile(sample.begin(), sample.end() - 1);
    Bytes longFile = sample;
    longFile.push_back(0);
    runStats.score = 42;
    SpriteAdd(0.0f, 1.0f, 4.0f, 1.0f, 1.0f, 0.1f, 1, 1);

    for (const Bytes& file : {Bytes{}, Bytes(10, 0xFF), shortFile, longFile}) {
        SCOPED_TRACE(file.size());
        WriteAll(kSaveFileName, file);
        ConsoleInit(console);
        LoadCommand();
        EXPECT_TRUE(ConsoleHasLine("avr.sav"));
        EXPECT_EQ(runStats.score, 42);
        EXPECT_EQ(noticeKind, 0);
        EXPECT_EQ(gameState, MainMenu);
        EXPECT_FALSE(SpritesEmpty());
        EXPECT_EQ(surfaceHead, nullptr);
    }

    // A folder where the file should be.
    ASSERT_EQ(::remove(kSaveFileName), 0);
    ASSERT_EQ(::mkdir(kSaveFileName, 0700), 0);
    ConsoleInit(console);
    EXPECT_FALSE(GameLoad());
    EXPECT_TRUE(ConsoleHasLine("avr.sav"));
    EXPECT_EQ(runStats.score, 42);
    EXPECT_EQ(::rmdir(kSaveFileName), 0);
}

TEST_F(SaveGameTest, IndexLikeValuesAreCappedAndTheRestUsedUnchanged)
{
    Bytes b = SampleFile();
    std::memset(&b[kSavePlayerOffset + 56], 0xFF, 5);   // levels, explosion frame, hit, alive
    for (int slot = 0; slot < 12; ++slot) {
        std::memset(&b[EnemyAt(slot) + 44], 0xC8, 5);
        PutU32(b, EnemyAt(slot) + 40, 0x80000000u);   // level: used as it is
    }
    PutU32(b, kSavePlayerOffset + 40, 0xFFFFFFFFu);   // bombs -1
    PutF32(b, kSavePlayerOffset, 3e38f);              // health
    PutF32(b, kSavePlayerOffset + 24, -1e30f);        // far behind
    PutF32(b, 717, 1e6f);
    WriteAll(kSaveFileName, b);

    ASSERT_TRUE(GameLoad());
    EXPECT_EQ(player->targetLevel, 2);
    EXPECT_EQ(player->currentLevel, 2);
    EXPECT_EQ(player->explosionFrame, 16);
    EXPECT_EQ(player->hit, 0xFF);
    EXPECT_EQ(player->alive, 0xFF);
    EXPECT_EQ(player->bombs, -1);
    EXPECT_EQ(player->health, 3e38f);
    EXPECT_EQ(player->posY, -1e30f);
    EXPECT_EQ(worldSpeed, 1e6f);
    for (Aircraft* e : enemySlots) {
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->currentLevel, 2);
        EXPECT_EQ(e->targetLevel, 2);
        EXPECT_EQ(e->explosionFrame, 16);
        EXPECT_EQ(e->hit, 0xC8);
        EXPECT_EQ(e->level, INT32_MIN);
    }

    // The world keeps running on such values.
    pauseFlag = 0;
    frameDelta = 0.016f;
    for (int frame = 0; frame < 50; ++frame) {
        ScrollAdvance();
        SurfaceScroll();
        if (!SpritesEmpty()) {
            SpritesUpdate();
        }
    }
}

TEST_F(SaveGameTest, NonFiniteNumbersAreRefusedWithoutChangingAnything)
{
    // The run clock, the accuracy, the fog, the player's health, an enemy's position, the world speed.
    const std::size_t floats[] = {0, 8, 32, 56, kSavePlayerOffset, EnemyAt(11) + 4, kSaveWorldSpeedOffset};
    runStats.score = 42;
    for (const std::size_t offset : floats) {
        for (const float bad : {std::nanf(""), INFINITY, -INFINITY}) {
            SCOPED_TRACE(testing::Message() << "offset " << offset << ", value " << bad);
            Bytes b = SampleFile();
            PutF32(b, offset, bad);
            WriteAll(kSaveFileName, b);
            ConsoleInit(console);
            gameState = MainMenu;
            LoadCommand();
            EXPECT_TRUE(ConsoleHasLine("avr.sav"));
            EXPECT_EQ(runStats.score, 42);
            EXPECT_EQ(gameState, MainMenu);
            EXPECT_EQ(noticeKind, 0);
            EXPECT_EQ(surfaceHead, nullptr);
        }
    }
}

// Counters at the limits of their type and positions and speeds no run reaches: a loaded file of that
// kind plays on with every operation defined (the sanitizers stop the test at any overflow).
TEST_F(SaveGameTest, CountersSaturateAndHugeValuesStayDefinedInPlay)
{
    Bytes b = SampleFile();
    for (const std::size_t counter : {12, 16, 20, 24, 36}) {   // shots, hits, kills, buildings, score
        PutU32(b, counter, 0x7FFFFFFFu);
    }
    PutU32(b, kSavePlayerOffset + 40, 0x80000000u);   // bombs: the lowest int, and still "not empty"
    PutU32(b, kSavePlayerOffset + 44, 0x80000000u);   // rounds
    PutU32(b, kSavePlayerOffset + 48, 0x7FFFFFFFu);   // level
    PutU32(b, kSavePlayerOffset + 52, 9u);            // the next kill raises the level
    PutF32(b, kSavePlayerOffset + 16, 3e38f);         // x far outside the window
    const unsigned char alive[5] = {0, 0, 0, 0, 1};
    std::memcpy(&b[kSavePlayerOffset + 56], alive, 5);
    for (int slot = 0; slot < 12; ++slot) {
        PutU32(b, EnemyAt(slot) + 40, 0x7FFFFFFFu);
        PutF32(b, EnemyAt(slot), slot % 2 == 0 ? 3e38f : -3e38f);
    }
    PutF32(b, kSaveWorldSpeedOffset, 1e12f);
    WriteAll(kSaveFileName, b);
    ASSERT_TRUE(GameLoad());

    pauseFlag = 0;
    frameDelta = 0.05f;
    for (int frame = 0; frame < 100; ++frame) {
        player->wantFire = 1;
        player->wantBomb = 1;
        SimulationStep();
    }
    EXPECT_EQ(runStats.shotCount, INT32_MAX);
    EXPECT_EQ(runStats.score, INT32_MAX);
    EXPECT_EQ(player->rounds, INT32_MIN);
    EXPECT_EQ(player->bombs, INT32_MIN);
    EXPECT_EQ(player->level, INT32_MAX);

    // The engine's pitch stays where the audio library takes it; positional sound stays in range.
    EXPECT_EQ(EngineFrequency(1e12f), 100000);
    EXPECT_EQ(EngineFrequency(-1e12f), 100);
    EXPECT_EQ(EngineFrequency(std::nanf("")), 30000);
    EXPECT_EQ(EngineFrequency(3.0f), 48000);
}

}  // namespace
