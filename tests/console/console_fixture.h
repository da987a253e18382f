// A clean console, variable list and key bindings for every test, on virtual time.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "game/aircraft.h"
#include "game/run_stats.h"
#include "platform/win/clock.h"
#include "platform/win/codepage.h"

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClockUseVirtualTime(1'000'000);
        ConsoleSetEcho(false);
        ProgramReset();
        keyDelayTimer = -1.0f;
    }

    void TearDown() override
    {
        ProgramReset();
        ConsoleSetEcho(true);
        ClockUseRealTime();
    }

    static void Run(const char* line) { ConsoleExecute(console, line); }

    // The newest `count` lines of the text buffer, oldest first.
    static std::vector<std::string> Newest(int count)
    {
        std::vector<std::string> lines;
        for (int i = kConsoleLines - count; i < kConsoleLines; ++i) {
            lines.emplace_back(console.text[i]);
        }
        return lines;
    }

    static std::string Last() { return console.text[kConsoleLines - 1]; }

    // Number of non-empty lines in the text buffer.
    static int PrintedCount()
    {
        int n = 0;
        for (const auto& line : console.text) {
            n += line[0] != '\0';
        }
        return n;
    }
};
