#include "play/play_scene.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/scene.h"
#include "platform/messages.h"
#include "play/hits.h"
#include "play/play_step.h"
#include "play/set_stage.h"

namespace {

// PLACEHOLDER: set-up on entry, then the play step every frame.
class cPlaceholderPlayScene : public cGameScene {
  public:
    cPlaceholderPlayScene() {
        m_Handlers.assign(GAMESCENE_STATE_COUNT, [] {});
        m_Handlers[0] = [this] { m_nState = GAMESTATE_START; };
        m_Handlers[GAMESTATE_START] = [this] { StartPlay(); };
        m_Handlers[GAMESTATE_PLAY] = [this] { PlayStep(*this); };
        m_Handlers[GAMESTATE_PAUSE] = [this] {
            m_nState = m_nSavedState;
            m_nSubState = m_nSavedSubState;
        };
    }
    void Init() override { SetStage(*this, g_SceneManager.g_nPrevScene == SCENE_PLAY, true); }
    void Run() override {
        if (m_bClosing) {
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            return;
        }
        RunStates();
    }

  private:
    void StartPlay() {
        if (!g_Heroes.empty()) g_Heroes[0].m_AnimSeq.SetSequence(g_Heroes[0].m_bNoGravity ? 2 : 0, 1);
        m_nBannerCount = 0;
        m_nState = GAMESTATE_PLAY;
    }
};

} // namespace

cScene* CreatePlayScene() {
    InstallPlayHooks();
    return new cPlaceholderPlayScene;
}
