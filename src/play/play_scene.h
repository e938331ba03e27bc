// The play scene as far as it is built: the play record of a running stage, whose states come with
// stage play. Until the scene's states are built, a PLACEHOLDER scene sets the given stage up on
// entry, starts play on its second frame and runs the play step every frame after; the pause,
// result, continue, game-over and leave states do nothing yet (the pause state returns to play).
// A PLACEHOLDER pause loop draws nothing.
#pragma once
#include "objects/game_scene.h"

// Builds the play scene (and installs the play step's hooks).
cScene* CreatePlayScene();

// The procedure of the pause thread (play/pause_loop.h): serves the play scene's wait, drawing the
// frozen frame, until the wait is over or WM_QUIT; 0 when the scene was already closing.
unsigned PauseLoop(void* playScene);
