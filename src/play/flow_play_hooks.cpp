#include "play/flow_play_hooks.h"

#include "app/play_bounds.h"
#include "flow/cmd_hooks.h"
#include "objects/game_scene.h"
#include "play/draw_stage.h"
#include "play/pause_loop.h"
#include "play/screen_effects.h"

namespace {

int StartSceneScreenEffect(int n, int mode, int loop) {
    if (g_lpGameScene) return StartScreenEffect(*g_lpGameScene, n, mode, loop);
    g_ScreenEffect.Start(n, mode, loop);
    return ScreenEffectRunning() ? g_ScreenEffect.nEffect : 0;
}

} // namespace

void InstallFlowPlayHooks() {
    g_FlowPlayHooks.SetPauseWait = &SetPauseWait;
    g_FlowPlayHooks.RunPauseLoop = &RunPauseLoop;
    g_FlowPlayHooks.StartScreenEffect = &StartSceneScreenEffect;
    g_FlowPlayHooks.ScreenColour = &g_ScreenColour;
    g_FlowPlayHooks.SetScreenColor = &SetScreenColor;
}
