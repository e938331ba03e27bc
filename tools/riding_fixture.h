// The riding fixture: the demo project with a stage ("data\stg4\riding.stg4_000") whose hero starts
// above a moving platform (a flying block character) high over the floor: the platform goes right
// for 3 s, waits 0.5 s, goes left for 3 s and waits 0.5 s, again and again. The hero, left alone,
// lands on it and is carried. A second stage, below, has the hero summon a block.
#pragma once

#include "records/ed_stage.h"

#include <string>

namespace riding_fixture {

inline constexpr const char* kStageBase = "riding";
// The row the platform starts in.
inline constexpr int kPlatformRow = 8;

cEdStage RidingStage();

// A second stage ("data\stg4\summon.stg4_000"), 40 blocks wide: the hero, on the floor, walks right
// while the right key is held, and half a second into play summons the common palette's ground block
// kSummonOffset pixels to its right. A press of the up key summons the same block the way of that
// key (shot direction 12): above the hero's head.
inline constexpr const char* kSummonBase = "summon";
inline constexpr int kSummonOffset = 128;
cEdStage SummonStage();

// Writes the demo project and the fixture's two stages into the folder.
bool Write(const std::string& folder);

} // namespace riding_fixture
