// PLACEHOLDER play scene until stage play is built: only its quit flag and frame-rate field.
#pragma once
#include "app/scene.h"

class cGameScene : public cScene {
  public:
    cGameScene();
    void Run() override;
    // Set by WM_CLOSE while the pause thread runs; the play step then closes again.
    int m_bQuit = 0;
    int m_nFps = 0;
};

// PLACEHOLDER procedure of the pause thread: frames that draw nothing, until WM_QUIT.
unsigned PauseLoop(void* playScene);
