// The console window drawn over the game while the console is open.
#pragma once

// Draws the 15 view lines and the input line after a '>' prompt with a '_' cursor mark, in the small
// font, opaque white, from 22.5 % of the screen width and 35 % of its height. Does nothing while the
// console is closed.
void ConsoleOverlayDraw();
