// What the flow commands reach of stage play: the pause loop's waits, screen effects and the screen
// colour.
#pragma once

// Fills the flow commands' table of calls into stage play (done at the start of stage play).
void InstallFlowPlayHooks();
