#include "console/placeholder.h"

#include "console/console.h"
#include "platform/win/codepage.h"

void PlaceholderCommandNotice()
{
    ConsolePrintf(console, "! A '%s' parancs még nem érhető el."_cp, console.tokens[0]);
}
