#include "play/play_scene.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "platform/messages.h"

namespace {

// PLACEHOLDER: the play record with two states that draw nothing.
class cPlaceholderPlayScene : public cGameScene {
  public:
    cPlaceholderPlayScene() {
        m_Handlers = {[this] { m_nState = 1; }, [] {}};
    }
    void Run() override {
        if (m_bClosing) {
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            return;
        }
        RunStates();
    }
};

} // namespace

cScene* CreatePlayScene() {
    return new cPlaceholderPlayScene;
}
