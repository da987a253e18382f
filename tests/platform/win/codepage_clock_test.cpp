#include <gtest/gtest.h>

#include <iconv.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win/clock.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"

namespace {

// The C library's own converter is the reference for the code page table.
std::string IconvToUtf8(const std::string& cp1250Text)
{
    iconv_t cd = iconv_open("UTF-8", "CP1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return "<no iconv>";
    }
    std::string in = cp1250Text;
    std::string out(in.size() * 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1)) {
        return "<invalid>";
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

TEST(CodePage, EveryDefinedByteMatchesTheCLibrary)
{
    int defined = 0;
    for (int byte = 1; byte < 256; ++byte) {
        std::string text(1, static_cast<char>(byte));
        std::string reference = IconvToUtf8(text);
        if (reference == "<invalid>") {
            EXPECT_EQ(cp1250::ToUnicode(static_cast<unsigned char>(byte)), 0xFFFDu) << byte;
            continue;
        }
        ++defined;
        SCOPED_TRACE(byte);
        EXPECT_EQ(cp1250::ToUtf8(text), reference);
        EXPECT_EQ(cp1250::FromUtf8(reference), text);
    }
    EXPECT_EQ(defined, 255 - 5);
}

TEST(CodePage, LiteralsAreEncodedAtCompileTime)
{
    EXPECT_STREQ("Nem értem. ( %s )"_cp, "Nem \xE9rtem. ( %s )");
    EXPECT_STREQ("Billentyűparancsok:"_cp, "Billenty\xFBparancsok:");
    EXPECT_STREQ("Összesen: ŐőŰű"_cp, "\xD6sszesen: \xD5\xF5\xDB\xFB");
    EXPECT_STREQ("plain"_cp, "plain");
}

TEST(CodePage, MalformedOrForeignUtf8BecomesQuestionMarks)
{
    EXPECT_EQ(cp1250::FromUtf8("a\xE6\x97\xA5z"), "a?z");        // a CJK character
    EXPECT_EQ(cp1250::FromUtf8("a\xC3"), "a?");                  // cut sequence
    EXPECT_EQ(cp1250::FromUtf8("\xFF\x80"), "??");               // not UTF-8 at all
    EXPECT_EQ(cp1250::FromUtf8("\xF0\x9F\x98\x80!"), "?!");      // outside the code page
    EXPECT_EQ(cp1250::ToUtf8("\x81"), "\xEF\xBF\xBD");           // undefined byte
}

TEST(Clock, VirtualTimeMovesOnlyWhenAdvanced)
{
    ClockUseVirtualTime(5000);
    EXPECT_TRUE(ClockIsVirtual());
    EXPECT_EQ(GetTickCount(), 5000u);
    EXPECT_EQ(GetTickCount(), 5000u);
    ClockAdvance(16);
    EXPECT_EQ(GetTickCount(), 5016u);
    Sleep(30);
    EXPECT_EQ(GetTickCount(), 5046u);
    std::time_t calendar = ClockCalendarTime();
    ClockAdvance(2000);
    EXPECT_EQ(ClockCalendarTime(), calendar + 2);

    // The count wraps at 32 bits like the system tick count, and so does a pinned calendar's.
    ClockUseVirtualTime(0xFFFFFFF0u);
    ClockPinCalendar(1000);
    EXPECT_EQ(ClockCalendarTime(), 1000);
    ClockAdvance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    ClockAdvance(1000 - 0x20 - 1);
    EXPECT_EQ(ClockCalendarTime(), 1000) << "whole seconds of ticks";
    ClockAdvance(1);
    EXPECT_EQ(ClockCalendarTime(), 1001);

    ClockUseRealTime();
    EXPECT_FALSE(ClockIsVirtual());
    EXPECT_GT(ClockCalendarTime(), 1'700'000'000) << "a switch of clock unpins the calendar";
    DWORD before = GetTickCount();
    Sleep(20);
    EXPECT_GE(GetTickCount() - before, 20u);
    // On real time a pinned calendar moves with the tick clock too.
    ClockPinCalendar(5);
    Sleep(1005);
    EXPECT_EQ(ClockCalendarTime(), 6);
    ClockUseRealTime();
}

TEST(Files, GamePathsAndReplacingWrites)
{
    EXPECT_EQ(GamePathToLocal("textures\\hud.bmp"), "textures/hud.bmp");
    EXPECT_EQ(GamePathToLocal("plain.cfg"), "plain.cfg");
    for (const char* inside : {"textures\\hud.bmp", "mesh\\..\\textures\\x.bmp", "a\\.\\b", "a\\b\\..\\..\\c", "..c"}) {
        EXPECT_TRUE(GamePathStaysInside(inside)) << inside;
    }
    for (const char* outside :
         {"", "..\\x.bmp", "mesh\\..\\..\\x.bmp", "a/../../x", "\\etc\\passwd", "/etc/passwd", ".."}) {
        EXPECT_FALSE(GamePathStaysInside(outside)) << outside;
    }

    auto dir = std::filesystem::temp_directory_path() / "aviorra-files-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string path = (dir / "out.dat").string();
    ASSERT_TRUE(WriteFileReplacing(path, std::string("first\0bytes", 11)));
    ASSERT_TRUE(WriteFileReplacing(path, "second"));
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "second");
    EXPECT_FALSE(WriteFileReplacing((dir / "missing" / "x.dat").string(), "x"));
    std::filesystem::remove_all(dir);
}
