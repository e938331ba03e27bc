#include "app/scene.h"
#include "app/shell_test_support.h"
#include "menus/title_scene.h"
#include "play/play_scene.h"
#include "shell/scene_env.h"
#include "flow/cmd_hooks.h"
#include "platform/crt_rand.h"
#include "objects/effects.h"
#include "play/stage_clear.h"

namespace {

class PlayerScenes : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        ShellFixture::SetUp();
        InstallSceneEnv();
    }
    void TearDown() override {
        manager.DeleteAll();
        SetSceneEnv(nullptr);
        ShellFixture::TearDown();
    }
    cSceneManager manager;
};

} // namespace

TEST_F(PlayerScenes, EachIndexBuildsItsOwnSceneAndThePlaySceneIsReachable) {
    manager.SwitchScene(SCENE_TITLE);
    EXPECT_NE(dynamic_cast<cTitleScene*>(manager.SceneAt(SCENE_TITLE)), nullptr);
    manager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    EXPECT_EQ(static_cast<cScene*>(g_lpGameScene), manager.SceneAt(SCENE_PLAY));
    manager.DeleteAll();
    EXPECT_EQ(g_lpGameScene, nullptr);
}

TEST_F(PlayerScenes, AMarkedCloseAndTheFrameRateReachThePlayScene) {
    manager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    SceneEnv().SetGameSceneQuit(g_lpGameScene);
    EXPECT_EQ(g_lpGameScene->m_bClosing, 1);
    SceneEnv().SetGameSceneFps(g_lpGameScene, 59);
    EXPECT_EQ(g_lpGameScene->m_nFps, 59);
}

TEST_F(PlayerScenes, FlowCommandsReachStagePlay) {
    // The stage-clear command writes the record the clear reads, not one of its own.
    EXPECT_EQ(&FlowClearNext(), &g_ClearNext);
    // An effect started by a command sits centred on its point, without the hit effects' jitter.
    manager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    const unsigned seedBefore = crt::rand_state();
    ASSERT_NE(g_FlowPlayHooks.StartEffectAt, nullptr);
    g_FlowPlayHooks.StartEffectAt(0, 100.0, 50.0, 1);
    ASSERT_EQ(g_lpGameScene->m_Effects.size(), 1u);
    const cEffectObj& e = g_lpGameScene->m_Effects.front();
    EXPECT_DOUBLE_EQ(e.m_dX, 100.0 - e.m_nWidth / 2.0);
    EXPECT_DOUBLE_EQ(e.m_dY, 50.0 - e.m_nHeight / 2.0);
    EXPECT_EQ(crt::rand_state(), seedBefore);
}
