// The play scene as the scene manager builds it (its states: play/play_states.h).
#pragma once
#include "objects/game_scene.h"

// Builds the play scene (its hooks are installed by whoever builds it: shell/scene_env.h).
cScene* CreatePlayScene();

// The procedure of the pause thread (play/pause_loop.h): serves the play scene's wait, drawing the
// frozen frame, until the wait is over or WM_QUIT; 0 when the scene was already closing.
unsigned PauseLoop(void* playScene);
