// The scenes as the scene manager and the frame loop see them: the menu scenes and the play scene.
#pragma once

// Installs the player's scenes into the scene manager (done at start-up).
void InstallSceneEnv();
