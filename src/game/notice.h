// The short notice the HUD shows after saving or loading: its kind and how long it stays.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t kNoticeSaved = 1;    // "Game Saved"
inline constexpr std::uint8_t kNoticeLoaded = 2;   // "Game Loaded"
inline constexpr float kNoticeSeconds = 1.5f;

// 1 "Game Saved", 2 "Game Loaded"; any other value shows no text.
extern std::uint8_t noticeKind;
// Seconds the notice stays on screen; the HUD lowers it in every playing frame it draws.
extern float noticeTimer;

// Shows notice `kind` for 1.5 s from now (a repeated notice starts its time again).
void NoticeShow(std::uint8_t kind);
// Back to the state at program start: no notice (tests).
void NoticeReset();
