// What the player should feel of a frame: the simulation's steps count the events, the frame loop
// takes them after the steps (for a gamepad's rumble) and the count starts again.
#pragma once

#include <cstdint>

struct FeedbackEvents {
    std::uint16_t playerHits = 0;     // enemy bullets that hit the player
    std::uint16_t explosions = 0;     // bombs that burst on the sea or brought a building down
    bool playerDestroyed = false;     // the player's aircraft was shot down or collided
};

extern FeedbackEvents feedbackEvents;

// The events since the last call; the count starts again.
FeedbackEvents FeedbackTake();
