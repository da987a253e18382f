// The frame cost of the game's own loop: the real binary on scripted runs, each a child process timed
// whole (user and system CPU time of all its threads, the rasteriser's included, and its peak
// resident size), beside a bare OpenGL program drawing the floor picture for as many frames.
//
// A figure per frame is the difference of a long and a short run of the same script divided by the
// frames between them, so start-up, loading and exit cancel out. The runs of one round go one after
// the other (floor, busy play, menu, for each game binary), so that a shared machine loads them
// alike; the figures are medians over the rounds. The device's draw counts (AVIORRA_DRAW_COUNTS) are
// read from the same runs: they do not depend on the machine.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace game_runs {

// One finished child: CPU seconds over all its threads, peak resident KiB, and the device's counts.
struct RunResult {
    bool ok = false;
    bool counted = false;  // the device wrote its counts (a build without them writes none)
    double cpuSeconds = 0.0;
    long peakKiB = 0;
    std::uint64_t frames = 0, draws = 0, triangles = 0, stateChanges = 0, programs = 0;
};

// Runs `argv` with `extraEnv` added to the environment, its output to /dev/null, and waits for it.
// With `countsFile` the device's counts are read from it afterwards, where the run wrote them.
inline RunResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                     const std::string& countsFile)
{
    RunResult result;
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    if (!countsFile.empty()) {
        std::filesystem::remove(countsFile);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return result;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return result;
    }
    result.ok = true;
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    result.peakKiB = usage.ru_maxrss;
    if (!countsFile.empty()) {
        std::ifstream in(countsFile);
        std::string name;
        std::uint64_t* fields[] = {&result.frames, &result.draws, &result.triangles, &result.stateChanges,
                                   &result.programs};
        for (std::uint64_t* field : fields) {
            in >> name >> *field;
        }
        result.counted = static_cast<bool>(in);
    }
    return result;
}

// The flying part of the busy run: `frames` frames of 16 ms with the gun held, steering left, then
// right, bombing while climbing, then descending, 20 frames each in turn.
inline std::string BusyFlying(int frames)
{
    static const char* const kKeys[] = {"SPACE LEFT", "SPACE RIGHT", "SPACE LCONTROL a", "SPACE z"};
    std::ostringstream out;
    for (int done = 0, turn = 0; done < frames; done += 20, ++turn) {
        out << std::min(20, frames - done) << " 16 " << kKeys[turn % 4] << "\n";
    }
    return out.str();
}

// Busy play: seed 7, a new game from the menu, 60 frames of 80 ms for the enemies to come in, then
// `frames` frames of flying.
inline std::string BusyScript(int frames)
{
    return "seed 7\n1 16\n1 16 ENTER\n60 80\n" + BusyFlying(frames);
}

// The main menu for `frames` frames of 16 ms after the first.
inline std::string MenuScript(int frames)
{
    return "seed 7\n1 16\n" + std::to_string(frames) + " 16\n";
}

// Up to the first menu frame, then the end.
inline std::string FirstFrameScript()
{
    return "seed 7\n1 16\n";
}

// A copy of the game folder beside `binary` (its build's generated content) in `folder`, its
// start-up script set to a window of `width` x `height`.
inline bool GameFolderAt(const std::filesystem::path& binary, const std::filesystem::path& folder, int width,
                         int height)
{
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    std::filesystem::create_directories(folder, error);
    std::filesystem::copy(binary.parent_path() / "game", folder, std::filesystem::copy_options::recursive, error);
    if (error) {
        return false;
    }
    std::ifstream in(folder / "exec.vrs");
    std::ostringstream kept;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("set g_hosszusag ", 0) == 0) {
            line = "set g_hosszusag " + std::to_string(width);
        } else if (line.rfind("set g_magassag ", 0) == 0) {
            line = "set g_magassag " + std::to_string(height);
        }
        kept << line << "\n";
    }
    in.close();
    std::ofstream(folder / "exec.vrs") << kept.str();
    return true;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

}  // namespace game_runs
