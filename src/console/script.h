// Script files: command lines executed one by one as if typed; main.cfg written from the settings.
#pragma once

inline constexpr int kScriptLineLimit = 249;   // characters kept of one script line
inline constexpr int kScriptNestingLimit = 16; // scripts running inside scripts

// Runs a script file (a game path: backslashes name directories).
void ScriptExecute(const char* fileName);

// Console commands.
void ScriptCommand();       // scr
void ConfigCommand();       // cfg, exec
void ConfigWriteCommand();  // cfg_ir
