#include "console_fixture.h"

using VariablesTest = ConsoleTest;

TEST_F(VariablesTest, ValueShapeChoosesTheType)
{
    struct Case {
        const char* value;
        VarType type;
        std::int32_t intValue;
        float floatValue;
        const char* text;
    };
    const Case cases[] = {
        {"1.5", VarType::Float, 0, 1.5f, nullptr},   {".5", VarType::Float, 0, 0.5f, nullptr},
        {"1.2.3", VarType::Float, 0, 1.2f, nullptr}, {"15", VarType::Int, 15, 0, nullptr},
        {"007", VarType::Int, 7, 0, nullptr},        {"x.y", VarType::String, 0, 0, "x.y"},
        {"pilot", VarType::String, 0, 0, "pilot"},   {"1,2,3", VarType::Int, 197121, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        VarSetFromText("a", c.value);
        ASSERT_NE(varList, nullptr);
        EXPECT_EQ(varList->type, c.type);
        switch (c.type) {
        case VarType::Float:
            EXPECT_FLOAT_EQ(VarGetFloat("a"), c.floatValue);
            EXPECT_EQ(VarGetInt("a"), 0);
            EXPECT_EQ(VarGetString("a"), nullptr);
            break;
        case VarType::Int:
            EXPECT_EQ(VarGetInt("a"), c.intValue);
            EXPECT_EQ(VarGetFloat("a"), 0.0f);
            break;
        case VarType::String:
            ASSERT_NE(VarGetString("a"), nullptr);
            EXPECT_STREQ(VarGetString("a"), c.text);
            EXPECT_EQ(VarGetInt("a"), 0);
            break;
        }
    }
    // The same name was set each time: still one record.
    EXPECT_EQ(varList->next, nullptr);
}

TEST_F(VariablesTest, RefusedValuesChangeNothingAndPrintNothing)
{
    VarSetFromText("a", "42");
    int printed = PrintedCount();
    for (const char* value : {"-5", "-5.0", "abc1", "1,2", "1.5,2,3", "300,7,-", "1a", "2e5"}) {
        SCOPED_TRACE(value);
        VarSetFromText("a", value);
        EXPECT_EQ(varList->type, VarType::Int);
        EXPECT_EQ(VarGetInt("a"), 42);
        EXPECT_EQ(varList->next, nullptr);
    }
    EXPECT_EQ(PrintedCount(), printed);
    // A refused first value creates nothing.
    VarSetFromText("b", "-1");
    EXPECT_EQ(varList->next, nullptr);
}

TEST_F(VariablesTest, RgbPacksClampsAndPrints)
{
    EXPECT_EQ(ParseRgb("255,128,0"), 33023);
    EXPECT_EQ(Last(), "RGB -> 255,128,0");
    EXPECT_EQ(ParseRgb("300,7,9"), 255 + 7 * 256 + 9 * 65536);
    EXPECT_EQ(Last(), "RGB -> 255,7,9");
    EXPECT_EQ(ParseRgb("1,,3"), 1 + 3 * 65536);
    EXPECT_EQ(Last(), "RGB -> 1,0,3");
    // Components past the third are ignored; missing ones read 0.
    EXPECT_EQ(ParseRgb("1,2,3,4,5"), 197121);
    EXPECT_EQ(ParseRgb(",,"), 0);
    EXPECT_EQ(Last(), "RGB -> 0,0,0");
    // A long component is read whole and saturates instead of overflowing.
    EXPECT_EQ(ParseRgb("0000012,99999999999999999999,3"), 12 + 255 * 256 + 3 * 65536);
    EXPECT_EQ(Last(), "RGB -> 12,255,3");

    Run("set c 1,2,3");
    EXPECT_EQ(VarGetInt("c"), 197121);
    EXPECT_EQ(Last(), "RGB -> 1,2,3");
}

TEST_F(VariablesTest, DeleteRemovesOnlyTheNamedRecord)
{
    Run("set x 1");
    Run("set y 2");
    Run("set z 3");
    Run("set y");
    EXPECT_EQ(VarGetInt("y"), 0);
    EXPECT_EQ(VarGetInt("x"), 1);
    EXPECT_EQ(VarGetInt("z"), 3);
    ASSERT_NE(varList, nullptr);
    EXPECT_STREQ(varList->name, "z");
    EXPECT_STREQ(varList->next->name, "x");
    // Deleting again, or a name never set, changes nothing.
    Run("set y");
    Run("set nothing");
    EXPECT_STREQ(varList->next->name, "x");
    Run("set z");
    Run("set x");
    EXPECT_EQ(varList, nullptr);
}

TEST_F(VariablesTest, ResettingKeepsThePlaceAndChangesTheType)
{
    Run("set x 1");
    Run("set y 2");
    Run("set x 1.25");
    Run("varlist");
    auto lines = Newest(6);
    EXPECT_EQ(lines[0], "--------------------");
    EXPECT_EQ(lines[1], "Futásidejű változók:"_cp);
    EXPECT_EQ(lines[2], "--------------------");
    EXPECT_EQ(lines[3], "y  2");
    EXPECT_EQ(lines[4], "x  1.250000");
    EXPECT_EQ(lines[5], "Összesen: 2"_cp);

    Run("set h_fps 0");
    Run("set h_fps abc");
    EXPECT_EQ(VarGetInt("h_fps"), 0);
    EXPECT_STREQ(VarGetString("h_fps"), "abc");
}

TEST_F(VariablesTest, LookupComparesWholeNames)
{
    // Names sharing the first and third bytes must still be told apart by the full comparison.
    Run("set abc 1");
    Run("set abcd 2");
    Run("set axc 3");
    Run("set ab 4");
    Run("set a 5");
    EXPECT_EQ(VarGetInt("abc"), 1);
    EXPECT_EQ(VarGetInt("abcd"), 2);
    EXPECT_EQ(VarGetInt("axc"), 3);
    EXPECT_EQ(VarGetInt("ab"), 4);
    EXPECT_EQ(VarGetInt("a"), 5);
    EXPECT_EQ(VarGetInt("abce"), 0);
    EXPECT_EQ(VarGetInt(""), 0);
    EXPECT_EQ(VarGetInt("ABC"), 0);
}

TEST_F(VariablesTest, VarInitAppliesTheFourDefaults)
{
    Run("set g_ablakos 0");
    Run("set h_konzol 1");
    Run("set j_jatekosnev pilot");
    Run("varinit");
    EXPECT_EQ(VarGetInt("g_ablakos"), 1);
    EXPECT_EQ(VarGetInt("h_konzol"), 0);
    EXPECT_EQ(VarGetInt("h_fps"), 0);
    EXPECT_EQ(VarGetInt("j_jatekstatus"), 1);
    EXPECT_STREQ(VarGetString("j_jatekosnev"), "pilot");
}

TEST_F(VariablesTest, ToggleFlipsIntsOnly)
{
    Run("set h_fps 0");
    Run("kapcs h_fps");
    EXPECT_EQ(VarGetInt("h_fps"), 1);
    Run("toggle h_fps");
    EXPECT_EQ(VarGetInt("h_fps"), 0);
    Run("set h_fps 7");
    Run("kapcs h_fps");
    EXPECT_EQ(VarGetInt("h_fps"), 0);

    Run("set name pilot");
    Run("kapcs name");
    EXPECT_STREQ(VarGetString("name"), "pilot");
    EXPECT_EQ(Last(), "A(z) 'name' nem egész szám, nem kapcsolható."_cp);
    Run("set f 1.5");
    Run("kapcs f");
    EXPECT_FLOAT_EQ(VarGetFloat("f"), 1.5f);
    Run("kapcs missing");
    EXPECT_EQ(Last(), "Nincs ilyen változó: 'missing'."_cp);
    const int printed = PrintedCount();
    Run("kapcs h_fps");
    EXPECT_EQ(PrintedCount(), printed) << "a toggle that works says nothing";
}

TEST_F(VariablesTest, SetSaysWhenAValueIsOutsideWhatTheGameKnowsAndKeepsIt)
{
    int printed = PrintedCount();
    Run("set h_hangero 100");
    Run("set g_szinmelyseg 24");
    Run("set g_ablakos 0");
    Run("set anything 12345");
    EXPECT_EQ(PrintedCount(), printed) << "values in range, and variables of the player's own, say nothing";
    Run("set h_hangero 150");
    EXPECT_EQ(Last(), "Figyelem: a(z) h_hangero értéke 0 és 100 között lehet, nem 150."_cp);
    EXPECT_EQ(VarGetInt("h_hangero"), 150) << "the value is kept as set";
    Run("set g_arnyekok 2");
    EXPECT_EQ(Last(), "Figyelem: a(z) g_arnyekok értéke 0 és 1 között lehet, nem 2."_cp);
    Run("set g_szinmelyseg 20");
    EXPECT_EQ(Last(), "Figyelem: a g_szinmelyseg értéke 16, 24 vagy 32 lehet, nem 20."_cp);
    printed = PrintedCount();
    Run("set h_hangero loud");
    EXPECT_EQ(PrintedCount(), printed) << "now a text: no range to hold it to";
}

TEST_F(VariablesTest, LongNamesAndValuesAreCutToTheirFields)
{
    std::string longName(40, 'n');
    std::string longValue(80, 'v');
    VarSetFromText(longName.c_str(), longValue.c_str());
    ASSERT_NE(varList, nullptr);
    EXPECT_EQ(std::string(varList->name), longName.substr(0, kVarNameSize - 1));
    EXPECT_EQ(std::string(varList->stringValue), longValue.substr(0, kVarStringSize - 1));
    // Integers beyond 32 bits saturate.
    Run("set big 99999999999");
    EXPECT_EQ(VarGetInt("big"), 2147483647);
}
