// What the flow commands reach of stage play: the pause loop's waits, message windows, screen
// effects, the screen colour, shown pictures, effect objects, the clear record and the music.
#pragma once

// Fills the flow commands' table of calls into stage play (done at start-up).
void InstallFlowPlayHooks();
