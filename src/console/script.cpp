#include "console/script.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "console/bindings.h"
#include "console/console.h"
#include "console/variables.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"

namespace {

constexpr const char* kSeparator = "______________________________________________";
constexpr const char* kConfigFile = "main.cfg";

int scriptDepth = 0;
long lineBudget = kScriptLineBudget;
long linesLeft = 0;      // of the outermost script's budget
bool budgetSpent = false;

void PrintCannotOpen(const char* name)
{
    ConsolePrintf(console, "! A '%s' fájlt nem lehet megnyitni."_cp, name);
}

}  // namespace

void ScriptSetLineBudget(long lines)
{
    lineBudget = lines;
}

void ScriptExecute(const char* fileName)
{
    if (fileName == nullptr || fileName[0] == '\0') {
        return;
    }
    // The name usually lives in the console tokens, which the script's own lines overwrite.
    std::string name = fileName;
    if (scriptDepth >= kScriptNestingLimit) {
        ConsolePrintf(console, "! A '%s' nem indul: a szkriptek legfeljebb %i mélységig ágyazhatók egymásba."_cp,
                      name.c_str(), kScriptNestingLimit);
        return;
    }
    FileProblem problem = FileProblem::None;
    std::FILE* file = OpenRegularFile(GamePathToLocal(name), "rb", problem);
    if (file == nullptr) {
        if (problem == FileProblem::NotRegular) {
            ConsolePrintf(console, "! A '%s' nem szabályos fájl, nem lehet végrehajtani."_cp, name.c_str());
        } else {
            PrintCannotOpen(name.c_str());
        }
        return;
    }
    ConsolePrintf(console, "%s", kSeparator);
    ConsolePrintf(console, " '%s' végrehajtása indul."_cp, name.c_str());
    ConsolePrintf(console, "%s", kSeparator);

    if (scriptDepth == 0) {
        linesLeft = lineBudget;
        budgetSpent = false;
    }
    ++scriptDepth;
    char line[kScriptLineLimit + 1];
    int length = 0;
    auto runLine = [&] {
        // A carriage return before the newline is not part of the line.
        if (length > 0 && line[length - 1] == '\r') {
            --length;
        }
        line[length] = '\0';
        length = 0;
        if (budgetSpent) {
            return;
        }
        if (linesLeft-- <= 0) {
            budgetSpent = true;
            ConsolePrintf(console,
                          "! A '%s' leállt: egy szkript a beágyazottakkal együtt legfeljebb %li sort futtathat."_cp,
                          name.c_str(), lineBudget);
            return;
        }
        ConsoleExecute(console, line);
    };
    for (;;) {
        if (budgetSpent) {
            break;
        }
        int ch = std::fgetc(file);
        // A 0xFF byte reads as the end of the file.
        if (ch == EOF || ch == 0xFF) {
            break;
        }
        if (ch == '\n') {
            runLine();
        } else if (length < kScriptLineLimit) {
            line[length++] = static_cast<char>(ch);
        }
    }
    runLine();
    --scriptDepth;

    ConsolePrintf(console, "%s", kSeparator);
    std::fclose(file);
}

void ScriptCommand()
{
    ScriptExecute(console.tokens[1]);
}

void ConfigCommand()
{
    if (console.tokens[1][0] != '\0') {
        ScriptExecute(console.tokens[1]);
        return;
    }
    const char* playerName = VarGetString("j_jatekosnev");
    std::string fileName = std::string(playerName != nullptr ? playerName : "") + ".cfg";
    if (playerName == nullptr) {
        PrintCannotOpen(fileName.c_str());
        return;
    }
    ScriptExecute(fileName.c_str());
}

void ConfigWriteCommand()
{
    std::string out;
    char buffer[256];
    auto addLine = [&out](const char* text) {
        out += text;
        out += "\r\n";
    };
    addLine("// Változók"_cp);
    for (ConsoleVariable* v = varList; v != nullptr; v = v->next) {
        switch (v->type) {
        case VarType::Float:
            std::snprintf(buffer, sizeof buffer, "set %s %f", v->name, static_cast<double>(v->floatValue));
            break;
        case VarType::Int: std::snprintf(buffer, sizeof buffer, "set %s %i", v->name, v->intValue); break;
        case VarType::String: std::snprintf(buffer, sizeof buffer, "set %s '%s'", v->name, v->stringValue); break;
        }
        addLine(buffer);
    }
    addLine("");
    addLine("// Billentyűparancsok"_cp);
    for (int code = 0; code < kKeyCount; ++code) {
        if (keyBindings[code][0] != '\0') {
            addLine((std::string("bill ") + KeyName(code) + " '" + keyBindings[code] + "'").c_str());
        }
    }

    FileProblem problem = FileProblem::None;
    if (WriteFileReplacing(kConfigFile, out, &problem)) {
        ConsolePrintf(console, "A main.cfg mentése sikerült."_cp);
    } else if (problem == FileProblem::WriteProtected) {
        ConsolePrintf(console, "! A main.cfg írásvédett, a régi fájl változatlan."_cp);
    } else if (problem == FileProblem::NotRegular) {
        ConsolePrintf(console, "! A main.cfg nem szabályos fájl, nem lett felülírva."_cp);
    } else {
        ConsolePrintf(console, "! A main.cfg mentése nem sikerült, a régi fájl változatlan."_cp);
    }
}
