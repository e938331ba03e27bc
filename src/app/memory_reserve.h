// Memory held back for the moment memory runs out: given back to the heap just before the user is
// told, so that the box, its text and the close that follows find memory even when the work that
// failed took all there was.
#pragma once

#include <cstddef>

// The size of the reserve.
constexpr std::size_t MEMORY_RESERVE_BYTES = std::size_t{4} << 20;

// Takes the reserve when none is held; false when there is no memory for it (nothing is held then).
// Its pages are never written: it costs address space, not resident memory.
bool HoldMemoryReserve();
// Gives the reserve back to the heap; false when none was held.
bool ReleaseMemoryReserve();
// Whether a reserve is held.
bool MemoryReserveHeld();
