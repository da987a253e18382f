// Script files: command lines executed one by one as if typed; main.cfg written from the settings.
#pragma once

inline constexpr int kScriptLineLimit = 249;   // characters kept of one script line
inline constexpr int kScriptNestingLimit = 16; // scripts running inside scripts
// Lines one script may run, with every script it starts: a script that starts itself several times
// per level would otherwise run for ever within the nesting limit.
inline constexpr long kScriptLineBudget = 1'000'000;

// Sets the line budget of the outermost scripts started from now on (tests use small ones).
void ScriptSetLineBudget(long lines);

// Runs a script file (a game path: backslashes name directories).
void ScriptExecute(const char* fileName);

// Console commands.
void ScriptCommand();       // scr
void ConfigCommand();       // cfg, exec
void ConfigWriteCommand();  // cfg_ir
