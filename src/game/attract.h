// Whether the attract mode's demo run is on screen: a run that belongs to nobody (the HUD shows the
// title over it, and nothing it does is kept).
#pragma once

extern bool attractPlaying;
