// The list type of the stage's characters, for headers that need only its name.
#pragma once
#include "platform/large_pages.h"

#include <list>

class cStageChara;

// The stage's characters: list nodes from large pages, so that the walks of a sub-step over thousands
// of characters do not miss the address-translation caches at nearly every one.
using cStageCharaList = std::list<cStageChara, win::cLargePageAllocator<cStageChara>>;
