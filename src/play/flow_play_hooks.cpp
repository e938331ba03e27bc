#include "play/flow_play_hooks.h"

#include "app/play_bounds.h"
#include "flow/cmd_hooks.h"
#include "objects/game_scene.h"
#include "play/draw_stage.h"
#include "play/effects.h"
#include "play/message_window.h"
#include "play/pause_loop.h"
#include "play/play_step.h"
#include "play/screen_effects.h"
#include "play/stage_clear.h"

namespace {

void StartEffectAt(int effect, double x, double y, int scale) {
    if (!g_lpGameScene || !PlayBoundRoom(PlayBound::Effects, g_lpGameScene->m_Effects.size())) return;
    g_lpGameScene->m_Effects.emplace_back(effect, x, y, scale);
}

} // namespace

void InstallFlowPlayHooks() {
    g_FlowPlayHooks.SetPauseWait = &SetPauseWait;
    g_FlowPlayHooks.RunPauseLoop = &RunPauseLoop;
    g_FlowPlayHooks.MessageSet = &cMessage::Set;
    g_FlowPlayHooks.ScreenEffect = &g_ScreenEffect;
    g_FlowPlayHooks.StartScreenEffect = &cScreenEffectState::Start;
    g_FlowPlayHooks.ScreenColour = &g_ScreenColour;
    g_FlowPlayHooks.SetScreenColor = &SetScreenColor;
    g_FlowPlayHooks.ShowPicture = &ShowPicture;
    g_FlowPlayHooks.ShownPictures = [] { return g_ShownPictures.size(); };
    g_FlowPlayHooks.StartEffectAt = &StartEffectAt;
    g_FlowPlayHooks.ClearNext = &g_ClearNext;
    g_FlowPlayHooks.PlayStageBgm = &PlayStageBgm;
}
