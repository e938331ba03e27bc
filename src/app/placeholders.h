// PLACEHOLDERS for neighbours that later work replaces: the play scene with its quit flag, the
// menu scenes, the pause and ranking loops, and the drawing library's hooks of the frame loop.
// Each is the least the frame loop, the scene manager and the main window need; none draws.
#pragma once
#include "app/scene.h"

// PLACEHOLDER play scene: only its quit flag and frame-rate field.
class cGameScene : public cScene {
  public:
    cGameScene();
    void Run() override;
    // Set by WM_CLOSE while the pause thread runs; the play step then closes again.
    int m_bQuit = 0;
    int m_nFps = 0;
};

// PLACEHOLDER menu scene (title, world map, save, challenge, options): draws nothing.
class cPlaceholderMenuScene : public cScene {
  public:
    explicit cPlaceholderMenuScene(int index);
    void Run() override { RunStates(); }
    int m_nIndex;
};

// PLACEHOLDER procedures of the pause and ranking threads: frames that draw nothing, until WM_QUIT.
unsigned PauseLoop(void* playScene);
unsigned RankingViewLoop(void* playScene);

// PLACEHOLDER drawing hooks: a Direct3D-like back-end without vertical sync, which paces each
// present with DrawFpsAverage and draws nothing (the frame-rate text included).
void UsePlaceholderDrawingHooks();
