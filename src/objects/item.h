// Items and their command lists: the loop expansion run on every command list before it runs.
#pragma once

#include "app/checked_containers.h"

class cEdFlowCmd;

// The most commands a list may hold after its loops are expanded (the loop bound of play).
constexpr std::size_t MAX_EXPANDED_COMMANDS = 65536;

// Expands every loop command ("ループ": item type 23, character type 38) of the list, the first
// one first: the commands it covers stand `repetitions` times in a row and the loop command goes.
// A repetition count below 1 adds nothing; a list that would grow past MAX_EXPANDED_COMMANDS stops
// growing there, with a log line.
void ExpandLoops(cCheckedVector<cEdFlowCmd>& commands);
