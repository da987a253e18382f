// The real binary on real time: ended by a signal while recording, and started where there is no
// display.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "../support/game_folder.h"

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.Write("exec.vrs", "set g_hosszusag 320\r\nset g_magassag 240\r\nset g_buffer_szam 1\r\n");
    }

    // Starts the binary in the folder through the shell (so its output lands in files); the pid of
    // the binary itself, which the shell replaces itself with.
    pid_t Start(const std::string& arguments, const std::string& environment = "") const
    {
        const std::string command = "cd '" + folder_.Root().string() + "' && " + environment +
                                    " LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=" + AVIORRA_SOURCE_DIR +
                                    "/tests/lsan.supp} exec " + AVIORRA_BINARY + " " + arguments +
                                    " >stdout.txt 2>stderr.txt";
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }

    // The exit status after at most `seconds`; -1 when it ended otherwise, -2 when it had to be killed.
    static int Wait(pid_t pid, int seconds)
    {
        for (int i = 0; i < seconds * 20; ++i) {
            int raw = 0;
            if (waitpid(pid, &raw, WNOHANG) == pid) {
                return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -2;
    }

    // The milliseconds of all frames of a recording.
    static long RecordedMilliseconds(const std::string& text, long& frames)
    {
        std::istringstream lines(text);
        std::string line;
        long total = 0;
        frames = 0;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            long count = 0, ms = 0;
            if (words >> count >> ms) {
                total += count * ms;
                frames += count;
            }
        }
        return total;
    }

    GameFolder folder_{"e2e_desktop"};
};

}  // namespace

TEST_F(DesktopTest, InterruptEndsARealTimeRunThatRecordsTheTimeItPlayed)
{
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = Start("--headless --record rec.txt");
    ASSERT_GT(pid, 0);
    // Wait for the first frames, then a known stretch of play.
    for (int i = 0; i < 400 && folder_.Out().find("exec.vrs") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_EQ(kill(pid, SIGINT), 0);
    const int status = Wait(pid, 60);
    const long wall =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(status, 0) << folder_.Err();

    // The exit sequence ran: the recording exists, and its frames add up to the time played, which
    // lies between the stretch waited for and the whole life of the process.
    const std::string recorded = folder_.Read("rec.txt");
    ASSERT_NE(recorded.find("seed "), std::string::npos) << recorded;
    long frames = 0;
    const long ms = RecordedMilliseconds(recorded, frames);
    EXPECT_GT(frames, 2);
    EXPECT_GE(ms, 2000) << recorded;
    EXPECT_LE(ms, wall) << recorded;

    // Terminate ends it the same way.
    const pid_t second = Start("--headless");
    ASSERT_GT(second, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(kill(second, SIGTERM), 0);
    EXPECT_EQ(Wait(second, 60), 0) << folder_.Err();
}

TEST_F(DesktopTest, WithoutADisplayAWindowedStartFailsAtOnceSuggestingHeadless)
{
    // No display server to reach, and no video driver named: SDL finds nothing that shows a window.
    const pid_t pid = Start("", "unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER;");
    ASSERT_GT(pid, 0);
    const int status = Wait(pid, 60);
    EXPECT_EQ(status, 1);
    EXPECT_NE(folder_.Err().find("--headless"), std::string::npos) << folder_.Err();
}
