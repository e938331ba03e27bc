// The list type of the stage's characters, for headers that need only its name.
#pragma once
#include "platform/large_pages.h"

#include <list>

class cStageChara;

// The stage's characters: list nodes from large pages, so that the walks of a sub-step over thousands
// of characters do not miss the address-translation caches at nearly every one.
// Gains: a frame of a stage of 1,881 characters about 60% shorter, of 427 with 1,139 items about 20%.
using cStageCharaList = std::list<cStageChara, win::cLargePageAllocator<cStageChara>>;
