// Named moments of a run (the start, a frame of the game thread, a stage's set-up, the pause and
// ranking loops, a music start) that a watcher may be told of. The player sets no watcher; a test
// build of it sets one to make allocations or thread starts fail from a chosen moment on.
#pragma once

using FaultPointWatcher = void (*)(const char* name);

// Sets the watcher (null for none).
void WatchFaultPoints(FaultPointWatcher watcher);
// Tells the watcher, on the calling thread, that the run has reached `name`.
void PassFaultPoint(const char* name);
