// Items and their command lists: the loop expansion run on every command list before it runs.
#pragma once

#include "app/checked_containers.h"

#include <cstdint>

class cEdFlow;
class cEdFlowCmd;

// The most commands a list may hold after its loops are expanded (the loop bound of play).
constexpr std::size_t MAX_EXPANDED_COMMANDS = 65536;

// Expands every loop command ("ループ": item type 23, character type 38) of the list, the first
// one first: the commands it covers stand `repetitions` times in a row and the loop command goes.
// A repetition count below 1 adds nothing; a list that would grow past MAX_EXPANDED_COMMANDS stops
// growing there, with a log line. `room` is what the copies may add of the entries counted by
// CountHeldEntries (what the stage has left for them): past it the list stops growing too. Returns
// the entries the copies added.
std::size_t ExpandLoops(cCheckedVector<cEdFlowCmd>& commands, std::size_t room = SIZE_MAX);

// The entries the stage's bound on what its objects hold counts (PlayBound::HeldEntries): every
// flow, condition, key step and command, those of the flows a command carries included.
std::size_t CountHeldEntries(const cEdFlowCmd& command);
std::size_t CountHeldEntries(const cCheckedVector<cEdFlowCmd>& commands);
std::size_t CountHeldEntries(const cCheckedVector<cEdFlow>& flows);
