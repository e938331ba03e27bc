// The play scene as far as it is built: the play record of a running stage, whose states come with
// stage play. Until then a PLACEHOLDER scene stands in that only closes again when a close arrived
// while the pause thread ran.
#pragma once
#include "objects/game_scene.h"

// Builds the play scene.
cScene* CreatePlayScene();

// The procedure of the pause thread (play/pause_loop.h): serves the play scene's wait, drawing the
// frozen frame, until the wait is over or WM_QUIT; 0 when the scene was already closing.
unsigned PauseLoop(void* playScene);
