#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/scratch_folder.h"
#include "console/script.h"
#include "console_fixture.h"

namespace {

const std::string kSeparator(46, '_');

class ScriptTest : public ConsoleTest {
protected:
    void SetUp() override { ConsoleTest::SetUp(); }

    static void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream out(name, std::ios::binary);
        out << bytes;
    }

    static std::string Read(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    WorkingFolder folder_{"script"};
};

}  // namespace

TEST_F(ScriptTest, RunsEveryLineIncludingTheLastWithoutNewline)
{
    Write("a.vrs", "set a 1\r\nset b 2.5\n// comment\necho 'done here'");
    Run("scr a.vrs");
    EXPECT_EQ(VarGetInt("a"), 1);
    EXPECT_FLOAT_EQ(VarGetFloat("b"), 2.5f);
    auto lines = Newest(5);
    EXPECT_EQ(lines[0], kSeparator);
    EXPECT_EQ(lines[1], " 'a.vrs' végrehajtása indul."_cp);
    EXPECT_EQ(lines[2], kSeparator);
    EXPECT_EQ(lines[3], "done here");
    EXPECT_EQ(lines[4], kSeparator);
}

TEST_F(ScriptTest, CarriageReturnsBeforeNewlinesAreNotPartOfTheLine)
{
    Write("crlf.vrs", "set name pilot\r\nset x 5\r\n");
    Write("lf.vrs", "set name2 pilot\nset y 5\n");
    Run("scr crlf.vrs");
    Run("scr lf.vrs");
    EXPECT_STREQ(VarGetString("name"), "pilot");
    EXPECT_STREQ(VarGetString("name2"), "pilot");
    EXPECT_EQ(VarGetInt("x"), 5);
    EXPECT_EQ(VarGetInt("y"), 5);
}

TEST_F(ScriptTest, EmptyFilePrintsTheBannersAndRunsOneEmptyLine)
{
    Write("empty.vrs", "");
    Run("scr empty.vrs");
    auto lines = Newest(4);
    EXPECT_EQ(lines[0], kSeparator);
    EXPECT_EQ(lines[1], " 'empty.vrs' végrehajtása indul."_cp);
    EXPECT_EQ(lines[2], kSeparator);
    EXPECT_EQ(lines[3], kSeparator);
}

TEST_F(ScriptTest, ByteFFEndsTheFile)
{
    Write("ff.vrs", std::string("set a 1\nset b 2") + '\xFF' + "\nset c 3\n");
    Run("scr ff.vrs");
    EXPECT_EQ(VarGetInt("a"), 1);
    EXPECT_EQ(VarGetInt("b"), 2);
    EXPECT_EQ(VarGetInt("c"), 0);
}

TEST_F(ScriptTest, MissingFileAndMissingName)
{
    Run("scr nope.vrs");
    EXPECT_EQ(Last(), "! A 'nope.vrs' fájlt nem lehet megnyitni."_cp);
    int printed = PrintedCount();
    Run("scr");
    EXPECT_EQ(PrintedCount(), printed);
}

TEST_F(ScriptTest, LongLinesAreCutNotOverflowed)
{
    std::string value(300, 'v');
    Write("long.vrs", "echo " + value + "\nset after 1\n");
    Run("scr long.vrs");
    EXPECT_EQ(VarGetInt("after"), 1);
    EXPECT_EQ(Newest(2)[0], value.substr(0, 29));
}

TEST_F(ScriptTest, SelfRunningScriptStopsAtTheNestingLimit)
{
    Write("loop.vrs", "set n 1\nscr loop.vrs\nset after 1\n");
    Run("scr loop.vrs");
    EXPECT_EQ(VarGetInt("after"), 1);
    int banners = 0, refusals = 0;
    for (const auto& line : console.text) {
        std::string text = line;
        banners += text == " 'loop.vrs' végrehajtása indul."_cp;
        refusals += text.rfind("! A 'loop.vrs' nem indul", 0) == 0;
    }
    EXPECT_EQ(banners, kScriptNestingLimit);
    EXPECT_EQ(refusals, 1);
    // Nesting is counted again from zero for the next script.
    Write("ok.vrs", "set ok 1\n");
    Run("scr ok.vrs");
    EXPECT_EQ(VarGetInt("ok"), 1);
}

TEST_F(ScriptTest, ScriptsRunOtherScriptsInOrder)
{
    Write("inner.vrs", "set seq inner\n");
    Write("outer.vrs", "set seq outer\nscr inner.vrs\nset last 1\n");
    Run("scr outer.vrs");
    EXPECT_STREQ(VarGetString("seq"), "inner");
    EXPECT_EQ(VarGetInt("last"), 1);
}

TEST_F(ScriptTest, ScriptNamesUseBackslashDirectories)
{
    std::filesystem::create_directory("cfgs");
    Write("cfgs/p.vrs", "set p 1\n");
    Run("scr 'cfgs\\p.vrs'");
    EXPECT_EQ(VarGetInt("p"), 1);
}

TEST_F(ScriptTest, CfgRunsTheNamedOrThePlayersFile)
{
    Write("pilot.cfg", "set from_player 1\n");
    Write("other.cfg", "set from_other 1\n");
    Run("cfg other.cfg");
    EXPECT_EQ(VarGetInt("from_other"), 1);

    Run("cfg");
    EXPECT_EQ(Last(), "! A '.cfg' fájlt nem lehet megnyitni."_cp);
    Run("set j_jatekosnev 1");   // an Int is not a player name
    Run("exec");
    EXPECT_EQ(Last(), "! A '.cfg' fájlt nem lehet megnyitni."_cp);

    Run("set j_jatekosnev pilot");
    Run("exec");
    EXPECT_EQ(VarGetInt("from_player"), 1);
}

TEST_F(ScriptTest, ConfigFileBytesAreExact)
{
    Run("set g_tween 0.5");
    Run("set g_hosszusag 800");
    Run("set j_jatekosnev 'Ace Pilot'");
    Run("set szin 255,128,0");
    Run("bill SPACE tuzel");
    Run("bill F5 'set h_fps 1'");
    Run("bill NOSUCHKEY elore");
    Run("cfg_ir");
    EXPECT_EQ(Last(), "A main.cfg mentése sikerült."_cp);

    std::string expected = std::string("// Változók"_cp) +
                           "\r\n"
                           "set szin 33023\r\n"
                           "set j_jatekosnev 'Ace Pilot'\r\n"
                           "set g_hosszusag 800\r\n"
                           "set g_tween 0.500000\r\n"
                           "\r\n" +
                           "// Billentyűparancsok"_cp +
                           "\r\n"
                           "bill  'elore'\r\n"
                           "bill SPACE 'tuzel'\r\n"
                           "bill F5 'set h_fps 1'\r\n";
    EXPECT_EQ(Read("main.cfg"), expected);
    EXPECT_EQ(Read("main.cfg").substr(0, 11), "// V\xE1ltoz\xF3k");
}

TEST_F(ScriptTest, ConfigFileRoundTripsThroughScr)
{
    Run("set g_tween 0.5");
    Run("set h_hangero 80");
    Run("set j_jatekosnev pilot");
    Run("set szin 1,2,3");
    Run("bill SPACE tuzel");
    Run("bill NUM* 'set h_fps 1'");
    Run("bill NOSUCHKEY elore");
    Run("cfg_ir");

    VarListFree();
    BindingsClear();
    Run("scr main.cfg");

    EXPECT_FLOAT_EQ(VarGetFloat("g_tween"), 0.5f);
    EXPECT_EQ(VarGetInt("h_hangero"), 80);
    EXPECT_STREQ(VarGetString("j_jatekosnev"), "pilot");
    EXPECT_EQ(VarGetInt("szin"), 197121);
    EXPECT_STREQ(keyBindings[57], "tuzel");
    EXPECT_STREQ(keyBindings[55], "set h_fps 1");
    // The binding written with an empty key name reads back as the line "bill 'elore'", which binds
    // nothing usable: its key word is the line itself.
    EXPECT_STREQ(keyBindings[0], "");

    // The file lists the newest variable first, so re-creating it reverses the list order.
    std::vector<std::string> names;
    for (ConsoleVariable* v = varList; v != nullptr; v = v->next) {
        names.emplace_back(v->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"g_tween", "h_hangero", "j_jatekosnev", "szin"}));
}

TEST_F(ScriptTest, FailedConfigWriteKeepsTheOldFile)
{
    // A directory in main.cfg's place cannot be replaced by a file.
    std::filesystem::create_directory("main.cfg");
    Write("main.cfg/keep", "old");
    Run("set a 1");
    Run("cfg_ir");
    EXPECT_EQ(Last(), "! A main.cfg nem szabályos fájl, nem lett felülírva."_cp);
    EXPECT_EQ(Read("main.cfg/keep"), "old");
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ScriptTest, WorkStaysBoundedWhateverTheScriptsAndNames)
{
    // A script that starts itself three times per level stays within the nesting limit but would
    // run 3^16 lines: the outermost script's line budget ends it with one message.
    ScriptSetLineBudget(2000);
    Write("fan.vrs", "scr fan.vrs\nscr fan.vrs\nscr fan.vrs\n");
    Run("scr fan.vrs");
    int stops = 0;
    for (const auto& line : console.text) {
        stops += std::string(line).rfind(
                     "! A 'fan.vrs' leállt: egy szkript a beágyazottakkal együtt legfeljebb 2000 sort"_cp, 0) == 0;
    }
    EXPECT_EQ(stops, 1);
    // The next script has a budget of its own.
    Write("ok.vrs", "set ok 1\n");
    Run("scr ok.vrs");
    EXPECT_EQ(VarGetInt("ok"), 1);
    ScriptSetLineBudget(kScriptLineBudget);

    // Many variables: made and found quickly, listed newest first, deleting keeps the older record
    // of a cut name findable.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100'000; ++i) {
        VarSetFromText(("v" + std::to_string(i)).c_str(), std::to_string(i).c_str());
    }
    for (int i = 0; i < 100'000; i += 7) {
        ASSERT_EQ(VarGetInt(("v" + std::to_string(i)).c_str()), i);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_STREQ(varList->name, "v99999");
    EXPECT_STREQ(varList->next->name, "v99998");
    VarSetFromText("v5", "");
    EXPECT_EQ(VarGetInt("v5"), 0);
    EXPECT_EQ(VarGetInt("v6"), 6);
    const std::string cut(kVarNameSize - 1, 'n');
    VarSetFromText((cut + "A").c_str(), "1");   // stored cut: never found by the long name
    VarSetFromText((cut + "B").c_str(), "2");
    EXPECT_EQ(VarGetInt(cut.c_str()), 2);
    VarSetFromText(cut.c_str(), "");
    EXPECT_EQ(VarGetInt(cut.c_str()), 1);
    VarSetFromText(cut.c_str(), "");
    EXPECT_EQ(VarGetInt(cut.c_str()), 0);

    // Control characters reach standard output escaped: a script cannot drive the terminal.
    std::fflush(stdout);
    const int saved = ::dup(1);
    std::FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    ::dup2(::fileno(capture), 1);
    ConsoleSetEcho(true);
    ConsolePrintf(console, "a\x1b[2Jb\x07\x08\tc\x7f\r\nd");
    ConsoleSetEcho(false);
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    std::rewind(capture);
    char echoed[128] = {};
    const std::size_t got = std::fread(echoed, 1, sizeof echoed - 1, capture);
    std::fclose(capture);
    EXPECT_EQ(std::string(echoed, got), "a\\x1b[2Jb\\x07\\x08\tc\\x7f  d\n");
}
