// Screen text, the HUD and overlays of a playing frame, and the front-end frame.
#pragma once

#include "platform/d3d9/d3d9.h"

inline constexpr int kFontSmall = 1;   // "lucida console": hints, statistics, console, credits
inline constexpr int kFontLarge = 2;   // "verdana": headings, HUD numbers, notices, high scores

inline constexpr D3DCOLOR kYellow = 0xFFFFFF00u;
inline constexpr D3DCOLOR kWhite = 0xFFFFFFFFu;
inline constexpr D3DCOLOR kRed = 0xFFFF0000u;
inline constexpr D3DCOLOR kGreen = 0xFF00FF00u;

// Bytes ScreenText formats into: a longer text is cut to 1023 characters.
inline constexpr int kScreenTextSize = 1024;

// Formats a text printf-style and draws it unclipped with its first line's top-left corner at pixel
// (x, y) from the window's top-left corner; a newline starts the next line. Font 1 is the small font,
// font 2 the large one; any other number draws nothing.
void ScreenText(int font, int x, int y, D3DCOLOR colour, const char* format, ...) __attribute__((format(printf, 5, 6)));

// The pixel of a position given as fractions of the window size read at start-up, each product
// truncated toward zero.
int ScreenX(double fx);
int ScreenY(double fy);

// The overlays of a playing frame: the HUD band, the pause/statistics or console window and texts,
// the HUD numbers, the frame rate and the save/load notice. Runs down the notice timer.
void HudDraw();
// Before the scene of a playing frame, in the cleared frame: the opaque parts of the HUD band at the
// nearest depth, so that the scene is not shaded where they hide it; HudDraw then draws the rest of
// the band (and these parts itself when this did not run before it). Leaves the transforms in screen
// space, fog, lighting and blending off.
void HudUnderlayDraw();
// Releases the vertex buffers the HUD keeps (the band's pieces); they are made again when needed.
void HudBuffersRelease();

// Characters of the small font that fit across the console's frame at the window's size (60 without
// the font).
int HudConsoleColumns();

// The horizontal place of a HUD number: fewer digits sit further right.
double HudLevelX(int level);
double HudRoundsX(int rounds);
double HudBombsX(int bombs);
double HudKillsX(int kills);
