#include "console/variables.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "console/console.h"
#include "platform/win/codepage.h"

ConsoleVariable* varList = nullptr;

namespace {

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

// The newest record of every stored name, so that creating and finding stay fast with many
// variables; the list keeps the order and the records.
std::unordered_map<std::string, ConsoleVariable*> varIndex;

// The first record named `name` in the list (the newest of that name).
ConsoleVariable* VarFind(const char* name)
{
    const auto found = varIndex.find(name);
    return found != varIndex.end() ? found->second : nullptr;
}

enum class ValueShape { Float, Rgb, Int, String, Refused };

ValueShape Classify(const char* value)
{
    int digits = 0, points = 0, commas = 0, others = 0;
    for (const char* p = value; *p != '\0'; ++p) {
        if (IsDigit(*p)) {
            ++digits;
        } else if (*p == '.') {
            ++points;
        } else if (*p == ',') {
            ++commas;
        } else {
            ++others;
        }
    }
    if (others == 0 && commas == 0 && points >= 1) {
        return ValueShape::Float;
    }
    if (others == 0 && points == 0 && commas >= 2) {
        return ValueShape::Rgb;
    }
    if (others == 0 && points == 0 && commas == 0) {
        return ValueShape::Int;
    }
    if (digits == 0) {
        return ValueShape::String;
    }
    return ValueShape::Refused;
}

// Decimal digits to an integer that saturates instead of overflowing.
long long ReadSaturating(const char* begin, const char* end)
{
    long long value = 0;
    for (const char* p = begin; p < end && IsDigit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > 0x7FFFFFFF) {
            value = 0x7FFFFFFF;
        }
    }
    return value;
}

// The values the game's own variables are known to take; set says so when a whole number falls
// outside (the value is kept, as it always was: where it is read, the game applies its own limits).
struct KnownRange {
    const char* name;
    std::int32_t low;
    std::int32_t high;
};
constexpr KnownRange kKnownRanges[] = {
    {"h_hangero", 0, 100},   {"g_hosszusag", 1, 16384}, {"g_magassag", 1, 16384},   {"g_buffer_szam", 0, 3},
    {"g_ablakos", 0, 1},     {"g_vsync", 0, 1},         {"h_konzol", 0, 1},         {"h_dev", 0, 1},
    {"h_fps", 0, 1},         {"h_fokusz_szunet", 0, 1}, {"h_szoveg_bevitel", 0, 1}, {"h_sugo_tomor", 0, 1},
    {"h_menu_jelzes", 0, 1}, {"j_rezges", 0, 1},        {"j_bemutato", 0, 1},       {"g_arnyekok", 0, 1},
};

}  // namespace

std::int32_t VarGetInt(const char* name)
{
    ConsoleVariable* v = VarFind(name);
    return v != nullptr && v->type == VarType::Int ? v->intValue : 0;
}

float VarGetFloat(const char* name)
{
    ConsoleVariable* v = VarFind(name);
    return v != nullptr && v->type == VarType::Float ? v->floatValue : 0.0f;
}

const char* VarGetString(const char* name)
{
    ConsoleVariable* v = VarFind(name);
    return v != nullptr && v->type == VarType::String ? v->stringValue : nullptr;
}

std::int32_t ParseRgb(const char* text)
{
    long long component[3] = {0, 0, 0};
    const char* p = text;
    for (int i = 0; i < 3 && p != nullptr; ++i) {
        const char* comma = std::strchr(p, ',');
        const char* end = comma != nullptr ? comma : p + std::strlen(p);
        // Digits only are ever classified as a colour; a component is read whole, saturating.
        component[i] = ReadSaturating(p, end);
        if (component[i] > 255) {
            component[i] = 255;
        }
        if (component[i] < 0) {
            component[i] = 0;
        }
        p = comma != nullptr ? comma + 1 : nullptr;
    }
    int r = static_cast<int>(component[0]);
    int g = static_cast<int>(component[1]);
    int b = static_cast<int>(component[2]);
    ConsolePrintf(console, "RGB -> %i,%i,%i", r, g, b);
    return r + g * 256 + b * 65536;
}

void VarSetFromText(const char* name, const char* value)
{
    if (name == nullptr || name[0] == '\0') {
        return;
    }
    if (value == nullptr || value[0] == '\0') {
        ConsoleVariable** link = &varList;
        while (*link != nullptr && std::strcmp((*link)->name, name) != 0) {
            link = &(*link)->next;
        }
        if (*link != nullptr) {
            ConsoleVariable* gone = *link;
            *link = gone->next;
            // An older record of the same stored name (long names are cut) becomes the one found.
            ConsoleVariable* older = gone->next;
            while (older != nullptr && std::strcmp(older->name, gone->name) != 0) {
                older = older->next;
            }
            if (older != nullptr) {
                varIndex[gone->name] = older;
            } else {
                varIndex.erase(gone->name);
            }
            delete gone;
        }
        return;
    }

    ValueShape shape = Classify(value);
    if (shape == ValueShape::Refused) {
        return;
    }

    VarType type = VarType::String;
    std::int32_t intValue = 0;
    float floatValue = 0.0f;
    switch (shape) {
    case ValueShape::Float:
        type = VarType::Float;
        floatValue = std::strtof(value, nullptr);
        break;
    case ValueShape::Rgb:
        type = VarType::Int;
        intValue = ParseRgb(value);
        break;
    case ValueShape::Int:
        type = VarType::Int;
        intValue = static_cast<std::int32_t>(ReadSaturating(value, value + std::strlen(value)));
        break;
    default: break;
    }

    ConsoleVariable* v = VarFind(name);
    if (v == nullptr) {
        v = new ConsoleVariable{};
        ConsoleCopyText(v->name, name, sizeof v->name);
        v->next = varList;
        varList = v;
        varIndex[v->name] = v;
    }
    v->type = type;
    v->intValue = intValue;
    v->floatValue = floatValue;
    if (type == VarType::String) {
        ConsoleCopyText(v->stringValue, value, sizeof v->stringValue);
    }
}

void VarListFree()
{
    varIndex.clear();
    while (varList != nullptr) {
        ConsoleVariable* next = varList->next;
        delete varList;
        varList = next;
    }
}

void VarListCommand()
{
    ConsolePrintf(console, "--------------------");
    ConsolePrintf(console, "Futásidejű változók:"_cp);
    ConsolePrintf(console, "--------------------");
    int count = 0;
    for (ConsoleVariable* v = varList; v != nullptr; v = v->next) {
        switch (v->type) {
        case VarType::Float: ConsolePrintf(console, "%s  %f", v->name, static_cast<double>(v->floatValue)); break;
        case VarType::Int: ConsolePrintf(console, "%s  %i", v->name, v->intValue); break;
        case VarType::String: ConsolePrintf(console, "%s  %s", v->name, v->stringValue); break;
        }
        ++count;
    }
    ConsolePrintf(console, "Összesen: %i"_cp, count);
}

void VarInitCommand()
{
    ConsoleExecute(console, "set g_ablakos 1");
    ConsoleExecute(console, "set h_konzol 0");
    ConsoleExecute(console, "set h_fps 0");
    ConsoleExecute(console, "set j_jatekstatus 1");
}

void VarToggleCommand()
{
    const char* name = console.tokens[1];
    bool toggled = false;
    bool other = false;
    for (ConsoleVariable* v = varList; v != nullptr; v = v->next) {
        if (std::strcmp(v->name, name) != 0) {
            continue;
        }
        if (v->type == VarType::Int) {
            v->intValue = v->intValue == 0 ? 1 : 0;
            toggled = true;
        } else {
            other = true;
        }
    }
    if (!toggled) {
        ConsolePrintf(console,
                      other ? "A(z) '%s' nem egész szám, nem kapcsolható."_cp : "Nincs ilyen változó: '%s'."_cp, name);
    }
}

void VarWarnOutsideKnownValues(const char* name)
{
    const ConsoleVariable* v = VarFind(name);
    if (v == nullptr || v->type != VarType::Int) {
        return;
    }
    if (std::strcmp(name, "g_szinmelyseg") == 0) {
        if (v->intValue != 16 && v->intValue != 24 && v->intValue != 32) {
            ConsolePrintf(console, "Figyelem: a g_szinmelyseg értéke 16, 24 vagy 32 lehet, nem %d."_cp, v->intValue);
        }
        return;
    }
    for (const KnownRange& range : kKnownRanges) {
        if (std::strcmp(name, range.name) == 0 && (v->intValue < range.low || v->intValue > range.high)) {
            ConsolePrintf(console, "Figyelem: a(z) %s értéke %d és %d között lehet, nem %d."_cp, name, range.low,
                          range.high, v->intValue);
        }
    }
}
