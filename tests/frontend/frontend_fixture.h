// A clean program for each front-end test: a scratch working folder holding the front end's sounds in
// an archive, the audio library on virtual time with its silent output, program-start values
// everywhere and helpers to hold keys and to read what the console printed.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "../support/console_lines.h"
#include "../support/scratch_folder.h"
#include "../support/sound_files.h"
#include "app/graphics.h"
#include "app/input.h"
#include "app/program.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/fog.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/bass/bass.h"
#include "platform/win/clock.h"
#include "platform/win/codepage.h"
#include "resources/archive.h"
#include "resources/resources.h"
#include "resources/sound.h"

namespace frontendtest {

inline constexpr int kUp = 0xC8;
inline constexpr int kDown = 0xD0;
inline constexpr int kEnter = 0x1C;
inline constexpr int kEscape = 0x01;
inline constexpr int kBackspace = 0x0E;
inline constexpr int kLeftShift = 0x2A;
inline constexpr int kRightShift = 0x36;

// OpenAL reads its driver list once: no test here may reach a sound card.
inline const bool nullDriver = (setenv("ALSOFT_DRIVERS", "null", 0), true);

class FrontEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(nullDriver);
        WriteSoundArchive();

        ClockUseVirtualTime(10000);
        BassReset();
        ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
        ConsoleSetEcho(false);
        ResourceScanArchives();
        ResetProgram();
    }

    void TearDown() override
    {
        ResetProgram();
        ResourceFreeAll();
        BassReset();
        ConsoleSetEcho(true);
        ClockUseRealTime();
    }

    static void ResetProgram()
    {
        device = nullptr;
        ProgramReset();
        keyDelayTimer = -1.0f;
    }

    // Exactly these keys are down from now on.
    static void Hold(std::initializer_list<int> keys)
    {
        for (auto& key : inputState.keyState) {
            key = 0;
        }
        for (int code : keys) {
            inputState.keyState[code] = 0x80;
        }
    }

    // One front-end frame of the main menu as the frame loop runs it: items 0..4, stopping at the
    // first that acts; the number of the item that acted, or -1.
    static int MenuFrame(std::initializer_list<int> keys)
    {
        Hold(keys);
        for (int i = 0; i < kMenuItemCount; ++i) {
            if (MenuItemUpdate(i)) {
                return i;
            }
        }
        return -1;
    }

    static int SelectedItem()
    {
        int selected = -1;
        for (int i = 0; i < kMenuItemCount; ++i) {
            if (menuItems[i].selected != 0) {
                EXPECT_EQ(selected, -1) << "two items are selected";
                selected = i;
            }
        }
        return selected;
    }

    static bool Sounding(const char* sound)
    {
        ResourceEntry* entry = ResourceFind(sound);
        return entry != nullptr && entry->stream != 0 && BASS_ChannelIsActive(entry->stream) == BASS_ACTIVE_PLAYING;
    }

    // Silences every sound, so the next check sees only what plays after it.
    static void StopSounds()
    {
        for (const char* name : kSounds) {
            SoundStop(name);
        }
    }

    static std::vector<std::string> Printed() { return PrintedLines(); }

    static std::string Cp(const char* utf8) { return cp1250::FromUtf8(utf8); }

    static constexpr const char* kSounds[] = {kMenuMoveSound, kClickSound, kWindSound, kEngineSound};

    WorkingFolder folder_{"frontend"};

private:
    static void WriteSoundArchive()
    {
        std::vector<ArchiveMember> members;
        for (const char* name : kSounds) {
            std::vector<std::uint8_t> wav = testsound::SineWav(440, 44100, 100);
            members.push_back({name, std::string(wav.begin(), wav.end())});
        }
        std::string archive;
        std::string error;
        ASSERT_TRUE(ArchiveBuild(members, archive, error)) << error;
        std::ofstream("data.vrk", std::ios::binary) << archive;
    }
};

}  // namespace frontendtest
