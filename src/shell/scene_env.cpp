#include "shell/scene_env.h"

#include "app/scene.h"
#include "flow/flow_engine.h"
#include "menus/menu_frame.h"
#include "menus/menu_scenes.h"
#include "menus/ranking_register.h"
#include "shell/palette_variants.h"
#include "play/draw_frame.h"
#include "play/flow_play_hooks.h"
#include "play/play_scene.h"
#include "play/play_step.h"

namespace {

class cPlayerSceneEnv : public cSceneEnv {
  public:
    cScene* CreateScene(int index) const override {
        if (index == SCENE_PLAY) {
            InstallStagePlayHooks();
            return CreatePlayScene();
        }
        return CreateMenuScene(index);
    }
    cGameScene* AsGameScene(cScene* scene) const override { return static_cast<cGameScene*>(scene); }
    void SetGameSceneQuit(cGameScene* scene) const override {
        if (scene) scene->m_bClosing = 1;
    }
    void SetGameSceneFps(cGameScene* scene, int fps) const override {
        if (scene) scene->m_nFps = fps;
    }
};

const cPlayerSceneEnv g_PlayerSceneEnv;

} // namespace

void InstallSceneEnv() {
    SetSceneEnv(&g_PlayerSceneEnv);
    // The menus run before any stage: their hooks are filled at start-up.
    g_MenuHooks.updateBlinkColours = &UpdateBlinkColours;
    g_MenuHooks.loadColourTable = &LoadHbtPalettes;
}

void InstallStagePlayHooks() {
    InstallFlowEngine();
    InstallPlayHooks();
    InstallFlowPlayHooks();
    InstallStageDrawing(&UpdateBlinkColours);
    InstallRankingHooks();
}
