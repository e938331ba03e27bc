#include "play/play_scene.h"

#include "play/play_states.h"
#include "play/play_step.h"
#include "play/replay_play.h"
#include "play/hits.h"
#include "play/stage_clear.h"
#include "app/scene.h"

cScene* CreatePlayScene() {
    InstallPlayHooks();
    g_PlayStepHooks.CheckReplayHotKeys = [](cGameScene&) { return CheckReplayHotKeys() != 0; };
    // A cleared stage is tallied before the result screen.
    g_PlayHooks.StageEnd = [] {
        if (g_lpGameScene) StageEnd(*g_lpGameScene);
    };
    return new cPlayScene;
}
