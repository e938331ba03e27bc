// The five menu scenes (title, world map, save menu, challenge, options) as the scene manager
// builds them, and the ranking thread's loop.
#pragma once
#include "app/scene.h"

// Builds the menu scene of an index (every index but SCENE_PLAY, which gives null).
cScene* CreateMenuScene(int index);

// The procedure of the ranking thread (playScene: the play scene, null for g_lpGameScene): the
// frozen stage with the ranking table of the shown genre over it, the registered place marked,
// frame by frame until confirm (fourth button: the next enabled genre) or WM_QUIT. Result 1.
unsigned RankingViewLoop(void* playScene);
