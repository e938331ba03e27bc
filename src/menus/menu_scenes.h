// The five menu scenes (title, world map, save menu, challenge, options) as the scene manager
// builds them, and a PLACEHOLDER for the ranking thread's loop, which draws nothing.
#pragma once
#include "app/scene.h"

// Builds the menu scene of an index (every index but SCENE_PLAY, which gives null).
cScene* CreateMenuScene(int index);

// PLACEHOLDER procedure of the ranking thread: frames that draw nothing, until WM_QUIT.
unsigned RankingViewLoop(void* playScene);
