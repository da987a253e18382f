// The leak checker reads the project's suppressions even when the test runs without LSAN_OPTIONS
// (an LSAN_OPTIONS in the environment still takes precedence).
extern "C" const char* __lsan_default_options() { return "suppressions=" AVIORRA_SOURCE_DIR "/tests/lsan.supp"; }
