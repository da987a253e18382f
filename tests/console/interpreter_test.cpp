#include <cstring>

#include "app/commands.h"
#include "console_fixture.h"
#include "game/pause.h"

using InterpreterTest = ConsoleTest;

namespace {

std::vector<std::string> Tokens()
{
    std::vector<std::string> tokens;
    for (const auto& token : console.tokens) {
        tokens.emplace_back(token);
    }
    while (!tokens.empty() && tokens.back().empty()) {
        tokens.pop_back();
    }
    return tokens;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(InterpreterTest, TokenizerQuotesBlanksAndComments)
{
    struct Case {
        const char* line;
        Strings tokens;
    };
    const Case cases[] = {
        {"set  a\t\t1", {"set", "a", "1"}},
        {"echo 'a b'", {"echo", "a b"}},
        {"echo \"a b\"", {"echo", "a b"}},
        {"echo 'a b\" c' d", {"echo", "a b", "c d"}},   // either quote closes the other
        {"ab'c d'e", {"abc de"}},
        {"bill x ''", {"bill", "x"}},                   // empty quotes make no token
        {"bill '' x", {"bill", "x"}},
        {"set a 1 // the rest", {"set", "a", "1"}},
        {"echo 'a // b'", {"echo", "a "}},              // comments end the line inside quotes too
        {"a/b c", {"a/b", "c"}},
        {"echo 'unterminated quote", {"echo", "unterminated quote"}},
        {"", {}},
        {"   \t ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ConsoleTokenize(console, c.line);
        EXPECT_EQ(Tokens(), c.tokens);
    }
}

TEST_F(InterpreterTest, TokenizerCutsLongTokensAndExtraTokens)
{
    std::string word(45, 'w');
    ConsoleTokenize(console, ("echo " + word + " next").c_str());
    EXPECT_EQ(Tokens(), (Strings{"echo", word.substr(0, 29), "next"}));

    EXPECT_EQ(console.tokenCut, 1);

    // Executed, the cut is said.
    Run(("echo " + word).c_str());
    EXPECT_EQ(std::string(console.text[kConsoleLines - 2]),
              "Figyelem: egy szó 29 karakternél hosszabb, a vége elmaradt."_cp);
    EXPECT_EQ(Last(), word.substr(0, 29)) << "then the command runs with what fits";
    const int printed = PrintedCount();
    Run(("echo " + word.substr(0, 29)).c_str());
    EXPECT_EQ(PrintedCount(), printed + 1) << "29 characters fit: only the echo";

    ConsoleTokenize(console, "0 1 2 3 4 5 6 7 8 9 10 11 12");
    EXPECT_EQ(Tokens(), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    for (const auto& token : console.tokens) {
        EXPECT_EQ(token[kConsoleTokenSize - 1], '\0');
    }
}

TEST_F(InterpreterTest, UnknownAndCommentLines)
{
    Run("SET a 1");
    EXPECT_EQ(Last(), "Nem értem. ( SET )"_cp);
    EXPECT_EQ(VarGetInt("a"), 0);

    Run("   ");
    EXPECT_EQ(Last(), "Nem értem. (  )"_cp);

    int printed = PrintedCount();
    Run("  // set a 1");
    Run("//");
    Run("");
    EXPECT_EQ(PrintedCount(), printed);
    EXPECT_EQ(VarGetInt("a"), 0);

    Run("set a 5 // set a 6");
    EXPECT_EQ(VarGetInt("a"), 5);
}

TEST_F(InterpreterTest, EchoPrintsOnlyItsFirstArgument)
{
    Run("echo 'a b'");
    EXPECT_EQ(Last(), "a b");
    Run("ir a b");
    EXPECT_EQ(Last(), "a");
    Run("echo 100%s%d%n");
    EXPECT_EQ(Last(), "100%s%d%n");
    int printed = PrintedCount();
    Run("echo");
    EXPECT_EQ(Last(), "");
    // The empty line still moved the buffer up by one.
    EXPECT_EQ(console.text[kConsoleLines - 2], std::string("100%s%d%n"));
    EXPECT_EQ(PrintedCount(), printed);
}

TEST_F(InterpreterTest, BufferDropsTheOldestLineAndKeepsTextVerbatim)
{
    ConsolePrintf(console, "%s", "50% off %d");
    for (int i = 1; i <= 399; ++i) {
        ConsolePrintf(console, "line %d", i);
    }
    // 400 lines: the first is still there, verbatim, after 399 moves.
    EXPECT_STREQ(console.text[0], "50% off %d");
    EXPECT_STREQ(console.text[399], "line 399");
    ConsolePrintf(console, "line %d", 400);
    EXPECT_STREQ(console.text[0], "line 1");
    EXPECT_STREQ(console.text[399], "line 400");

    // Newlines do not start new lines; over-long text is cut to the line.
    ConsolePrintf(console, "a\nb");
    EXPECT_STREQ(console.text[399], "a\nb");
    std::string huge(1500, 'h');
    ConsolePrintf(console, "%s", huge.c_str());
    EXPECT_EQ(std::strlen(console.text[399]), static_cast<std::size_t>(kConsoleLineSize - 1));
    EXPECT_STREQ(console.text[398], "a\nb");
}

TEST_F(InterpreterTest, ClearEmptiesTheBufferButNotTheView)
{
    ConsolePrintf(console, "kept in view");
    ConsoleRefreshView(console);
    EXPECT_STREQ(console.view[kConsoleViewLines - 1], "kept in view");
    Run("cls");
    EXPECT_EQ(PrintedCount(), 0);
    EXPECT_STREQ(console.view[kConsoleViewLines - 1], "kept in view");
    Run("clear");
    ConsoleRefreshView(console);
    EXPECT_STREQ(console.view[kConsoleViewLines - 1], "");
}

TEST_F(InterpreterTest, CommandListIsTheTableInOrder)
{
    const Strings expected = {
        "bill",    "bind",     "set",          "ir",         "echo",    "quit",     "exit",      "ver",   "cmdlist",
        "parlist", "scr",      "cfg",          "exec",       "varlist", "cls",      "clear",     "elore", "forward",
        "hatra",   "backward", "balra",        "left",       "jobbra",  "right",    "emelkedik", "up",    "sulyed",
        "down",    "tuzel",    "fire",         "bombaz",     "bombing", "pause",    "save",      "load",  "kapcs",
        "toggle",  "varinit",  "graf_restart", "rs_restart", "cfg_ir",  "archlist", "tex",       "snd",   "help"};
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kCommandCount));
    for (const char* command : {"help", "cmdlist", "parlist"}) {
        SCOPED_TRACE(command);
        Run(command);
        EXPECT_EQ(Newest(kCommandCount), expected);
    }
    EXPECT_EQ(commandTable[kCommandCount].name, nullptr);
}

TEST_F(InterpreterTest, OnlyTheInstalledTableIsLookedUp)
{
    static int probes = 0;
    probes = 0;
    const CommandEntry table[] = {{"probe", [] { ++probes; }}, {"list", CommandListCommand}, {nullptr, nullptr}};
    ConsoleSetCommands(table);
    Run("probe");
    EXPECT_EQ(probes, 1);
    Run("set x 1");
    EXPECT_EQ(Last(), "Nem értem. ( set )"_cp);
    Run("list");
    EXPECT_EQ(Newest(2), (Strings{"probe", "list"}));
    ConsoleSetCommands(nullptr);
    Run("probe");
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(Last(), "Nem értem. ( probe )"_cp);
    ConsoleSetCommands(commandTable);
    Run("probe");
    EXPECT_EQ(Last(), "Nem értem. ( probe )"_cp);
    Run("ver");
    EXPECT_NE(Last().find("AVIORRA"), std::string::npos);
}

TEST_F(InterpreterTest, CompactHelpFitsTheViewAndFilters)
{
    Run("set h_sugo_tomor 1");
    int before = PrintedCount();
    Run("help");
    const int lines = PrintedCount() - before;
    EXPECT_LE(lines, kConsoleViewLines - 1) << "the whole list fits the view with the command line";
    EXPECT_GE(lines, 2);
    // Every command is there once, in table order.
    std::string all;
    for (const std::string& line : Newest(lines)) {
        EXPECT_LE(line.size(), 60u) << line;
        all += (all.empty() ? "" : " ") + line;
    }
    std::string expected;
    for (const CommandEntry* row = commandTable; row->name != nullptr; ++row) {
        expected += (expected.empty() ? "" : " ") + std::string(row->name);
    }
    EXPECT_EQ(all, expected);

    Run("help s");
    EXPECT_EQ(Last(), "set scr sulyed save snd");
    Run("help qq");
    EXPECT_EQ(Last(), "Nincs 'qq' kezdet\xFB parancs.");
    // Switched off: the designed one name a line.
    Run("set h_sugo_tomor 0");
    Run("help s");
    EXPECT_EQ(Newest(kCommandCount).back(), "help");
}

TEST_F(InterpreterTest, QuitAndVersion)
{
    Run("set j_jatekstatus 1");
    Run("quit");
    EXPECT_EQ(VarGetInt("j_jatekstatus"), 0);
    Run("set j_jatekstatus 1");
    Run("exit");
    EXPECT_EQ(VarGetInt("j_jatekstatus"), 0);
    Run("ver");
    EXPECT_EQ(Last(), "AVIORRA 1.02 (c) 2026 the AVIORRA developers");
    int printed = PrintedCount();
    Run("rs_restart");
    EXPECT_EQ(PrintedCount(), printed);
}

TEST_F(InterpreterTest, FlightCommandsSetOneFlagEach)
{
    struct Case {
        const char* hungarian;
        const char* english;
        std::uint8_t FlightControls::*flag;
    };
    const Case cases[] = {
        {"elore", "forward", &FlightControls::forward}, {"hatra", "backward", &FlightControls::backward},
        {"balra", "left", &FlightControls::left},       {"jobbra", "right", &FlightControls::right},
        {"emelkedik", "up", &FlightControls::up},       {"sulyed", "down", &FlightControls::down},
        {"tuzel", "fire", &FlightControls::fire},       {"bombaz", "bombing", &FlightControls::bomb},
    };
    for (const Case& c : cases) {
        for (const char* word : {c.hungarian, c.english}) {
            SCOPED_TRACE(word);
            *player = Aircraft{};
            playerControls = FlightControls{};
            Run(word);
            EXPECT_EQ(playerControls.*c.flag, 1);
            FlightControls expected{};
            expected.*c.flag = 1;
            EXPECT_EQ(std::memcmp(&playerControls, &expected, sizeof expected), 0) << "another flag changed";
            const Aircraft untouched{};
            EXPECT_EQ(std::memcmp(player, &untouched, sizeof untouched), 0) << "the aircraft changed";
        }
    }
}

TEST_F(InterpreterTest, PauseWaitsForTheKeyDelayAndTheRun)
{
    keyDelayTimer = 0.1f;
    Run("pause");
    EXPECT_EQ(pauseFlag, 0);

    keyDelayTimer = -0.01f;
    Run("pause");
    EXPECT_EQ(pauseFlag, 1);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    Run("pause");   // the delay just set blocks an immediate second press
    EXPECT_EQ(pauseFlag, 1);

    keyDelayTimer = -1.0f;
    Run("pause");
    EXPECT_EQ(pauseFlag, 0);

    runStats.gameOver = 1;
    keyDelayTimer = -1.0f;
    Run("pause");
    EXPECT_EQ(pauseFlag, 0);
    EXPECT_FLOAT_EQ(keyDelayTimer, -1.0f);
}
