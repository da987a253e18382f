// Scripted and recorded runs, in this order:
//
//   1. Helpers: limits, number parsing, output file checks and the reasons of failed writes.
//   2. Playing a script: the frame driver that sets each frame's keys and advances the virtual clock,
//      running seed and shot instructions between frames.
//   3. Recording: the frame driver that wraps another and gathers each frame's time and keys,
//      merging equal frames into one line.
//   4. Key words (RunKeyName, RunKeyCode), parsing and loading a script, starting a script or a
//      recording and writing it.
//   5. The sound of the run (captured mix to a WAV file) and screenshots (the last frame to a PNG).
#include "app/run_script.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "app/graphics.h"
#include "app/input.h"
#include "console/bindings.h"
#include "core/random.h"
#include "platform/bass/bass.h"
#include "platform/bass/wav.h"
#include "platform/dinput/dinput.h"
#include "platform/win/clock.h"
#include "platform/win/files.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

constexpr int kKeyEscape = 1;
constexpr unsigned long kMaxFrameMs = 60'000;
constexpr unsigned long kMaxFrameCount = 100'000'000;
constexpr std::size_t kMaxScriptBytes = std::size_t{128} << 20;

bool ParseUnsigned(const std::string& word, unsigned long limit, unsigned& out)
{
    if (word.empty() || word.size() > 10) {
        return false;
    }
    unsigned long value = 0;
    for (char ch : word) {
        if (ch < '0' || ch > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long>(ch - '0');
    }
    if (value > limit) {
        return false;
    }
    out = static_cast<unsigned>(value);
    return true;
}

// The reason after a failed write's message.
std::string ProblemText(FileProblem problem)
{
    switch (problem) {
    case FileProblem::NotRegular: return ": it exists and is not a regular file, left as it is";
    case FileProblem::WriteProtected: return ": the file is write-protected, left as it is";
    case FileProblem::None: return "";
    default: return std::string(": ") + std::strerror(errno);   // read right after the failed write
    }
}

// Before the run: a file the run writes at its end exists as something that is never replaced.
bool OutputTargetCheck(const std::string& what, const std::string& path, std::string& error)
{
    const FileProblem problem = FileReplaceCheck(path);
    if (problem == FileProblem::NotRegular || problem == FileProblem::WriteProtected) {
        error = "cannot write " + what + " '" + path + "'" + ProblemText(problem);
        return false;
    }
    // What a run killed while writing this file left beside it goes now.
    FilesRemoveStaleTemporaries(path);
    return true;
}

bool IsKeyCodeWord(const std::string& word)
{
    return word.size() >= 2 && word[0] == '#' && word[1] >= '0' && word[1] <= '9';
}

// ---- Playing a script ------------------------------------------------------------------------------

RunScript* playing = nullptr;
bool shotFailed = false;
std::size_t cursor = 0;
unsigned framesLeft = 0;
std::uint8_t scriptedKeys[256];

void RunNonFrameInstructions()
{
    while (cursor < playing->instructions.size()) {
        const RunInstruction& instruction = playing->instructions[cursor];
        if (instruction.kind == RunInstruction::Frames) {
            return;
        }
        if (instruction.kind == RunInstruction::Shot) {
            shotFailed = !ScreenshotWrite(instruction.path) || shotFailed;
        } else {
            RandomSeed(instruction.seed);
        }
        ++cursor;
    }
}

bool ScriptBeforeFrame()
{
    while (framesLeft == 0) {
        RunNonFrameInstructions();
        if (cursor >= playing->instructions.size()) {
            return false;
        }
        framesLeft = playing->instructions[cursor].count;
        if (framesLeft == 0) {
            ++cursor;
        }
    }
    const RunInstruction& frames = playing->instructions[cursor];
    std::fill(std::begin(scriptedKeys), std::end(scriptedKeys), 0);
    for (std::uint8_t code : frames.keys) {
        scriptedKeys[code] = 0x80;
    }
    DInputSetScriptedKeys(scriptedKeys);
    ClockAdvance(frames.milliseconds);
    --framesLeft;
    return true;
}

void ScriptAfterFrame()
{
    if (framesLeft == 0) {
        ++cursor;
        RunNonFrameInstructions();
    }
}

// ---- Recording -------------------------------------------------------------------------------------

struct RecordedFrames {
    unsigned count;
    unsigned milliseconds;
    std::vector<std::uint8_t> keys;
};

FrameDriver recordInner{};
bool recordStarted = false;
bool recording = false;
DWORD lastFrameTicks = 0;
DWORD lastFrameSlept = 0;
std::vector<RecordedFrames> recorded;

bool RecordBeforeFrame()
{
    if (!recordStarted) {
        // The first frame's time counts from the clock read at the end of start-up.
        lastFrameTicks = frameClockTicks;
        lastFrameSlept = frameClockSlept;
        recordStarted = true;
    }
    return recordInner.beforeFrame == nullptr || recordInner.beforeFrame();
}

void RecordAfterFrame()
{
    // The frame's time is the one the game used: from the previous frame's clock read to this one,
    // less what Sleep took in between (a replay's Sleep adds that to the virtual clock itself).
    const DWORD elapsed = frameClockTicks - lastFrameTicks;
    const DWORD slept = frameClockSlept - lastFrameSlept;
    // A frame longer than a script allows (the machine was suspended) is written as the longest one,
    // so the recording stays readable.
    const unsigned milliseconds =
        static_cast<unsigned>(std::min<unsigned long>(elapsed > slept ? elapsed - slept : 0, kMaxFrameMs));
    lastFrameTicks = frameClockTicks;
    lastFrameSlept = frameClockSlept;
    std::vector<std::uint8_t> keys;
    for (int code = 0; code < 256; ++code) {
        if ((inputState.keyState[code] & 0x80) != 0) {
            keys.push_back(static_cast<std::uint8_t>(code));
        }
    }
    if (!recorded.empty() && recorded.back().milliseconds == milliseconds && recorded.back().keys == keys) {
        ++recorded.back().count;
    } else {
        recorded.push_back({1, milliseconds, std::move(keys)});
    }
    if (recordInner.afterFrame != nullptr) {
        recordInner.afterFrame();
    }
}

}  // namespace

std::string RunKeyName(int code)
{
    if (code == kKeyEscape) {
        return "ESCAPE";
    }
    const char* name = KeyName(code);
    if (name[0] != '\0' && KeyCodeFromName(name) == code) {
        return name;
    }
    return "#" + std::to_string(code);
}

int RunKeyCode(const std::string& word)
{
    if (word == "ESCAPE") {
        return kKeyEscape;
    }
    if (IsKeyCodeWord(word)) {
        unsigned code = 0;
        return ParseUnsigned(word.substr(1), 255, code) ? static_cast<int>(code) : -1;
    }
    int code = KeyCodeFromName(word.c_str());
    return code != 0 ? code : -1;
}

bool RunScriptParse(const std::string& text, RunScript& script, std::string& error)
{
    script.instructions.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto failAt = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream in(line);
        std::vector<std::string> words;
        std::string word;
        while (in >> word) {
            if (word[0] == '#' && !IsKeyCodeWord(word)) {
                break;   // the rest of the line is a comment
            }
            words.push_back(word);
        }
        if (words.empty()) {
            continue;
        }

        RunInstruction instruction{};
        instruction.line = number;
        if (words[0] == "seed") {
            instruction.kind = RunInstruction::Seed;
            if (words.size() != 2 || !ParseUnsigned(words[1], 0xFFFFFFFFul, instruction.seed)) {
                return failAt("expected 'seed N' with a non-negative integer N");
            }
        } else if (words[0] == "shot") {
            instruction.kind = RunInstruction::Shot;
            if (words.size() != 2) {
                return failAt("expected 'shot FILE.png'");
            }
            instruction.path = words[1];
        } else {
            instruction.kind = RunInstruction::Frames;
            if (words.size() < 2 || !ParseUnsigned(words[0], kMaxFrameCount, instruction.count) ||
                !ParseUnsigned(words[1], kMaxFrameMs, instruction.milliseconds)) {
                return failAt("expected 'N MS [KEY ...]', 'seed N' or 'shot FILE.png'");
            }
            for (std::size_t i = 2; i < words.size(); ++i) {
                int code = RunKeyCode(words[i]);
                if (code < 0) {
                    return failAt("unknown key '" + words[i] + "'");
                }
                instruction.keys.push_back(static_cast<std::uint8_t>(code));
            }
        }
        script.instructions.push_back(std::move(instruction));
    }
    return true;
}

bool RunScriptActive()
{
    return playing != nullptr;
}

bool RunScriptLoad(const std::string& path, RunScript& script, std::string& error)
{
    std::string text;
    FileProblem problem = FileProblem::None;
    if (!ReadRegularFile(path, kMaxScriptBytes, text, problem)) {
        if (problem == FileProblem::NotRegular) {
            error = "the input script '" + path + "' is not a regular file";
        } else if (problem == FileProblem::TooLarge) {
            error = "the input script '" + path + "' is larger than " + std::to_string(kMaxScriptBytes >> 20) + " MiB";
        } else {
            error = "cannot read the input script '" + path + "'";
        }
        return false;
    }
    if (!RunScriptParse(text, script, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool RunScriptShotFailed()
{
    return shotFailed;
}

FrameDriver RunScriptStart(RunScript& script)
{
    playing = &script;
    shotFailed = false;
    cursor = 0;
    framesLeft = 0;
    ClockUseVirtualTime(0);
    // Seeds before the first frame replace the start-up seed; later ones reseed where they stand.
    while (cursor < script.instructions.size() && script.instructions[cursor].kind == RunInstruction::Seed) {
        GameSetSeed(true, script.instructions[cursor].seed);
        ++cursor;
    }
    return FrameDriver{ScriptBeforeFrame, ScriptAfterFrame};
}

FrameDriver RunRecordStart(const FrameDriver* inner)
{
    recordInner = inner != nullptr ? *inner : FrameDriver{};
    recordStarted = false;
    recording = true;
    recorded.clear();
    return FrameDriver{RecordBeforeFrame, RecordAfterFrame};
}

bool RunRecordActive()
{
    return recording;
}

bool RunRecordWrite(const std::string& path)
{
    std::string out = "# recorded run\nseed " + std::to_string(GameSeedUsed()) + "\n";
    for (const RecordedFrames& frames : recorded) {
        out += std::to_string(frames.count) + " " + std::to_string(frames.milliseconds);
        for (std::uint8_t code : frames.keys) {
            out += " " + RunKeyName(code);
        }
        out += "\n";
    }
    FileProblem problem = FileProblem::None;
    if (!WriteFileReplacing(path, out, &problem)) {
        std::fprintf(stderr, "aviorra: cannot write the recording '%s'%s\n", path.c_str(),
                     ProblemText(problem).c_str());
        return false;
    }
    return true;
}

bool RunRecordCheckTarget(const std::string& path, std::string& error)
{
    return OutputTargetCheck("the recording", path, error);
}

bool RunAudioCheckTarget(const std::string& path, std::string& error)
{
    return OutputTargetCheck("the sound of the run", path, error);
}

void RunAudioStart()
{
    BassCaptureSet(true);
}

bool RunAudioWrite(const std::string& path)
{
    const std::vector<float> mixed = BassCaptureTake();
    const int rate = BassCaptureRate() > 0 ? BassCaptureRate() : 44100;
    std::vector<std::int16_t> pcm;
    pcm.reserve(mixed.size());
    for (float sample : mixed) {
        const float scaled = std::clamp(sample * 32768.0f, -32768.0f, 32767.0f);
        pcm.push_back(static_cast<std::int16_t>(std::lrint(scaled)));
    }
    const std::string out = WavPcm16(pcm, 2, rate);
    FileProblem problem = FileProblem::None;
    if (!WriteFileReplacing(path, out, &problem)) {
        std::fprintf(stderr, "aviorra: cannot write the sound of the run '%s'%s\n", path.c_str(),
                     ProblemText(problem).c_str());
        return false;
    }
    return true;
}

bool ScreenshotWrite(const std::string& path)
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    if (device == nullptr || !DeviceReadLastFrame(device, width, height, rgba) || width <= 0 || height <= 0) {
        std::fprintf(stderr, "aviorra: shot %s: no frame has been presented yet\n", path.c_str());
        return false;
    }
    // The window is opaque whatever alpha the blending left in the back buffer.
    for (std::size_t i = 3; i < rgba.size(); i += 4) {
        rgba[i] = 0xFF;
    }
    // Encoded in memory and then written whole: a failed write leaves no partial file.
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(rgba.data(), width * 4, width, height, 4, &length);
    FileProblem problem = FileProblem::Failed;
    const bool written =
        png != nullptr && length > 0 &&
        WriteFileReplacing(path, std::string_view(reinterpret_cast<const char*>(png), static_cast<std::size_t>(length)),
                           &problem);
    std::free(png);
    if (!written) {
        std::fprintf(stderr, "aviorra: shot %s: the file cannot be written%s\n", path.c_str(),
                     ProblemText(problem).c_str());
        return false;
    }
    return true;
}
