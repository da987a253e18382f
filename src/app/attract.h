// The attract mode: after kAttractIdleMs without a key in the main menu (with j_bemutato set, the
// console closed and no run waiting to be resumed), the demo run shipped with the content
// ("demo\bemutato.txt", an input script: its seed, then its frames) plays behind the title and "Press
// any key". Its frames are replayed as the script has them (their keys as the flight controls of the
// default bindings, each frame's own milliseconds), so the demo is the same run on any machine. Any
// key ends it, as does its end or the demo aircraft's end: the menu is back as it was (its selection,
// the random sequence, the notice), nothing of the demo is written (no save, no high score, no
// settings), and a run started afterwards is the run it would have been without the demo.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kAttractIdleMs = 20000;
inline constexpr const char* kDemoScriptName = "demo\\bemutato.txt";

// Once per main-menu frame, after the input poll: counts the idle time and starts the demo when it
// is due. True when the demo started (the frame then belongs to it).
bool AttractMenuFrame(std::uint32_t frameMilliseconds);
// A frame of the demo run (instead of the playing frame while attractPlaying is set); false when its
// drawing failed.
bool AttractFrame();
// Ends the demo run now, back to the menu as it was (nothing when none plays).
void AttractStop();
// Back to the state at program start (tests): no demo, no idle time, the script read again.
void AttractReset();
