// The short notice the HUD shows after saving or loading, and the menu when an item has nothing to
// act on: its kind and how long it stays.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t kNoticeSaved = 1;    // "Game Saved"
inline constexpr std::uint8_t kNoticeLoaded = 2;   // "Game Loaded"
inline constexpr std::uint8_t kNoticeNoSave = 3;   // "No saved game" (the menu, with h_menu_jelzes)
inline constexpr std::uint8_t kNoticeNoRun = 4;    // "No game to resume" (the menu, with h_menu_jelzes)
inline constexpr float kNoticeSeconds = 1.5f;

// 1 "Game Saved", 2 "Game Loaded" (in play); 3 "No saved game", 4 "No game to resume" (in the menu);
// any other value shows no text.
extern std::uint8_t noticeKind;
// Seconds the notice stays on screen; the HUD and the menu lower it in every frame they draw.
extern float noticeTimer;

// Shows notice `kind` for 1.5 s from now (a repeated notice starts its time again).
void NoticeShow(std::uint8_t kind);
// Back to the state at program start: no notice (tests).
void NoticeReset();
