// Soak: the real binary (built with AddressSanitizer and leak detection) plays a long random input
// script with the default content, headless. It must end normally, with no sanitizer report and no
// leak, and its resident memory must stay flat. AVIORRA_SOAK_MINUTES sets the virtual play time
// (2 minutes by default) and AVIORRA_SOAK_SEED the script's seed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "soak_script.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Sample {
    double seconds;   // real time since the start
    long rssKb;
};

// VmRSS or VmHWM of a running process, in KiB; 0 once it is gone.
long StatusKb(pid_t pid, const char* field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::strtol(line.c_str() + std::string(field).size(), nullptr, 10);
        }
    }
    return 0;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

double EnvNumber(const char* name, double fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atof(value) : fallback;
}

// The largest resident size among the samples whose time lies in [from, to) of the run's length.
long PeakBetween(const std::vector<Sample>& samples, double from, double to)
{
    const double length = samples.empty() ? 0.0 : samples.back().seconds;
    long peak = 0;
    for (const Sample& s : samples) {
        if (s.seconds >= from * length && s.seconds < to * length) {
            peak = std::max(peak, s.rssKb);
        }
    }
    return peak;
}

class SoakTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/aviorra-soak-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        // A copy of the generated default content beside the binary.
        const fs::path content = fs::path(AVIORRA_BINARY).parent_path() / "game";
        ASSERT_TRUE(fs::exists(content / "data.vrk")) << content;
        fs::copy(content, dir_, fs::copy_options::recursive);
    }

    void TearDown() override
    {
        if (!HasFailure()) {
            fs::remove_all(dir_);
        } else {
            std::printf("soak folder kept: %s\n", dir_.c_str());
        }
    }

    fs::path dir_;
};

TEST_F(SoakTest, LongRandomPlayEndsCleanlyWithFlatMemory)
{
    const double minutes = EnvNumber("AVIORRA_SOAK_MINUTES", 2.0);
    const unsigned seed = static_cast<unsigned>(EnvNumber("AVIORRA_SOAK_SEED", 1234));
    const SoakScript script = SoakScriptWriter(seed, 20, 80).Write(static_cast<std::uint64_t>(minutes * 60000.0));
    {
        std::ofstream out(dir_ / "soak.txt", std::ios::binary);
        out << script.text;
    }

    // Freed memory waits in a small quarantine only, so the resident size follows what the game holds.
    const std::string asan = "ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16:abort_on_error=0";
    std::vector<std::string> environment = {asan};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("ASAN_OPTIONS=", 0) != 0) {
            environment.emplace_back(*e);
        }
    }
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    std::string binary = AVIORRA_BINARY;
    std::string headless = "--headless";
    std::string input = "--input";
    std::string scriptPath = (dir_ / "soak.txt").string();
    std::vector<char*> argv = {binary.data(), headless.data(), input.data(), scriptPath.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    std::vector<Sample> samples;
    long peakKb = 0;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long rss = StatusKb(pid, "VmRSS:");
        if (rss > 0) {
            samples.push_back({seconds, rss});
            peakKb = std::max(peakKb, StatusKb(pid, "VmHWM:"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const double realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::string out = ReadFile(dir_ / "stdout.txt");
    const std::string err = ReadFile(dir_ / "stderr.txt");
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal\n" << err.substr(0, 20000);
    EXPECT_EQ(WEXITSTATUS(status), 0) << err.substr(0, 20000);
    EXPECT_EQ(err.find("Sanitizer"), std::string::npos) << err.substr(0, 20000);
    EXPECT_EQ(err.find("runtime error"), std::string::npos) << err.substr(0, 20000);
    // The run played: a saved game was written with F5 during a run.
    EXPECT_TRUE(fs::exists(dir_ / "avr.sav"));

    // Flat memory: after the first quarter (content loaded, every kind of scene seen once) the
    // resident size of the last quarter stays within a small margin of the second quarter's.
    ASSERT_GE(samples.size(), 8u);
    const long early = PeakBetween(samples, 0.25, 0.5);
    const long late = PeakBetween(samples, 0.75, 1.01);
    std::printf(
        "soak: %llu frames, %.1f s virtual, %.1f s real, resident peak %ld KiB in the second quarter, "
        "%ld KiB in the last quarter, high-water mark %ld KiB\n",
        static_cast<unsigned long long>(script.frames), static_cast<double>(script.milliseconds) / 1000.0, realSeconds,
        early, late, peakKb);
    EXPECT_LE(late, early + early / 10 + 16 * 1024) << "resident memory grew over the run";
}

}  // namespace
