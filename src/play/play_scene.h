// The play scene as the scene manager builds it (its states: play/play_states.h).
#pragma once
#include "objects/game_scene.h"

// Builds the play scene (and installs the play step's hooks).
cScene* CreatePlayScene();

// The procedure of the pause thread (play/pause_loop.h): serves the play scene's wait, drawing the
// frozen frame, until the wait is over or WM_QUIT; 0 when the scene was already closing.
unsigned PauseLoop(void* playScene);
