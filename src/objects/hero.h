// Heroes beside their class: the flow changes items queue.
#pragma once

#include <string>

class cHero;

// Applies, in order, the flow changes queued while the hero's own flows were stepped, and empties
// the queue.
void ApplyPendingFlowChanges(cHero& hero);
