// Calls from the flow commands into stage play, which is built on top of the flow engine: the
// pause loop, message windows, screen effects, the screen colour, shown pictures, effect objects
// and the stage music. Stage play fills the table when it installs its hooks; each entry left
// empty does the least harm (the command still runs, decides and waits no time; nothing is shown
// or played), so that the flow engine runs on its own in tests and tools.
#pragma once

#include <cstddef>
#include <string>

class cGameScene;
class cMessage;
struct cClearNext;
class cPictureLayer;
struct cScreenEffectState;
struct cScreenColour;

// cMessage::Set: kind, text, reserved, chip kind, chip index, position mode, column, row, offset x,
// offset y, keep on screen, fixed, display mode, frames, count while paused, character id, no
// opening, expand, refresh, refresh period, window, two reserved words, do not render now.
using MessageSetFn = void (cMessage::*)(int, const char*, int, int, int, int, int, int, int, int, int, int,
                                        int, int, int, int, int, int, int, int, int, int, int, int);
using ScreenEffectStartFn = void (cScreenEffectState::*)(int n, int mode, int loop);

struct FlowPlayHooks {
    // The pause loop's wait fields and its run on thPause (SetPauseWait, RunPauseLoop). Without
    // them the fields are written here and no wait happens.
    void (*SetPauseWait)(cGameScene& scene, int kind, int confirm, int frames, int noDelay) = nullptr;
    bool (*RunPauseLoop)(cGameScene& scene) = nullptr;
    // Fills a message record (cMessage::Set); without it the fields are stored and nothing is rendered.
    MessageSetFn MessageSet = nullptr;
    // The play scene's screen effect and its start (g_ScreenEffect, cScreenEffectState::Start).
    cScreenEffectState* ScreenEffect = nullptr;
    ScreenEffectStartFn StartScreenEffect = nullptr;
    // The screen colour and its start (g_ScreenColour, SetScreenColor).
    cScreenColour* ScreenColour = nullptr;
    void (*SetScreenColor)(cScreenColour& colour, const int p[8]) = nullptr;
    // Loads a picture file and shows it (ShowPicture); null when it cannot be loaded.
    cPictureLayer* (*ShowPicture)(const char* file, const cPictureLayer& values) = nullptr;
    // How many pictures are shown (g_ShownPictures).
    std::size_t (*ShownPictures)() = nullptr;
    // Starts effect object `effect` with its cell centred on stage pixel (x, y), at `scale` percent.
    void (*StartEffectAt)(int effect, double x, double y, int scale) = nullptr;
    // Where play goes after a clear (g_ClearNext); without it the stage-clear command keeps its
    // choice in a record of its own (FlowClearNext).
    cClearNext* ClearNext = nullptr;
    // Asks the window thread for stage music (PlayStageBgm).
    void (*PlayStageBgm)(int music, int loop) = nullptr;
};
extern FlowPlayHooks g_FlowPlayHooks;

// The record the stage-clear command writes: the hooked one, else the command's own.
cClearNext& FlowClearNext();

// Runs a wait of the pause loop on the play scene: the wait fields are set, the loop runs and the
// game thread waits for it. Nothing while the scene is closing. True when the loop ran.
bool RunFlowPause(cGameScene& scene, int kind, int confirm, int frames);
