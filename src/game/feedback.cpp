#include "game/feedback.h"

FeedbackEvents feedbackEvents;

FeedbackEvents FeedbackTake()
{
    const FeedbackEvents taken = feedbackEvents;
    feedbackEvents = FeedbackEvents{};
    return taken;
}
