// Calls from the flow commands into stage play, which is built on top of the flow engine: the
// pause loop, screen effects and the screen colour. Stage play fills the table when it installs its
// hooks; each entry left empty does the least harm (the command still runs, decides and waits no
// time; nothing is shown), so that the flow engine runs on its own in tests and tools.
#pragma once

#include <string>

class cGameScene;
struct cScreenColour;

struct FlowPlayHooks {
    // The pause loop's wait fields and its run on thPause (SetPauseWait, RunPauseLoop). Without
    // them the fields are written here and no wait happens.
    void (*SetPauseWait)(cGameScene& scene, int kind, int confirm, int frames, int noDelay) = nullptr;
    bool (*RunPauseLoop)(cGameScene& scene) = nullptr;
    // Starts screen effect n on the play scene (g_ScreenEffect); the effect then running, 0 none.
    int (*StartScreenEffect)(int n, int mode, int loop) = nullptr;
    // The screen colour and its start (g_ScreenColour, SetScreenColor).
    cScreenColour* ScreenColour = nullptr;
    void (*SetScreenColor)(cScreenColour& colour, const int p[8]) = nullptr;
};
extern FlowPlayHooks g_FlowPlayHooks;

// Runs a wait of the pause loop on the play scene: the wait fields are set, the loop runs and the
// game thread waits for it. Nothing while the scene is closing. True when the loop ran.
bool RunFlowPause(cGameScene& scene, int kind, int confirm, int frames);
