// Heroes beside their class: the message hand-over of items and the flow changes items queue.
#pragma once

#include <string>

class cHero;

// Stage play's message windows take an item's message; without them the message is dropped.
struct HeroHooks {
    void (*PushMessage)(cHero& hero, int pictureKind, int pictureNo, int pictureArg) = nullptr;
};
extern HeroHooks g_HeroHooks;

// Applies, in order, the flow changes queued while the hero's own flows were stepped, and empties
// the queue.
void ApplyPendingFlowChanges(cHero& hero);
