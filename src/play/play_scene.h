// The play scene as far as it is built: the play record of a running stage, whose states come with
// stage play. Until then a PLACEHOLDER scene stands in that only closes again when a close arrived
// while the pause thread ran, and a PLACEHOLDER pause loop that draws nothing.
#pragma once
#include "objects/game_scene.h"

// Builds the play scene.
cScene* CreatePlayScene();

// PLACEHOLDER procedure of the pause thread: frames that draw nothing, until WM_QUIT.
unsigned PauseLoop(void* playScene);
