// The title scene: the title picture with its music. Its menu (the play and game modes, the slot
// choice) is not built yet; the scene shows the picture until the program is closed.
#pragma once

#include "app/scene.h"

class cTitleScene : public cScene {
  public:
    cTitleScene();
    ~cTitleScene() override;
    void Init() override;
    void Run() override;
};

// The music rule of a menu scene's Init: the request for context c (0 title, 1 world map and save
// menu, 2 challenge, 3 options) is sent unless that music already plays.
void MenuMusicRule(int context);
