// The menu scenes as far as they are built: the title scene, and PLACEHOLDERS for the world map,
// save, challenge and option scenes and for the ranking thread's loop, which draw nothing.
#pragma once
#include "app/scene.h"

// PLACEHOLDER menu scene (world map, save, challenge, options): draws nothing.
class cPlaceholderMenuScene : public cScene {
  public:
    explicit cPlaceholderMenuScene(int index);
    void Run() override { RunStates(); }
    int m_nIndex;
};

// Builds the menu scene of an index (every index but SCENE_PLAY).
cScene* CreateMenuScene(int index);

// PLACEHOLDER procedure of the ranking thread: frames that draw nothing, until WM_QUIT.
unsigned RankingViewLoop(void* playScene);
