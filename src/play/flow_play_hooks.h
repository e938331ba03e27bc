// What the flow commands reach of stage play: the pause loop's waits, screen effects, the screen
// colour and the music.
#pragma once

// Fills the flow commands' table of calls into stage play (done at the start of stage play).
void InstallFlowPlayHooks();
