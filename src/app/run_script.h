// Scripted and recorded runs: an input script drives the frames with exact keys and virtual time;
// a recording writes what the player did in the same format, so a run replays exactly.
//
//   seed N                    replaces the time-based seed of start-up
//   N MS [KEY ...]            run N frames, each MS milliseconds long, with exactly these keys down
//   shot FILE.png             write the last presented frame as a PNG
//
// KEY is a key name of the key-name table, ESCAPE, or #C with a decimal key code; '#' otherwise
// starts a comment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/game.h"

struct RunInstruction {
    enum Kind { Seed, Frames, Shot } kind;
    int line;
    unsigned seed;
    unsigned count;
    unsigned milliseconds;
    std::vector<std::uint8_t> keys;   // key codes down during the frames
    std::string path;
};

struct RunScript {
    std::vector<RunInstruction> instructions;
};

// Parses a script; false with the reason (and line) in `error` for malformed text.
bool RunScriptParse(const std::string& text, RunScript& script, std::string& error);

// Reads (a regular file of at most 128 MiB) and parses a script; false with the reason in `error`.
bool RunScriptLoad(const std::string& path, RunScript& script, std::string& error);
// Whether a shot of the script failed (the run then ends with status 1).
bool RunScriptShotFailed();

// Makes `script` drive the run: virtual time from now on, the leading seed for start-up. Returns the
// hooks for the main loop; the script must outlive the run.
FrameDriver RunScriptStart(RunScript& script);

// Whether a script drives the run (its frames must not wait for the display).
bool RunScriptActive();

// Records the run; combined with a script run when both are asked for. Returns the hooks to use.
FrameDriver RunRecordStart(const FrameDriver* inner);
// Whether the run is being recorded.
bool RunRecordActive();
// Writes the recording (after the run); false when the file cannot be written.
bool RunRecordWrite(const std::string& path);
// Before the run: false with the reason when the recording's name exists as something other than a
// writable regular file (a device, a FIFO, a folder, a write-protected file), which is never replaced.
// Temporary files that a run killed while writing the recording left beside it are removed.
bool RunRecordCheckTarget(const std::string& path, std::string& error);
// The same check for the sound of the run (--audio).
bool RunAudioCheckTarget(const std::string& path, std::string& error);

// Collects the mixed sound output from start-up on (in a scripted run the virtual-time mix, otherwise
// what the player hears), and writes it as a 16-bit stereo WAV at the output rate after the run;
// false (reason on stderr) when the file cannot be written. At most the first ten minutes are kept.
void RunAudioStart();
bool RunAudioWrite(const std::string& path);

// The name of a key code in scripts: a key name, ESCAPE, or #C.
std::string RunKeyName(int code);
// The key code of a script key word, or -1.
int RunKeyCode(const std::string& word);

// Writes the last presented frame as a PNG; false (reason on stderr) when there is none or the file
// cannot be written.
bool ScreenshotWrite(const std::string& path);
