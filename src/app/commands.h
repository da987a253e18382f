// The program's command table: every console command of every subsystem, assembled here where all of
// them are visible. Each handler lives with the subsystem it acts on.
#pragma once

#include "console/console.h"

inline constexpr int kCommandCount = 45;
// The 45 commands in lookup order, followed by the end row.
extern const CommandEntry commandTable[kCommandCount + 1];
