// Every test program runs without a display or a sound card: SDL's offscreen video driver and
// OpenAL's null output, unless the environment already chose others. The leak checker reads the
// project's suppressions for the system libraries, in the test programs and in the game binaries
// they start (an LSAN_OPTIONS in the environment still wins).
#include <cstdlib>

extern "C" const char* __lsan_default_options()
{
    return "suppressions=" AVIORRA_SOURCE_DIR "/tests/lsan.supp";
}

namespace {

struct TestEnvironment {
    TestEnvironment()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
        // Mesa's software rasteriser draws on the calling thread: no worker threads for the leak
        // checker to stop at exit (stopping them now and then crashes its tracer), and the same
        // pixels on every machine.
        setenv("LP_NUM_THREADS", "0", 0);
        // The game binary run by the whole-game tests is built with the sanitizers too.
        setenv("LSAN_OPTIONS", "suppressions=" AVIORRA_SOURCE_DIR "/tests/lsan.supp", 0);
    }
};

const TestEnvironment testEnvironment;

}  // namespace
