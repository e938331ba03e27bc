// The scenes as the scene manager and the frame loop see them: the menu scenes and the play scene.
#pragma once

// Installs the player's scenes into the scene manager and the menus' hooks (done at start-up).
void InstallSceneEnv();
// Fills every hook table through which a lower layer calls up into stage play or above it: the
// objects' calls into the flow engine and stage play, the flow engine's and the flow commands'
// calls into stage play, and stage play's calls into the frame drawing, the rankings and the
// program's colours. Done each time the play scene is built, before it runs (idempotent).
void InstallStagePlayHooks();
