// Over the attract mode's demo run: the title and a blinking "Press any key".
#pragma once

void AttractOverlayDraw();
