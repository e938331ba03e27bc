// The arranged fixture: the demo project whose common palette holds an item that arranges its own
// command, with two stages played on their own.
//
// "data\stg4\arranged.stg4_000": every second the hero takes the common palette's item kArrangedItem,
// whose commands first add the hero's variable 1 (kArrangeStep, set at the flow's start) to both
// bounds of the random value of its status command, then add that value to the score: the score
// grows by kArrangeStep, 2 x kArrangeStep, 3 x kArrangeStep ... as the item is taken again within
// the stage, and starts from kArrangeStep again at every set-up of the stage.
//
// "data\stg4\start_cycle.stg4_000": flows that run before the stage starts and start each other: the
// hero's two flows start every other flow of the hero, a slime's two flows start each other by ID.
// Each flow adds a digit of its own to the score before the start and again after it (kCycleScore in
// all when each flow runs its commands once).
#pragma once

#include "project/common_palette.h"
#include "records/ed_stage.h"

#include <string>

namespace arranged_fixture {

inline constexpr const char* kArrangedBase = "arranged";
inline constexpr const char* kCycleBase = "start_cycle";
inline constexpr int kArrangeStep = 100;
inline constexpr int kCycleScore = 2222;

// The demo's common palette with the arranging item added as its last item.
cCommonPalette ArrangedPalette();
// The index of the arranging item in ArrangedPalette().
int ArrangedItem();
cEdStage ArrangedStage();
cEdStage CycleStage();

// Writes the demo project, its common palette replaced, and the two stages into the folder.
bool Write(const std::string& folder);

} // namespace arranged_fixture
