// A run with the default content: fly, fire, bomb, save with the bound key, and a load -> save round
// trip, checked through avr.sav.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "../support/game_folder.h"
#include "screenshot.h"

namespace {

class SaveRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!folder_.CopyDefaultContent()) {
            GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
        }
    }

    int Run(const std::string& script) const
    {
        folder_.Write("run.txt", script);
        return folder_.Run("--headless --input run.txt");
    }

    std::string Read(const std::string& name) const { return folder_.Read(name); }
    void Write(const std::string& name, const std::string& bytes) const { folder_.Write(name, bytes); }
    Image Shot(const std::string& name) const { return LoadImage(folder_.Path(name)); }
    static float Float(const std::string& bytes, std::size_t offset) { return LittleFloat(bytes, offset); }
    static std::int32_t Int(const std::string& bytes, std::size_t offset) { return LittleInt(bytes, offset); }

    GameFolder folder_{"save"};
};

}  // namespace

TEST_F(SaveRunTest, FlyFireBombThenSaveWithTheBoundKey)
{
    // ENTER starts a new game; then climb, turn, fire and bomb; F5 saves.
    ASSERT_EQ(Run("seed 3\n5 20\n1 20 ENTER\n30 20\n20 20 a\n40 20 LEFT SPACE\n10 20 LCONTROL\n30 20\n"
                  "1 20 F5\n5 20\n"),
              0)
        << Read("stderr.txt");
    std::string save = Read("avr.sav");
    ASSERT_EQ(save.size(), 721u);

    // Run clock: about 3.3 s of play at the save.
    EXPECT_FLOAT_EQ(Float(save, 0), 0.0f);
    EXPECT_FLOAT_EQ(Float(save, 4), 0.0f);
    EXPECT_GT(Float(save, 8), 2.5f);
    EXPECT_LT(Float(save, 8), 4.0f);
    // Shots fired: one every 0.08 s while SPACE was held for 0.8 s, counted in the statistics.
    EXPECT_GE(Int(save, 12), 8);
    EXPECT_LE(Int(save, 12), 11);
    EXPECT_EQ(save[40], 0) << "the run is not over";
    // The fog of a new run.
    EXPECT_EQ(save[44], 2);
    EXPECT_FLOAT_EQ(Float(save, 52), 20.0f);
    EXPECT_EQ(static_cast<unsigned char>(save[64]), 1);
    // The player: full health, and the world speed within its limits.
    EXPECT_FLOAT_EQ(Float(save, 68), 100.0f);
    EXPECT_GE(Float(save, 717), 2.0f);
    EXPECT_LE(Float(save, 717), 4.0f);
}

TEST_F(SaveRunTest, LoadThenSaveGivesBackTheSameFile)
{
    ASSERT_EQ(Run("seed 9\n5 20\n1 20 ENTER\n60 20 SPACE RIGHT\n1 20 F5\n5 20\n"), 0) << Read("stderr.txt");
    std::string first = Read("avr.sav");
    ASSERT_EQ(first.size(), 721u);

    // Pause first (once the key delay of the menu's ENTER has run out), so nothing moves between the
    // load and the save.
    ASSERT_EQ(Run("seed 9\n5 20\n1 20 ENTER\n40 20\n1 20 p\n30 20\n1 20 F9\n30 20\n1 20 F5\n5 20\n"), 0)
        << Read("stderr.txt");
    EXPECT_EQ(Read("avr.sav"), first);
}

// The HUD's numbers at the widest values the game shows (a long run's clock, five-digit rounds and
// kills, the bomb cap, a four-digit level) stay inside the dark fields of the HUD picture: from every
// yellow text pixel of the band, the first pixel that is not text on either side is the field's own
// dark colour, or the screen's edge (the positions of five digits reach it).
TEST_F(SaveRunTest, TheWidestValuesStayInsideTheirHudFields)
{
    ASSERT_EQ(Run("seed 4\n5 16\n1 16 ENTER\n20 16\n1 16 F5\n2 16\n"), 0) << Read("stderr.txt");
    std::string save = Read("avr.sav");
    ASSERT_EQ(save.size(), 721u);
    auto put = [&save](std::size_t offset, auto value) { std::memcpy(&save[offset], &value, 4); };
    put(0, 99.0f);   // 99:59:59
    put(4, 59.0f);
    put(8, 59.5f);
    put(20, std::int32_t{99999});   // kills
    put(108, std::int32_t{99});      // bombs, rounds, level
    put(112, std::int32_t{99899});
    put(116, std::int32_t{9999});
    Write("avr.sav", save);
    ASSERT_EQ(Run("seed 4\n5 16\n1 16 ENTER\n20 16\n1 16 F9\n2 16\nshot hud.png\n"), 0) << Read("stderr.txt");

    const Image shot = Shot("hud.png");
    ASSERT_EQ(shot.width, 800);
    auto text = [&shot](int x, int y) {
        const unsigned char* p = shot.At(x, y);
        return p[0] > 40 && p[2] * 10 < p[0] * 6;
    };
    auto field = [&shot](int x, int y) {
        const unsigned char* p = shot.At(x, y);
        return p[0] < 45 && p[1] < 45 && p[2] < 45;   // the panels around are lighter
    };
    int yellow = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            if (x == 120) {
                x = 680;   // the panels at both edges; the notice of the load is yellow too
            }
            const unsigned char* p = shot.At(x, y);
            if (!(p[0] > 200 && p[1] > 200 && p[2] < 120)) {
                continue;
            }
            ++yellow;
            int left = x;
            while (left > 0 && text(left, y)) {
                --left;
            }
            int right = x;
            while (right < shot.width - 1 && text(right, y)) {
                ++right;
            }
            ASSERT_TRUE(field(left, y) || left == 0) << "text at " << x << ", " << y << " leaves its field on the left";
            ASSERT_TRUE(field(right, y) || right == shot.width - 1)
                << "text at " << x << ", " << y << " leaves its field on the right";
        }
    }
    EXPECT_GT(yellow, 150) << "the HUD's numbers are missing";
}

// A collision when the next kill is the tenth of the level, in the real game: the player and the enemy
// explode together, and in the frame their explosions end the kill is counted (level up, the health
// bonus of the new level, the score) and the run is over. F5 held saves the state every frame.
TEST_F(SaveRunTest, ACollisionAtTheTenthKillRaisesTheLevelAndEndsTheRunInOneFrame)
{
    Write("exec.vrs", Read("exec.vrs") + "set g_hosszusag 320\nset g_magassag 240\n");
    ASSERT_EQ(Run("seed 7\n5 16\n1 16 ENTER\n20 16\n1 16 F5\n2 16\n"), 0) << Read("stderr.txt");
    std::string save = Read("avr.sav");
    ASSERT_EQ(save.size(), 721u);
    constexpr std::size_t kPlayer = 68;
    constexpr std::size_t kEnemy = 129;   // slot 0; each slot 49 bytes
    auto put = [&save](std::size_t offset, auto value) { std::memcpy(&save[offset], &value, 4); };
    put(20, std::int32_t{19});             // kills
    put(36, std::int32_t{300});            // score
    put(kPlayer, 50.0f);                    // health
    put(kPlayer + 48, std::int32_t{2});    // level
    put(kPlayer + 52, std::int32_t{9});    // kills within the level
    for (std::size_t slot = 0; slot < 12; ++slot) {
        save[kEnemy + 49 * slot + 48] = 0;   // not flying
    }
    // Slot 0 flies exactly where the player is: x, forward position and height, at its level.
    save.replace(kEnemy, 4, save, kPlayer + 16, 4);
    save.replace(kEnemy + 4, 4, save, kPlayer + 24, 4);
    save.replace(kEnemy + 8, 4, save, kPlayer + 20, 4);
    save[kEnemy + 44] = save[kPlayer + 57];
    save[kEnemy + 46] = save[kPlayer + 56];
    save[kEnemy + 45] = 0;
    save[kEnemy + 47] = 0;
    save[kEnemy + 48] = 1;

    // The load's frame collides; the sixteen explosion frames have run after 47 more frames.
    for (const int frames : {47, 48}) {
        SCOPED_TRACE(frames);
        Write("avr.sav", save);
        ASSERT_EQ(Run("seed 7\n5 16\n1 16 ENTER\n20 16\n1 16 F9\n" + std::to_string(frames - 1) + " 16\n1 16 F5\n"), 0)
            << Read("stderr.txt");
        const std::string after = Read("avr.sav");
        ASSERT_EQ(after.size(), 721u);
        EXPECT_EQ(after[kPlayer + 59], 1) << "the player was not hit";
        const bool ended = frames == 48;
        EXPECT_EQ(Int(after, 20), ended ? 20 : 19);
        EXPECT_EQ(Int(after, kPlayer + 48), ended ? 3 : 2);
        EXPECT_EQ(Int(after, kPlayer + 52), ended ? 0 : 9);
        EXPECT_FLOAT_EQ(Float(after, kPlayer), ended ? 50.0f + 1.0f + 0.2f * 3.0f : 50.0f);
        EXPECT_EQ(Int(after, 36), ended ? 320 : 300);
        EXPECT_EQ(after[40], ended ? 1 : 0) << "game over";
        EXPECT_EQ(after[kPlayer + 60], ended ? 0 : 1) << "the player's aircraft";
    }
}

// Bombing in the real game: a saved run with a full bomb bay, flown slowly from side to side with a
// bomb dropped every 34 frames, destroys a building (seed 19 puts a hangar in the way within the 20
// passes). The save afterwards holds the building kills, their score (50 to 150 each), a hundred rounds
// for each hangar and three bombs for each tower.
TEST_F(SaveRunTest, BombsDestroyBuildingsAndPayTheirScoreAndBonuses)
{
    Write("exec.vrs", Read("exec.vrs") + "set g_hosszusag 320\nset g_magassag 240\n");
    const std::string start = "seed 19\n5 33\n1 33 ENTER\n20 33\n";
    ASSERT_EQ(Run(start + "1 33 F5\n2 33\n"), 0) << Read("stderr.txt");
    std::string save = Read("avr.sav");
    ASSERT_EQ(save.size(), 721u);
    const std::int32_t fullBay = 99;
    std::memcpy(&save[68 + 40], &fullBay, 4);
    Write("avr.sav", save);

    // One frame with the bomb key, then 33 without: each press finds the 1.1 s interval over, except
    // right after a building falls (its destruction sets the bomb timer back to 0.1 s).
    std::string script = start + "1 33 F9\n5 33\n";
    const char* sway[] = {"LEFT", "RIGHT", "RIGHT", "LEFT"};
    const int presses = 20;
    for (int i = 0; i < presses; ++i) {
        script += std::string("1 33 LCONTROL DOWN ") + sway[i % 4] + "\n11 33 DOWN " + sway[i % 4] + "\n22 33 DOWN\n";
    }
    ASSERT_EQ(Run(script + "1 33 F5\n2 33\n"), 0) << Read("stderr.txt");
    const std::string after = Read("avr.sav");
    ASSERT_EQ(after.size(), 721u);

    EXPECT_EQ(Int(after, 12), 0) << "shots";
    EXPECT_EQ(Int(after, 20), 0) << "enemy kills";
    EXPECT_EQ(after[40], 0) << "the run goes on";
    const int buildings = Int(after, 24);
    ASSERT_GE(buildings, 1);
    EXPECT_GE(Int(after, 36), 50 * buildings);
    EXPECT_LE(Int(after, 36), 150 * buildings);
    const int roundsBonus = Int(after, 68 + 44) - 1000;
    EXPECT_EQ(roundsBonus % 100, 0);
    const int hangars = roundsBonus / 100;
    const int towers = buildings - hangars;
    EXPECT_GE(hangars, 0);
    EXPECT_GE(towers, 0);
    const int bombs = Int(after, 68 + 40);
    EXPECT_GE(bombs, fullBay - presses + 3 * towers);
    EXPECT_LE(bombs, fullBay - presses + buildings + 3 * towers);
    // No sound failed on the way, the air-raid siren's included.
    EXPECT_EQ(Read("stdout.txt").find("Hiba"), std::string::npos);
}

TEST_F(SaveRunTest, TheKeySavesOncePerPressAndOnlyAWrittenSaveIsAnnounced)
{
    // "Game Saved" stands in yellow at 0.4, 0.22 of the 800 x 600 window.
    auto announced = [&](const std::string& shot) {
        const Image image = Shot(shot);
        EXPECT_EQ(image.width, 800) << shot;
        return image.width == 800
                   ? image.Count(300, 120, 480, 150, [](int r, int g, int b) { return r > 200 && g > 200 && b < 80; })
                   : -1;
    };
    // F5 held for a second: the save is the run at the press, not at the release.
    ASSERT_EQ(Run("seed 9\n5 20\n1 20 ENTER\n30 20\n50 20 F5\nshot held.png\n5 20\n"), 0) << Read("stderr.txt");
    const std::string save = Read("avr.sav");
    ASSERT_EQ(save.size(), 721u);
    EXPECT_NEAR(Float(save, 8), 0.62f, 0.03f) << "saved on the first frame of the press";
    EXPECT_GT(announced("held.png"), 20);

    // A write-protected save is left alone: its console line, and no "Game Saved".
    chmod(folder_.Path("avr.sav").c_str(), 0444);
    ASSERT_EQ(Run("seed 9\n5 20\n1 20 ENTER\n30 20\n1 20 F5\n5 20\nshot refused.png\n"), 0) << Read("stderr.txt");
    EXPECT_EQ(Read("avr.sav"), save);
    EXPECT_NE(Read("stdout.txt").find("írásvédett"), std::string::npos) << Read("stdout.txt");
    EXPECT_EQ(announced("refused.png"), 0);
    chmod(folder_.Path("avr.sav").c_str(), 0644);
}

// Typing a line into the open console through the key table, one key a frame with a release after.
static std::string TypeLine(const std::string& keys)
{
    std::string script;
    for (const char c : keys) {
        script += std::string("1 16 ") + c + "\n1 16\n";
    }
    return script + "1 16 ENTER\n5 16\n";
}

TEST_F(SaveRunTest, HelpKeepsItsLinesInsideTheConsoleFrame)
{
    // The same paused run with the console open, once after "help" and once after a short line:
    // right of the console's frame (from x 650 of 800) the two pictures are the same, so no line of
    // help runs past it; inside it, help printed its lines.
    Write("exec.vrs", Read("exec.vrs") + "set h_konzol 1\nset h_sugo_tomor 1\n");
    const std::string start = "seed 4\n5 16\n1 16 ENTER\n40 16\n1 16 F1\n10 16\n";
    ASSERT_EQ(Run(start + TypeLine("help") + "shot help.png\n"), 0) << Read("stderr.txt");
    ASSERT_EQ(Run(start + TypeLine("x") + "shot short.png\n"), 0) << Read("stderr.txt");
    const Image help = Shot("help.png");
    const Image shortLine = Shot("short.png");
    ASSERT_EQ(help.width, 800);
    ASSERT_EQ(shortLine.width, 800);
    EXPECT_EQ(help.Differing(shortLine, 650, 150, 800, 450), 0) << "help ran past the console's frame";
    EXPECT_GT(help.Differing(shortLine, 170, 150, 650, 450), 500);
}

TEST_F(SaveRunTest, TheFrameRateStandsOverTheSkyAndCoversNoPanel)
{
    const std::string base = Read("exec.vrs");
    const std::string script = "seed 4\n5 16\n1 16 ENTER\n90 16\nshot frame.png\n";
    Write("exec.vrs", base + "set h_fps 0\n");
    ASSERT_EQ(Run(script), 0) << Read("stderr.txt");
    const Image without = Shot("frame.png");
    Write("exec.vrs", base + "set h_fps 1\n");
    ASSERT_EQ(Run(script), 0) << Read("stderr.txt");
    const Image with = Shot("frame.png");
    ASSERT_EQ(without.width, 800);
    ASSERT_EQ(with.width, 800);
    // The two HUD panels (x below 104 and from 696 of 800, the top 200 rows) are the same; the
    // readout's green is over the sky between them.
    EXPECT_EQ(with.Differing(without, 0, 0, 104, 200), 0);
    EXPECT_EQ(with.Differing(without, 696, 0, 800, 200), 0);
    EXPECT_GT(with.Count(104, 0, 300, 30, [](int r, int g, int b) { return g > 150 && r < 100 && b < 100; }), 20);
    EXPECT_GT(with.Differing(without, 104, 0, 696, 200), 20);
}
