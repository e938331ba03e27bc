#include "play/game_scene.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "platform/messages.h"

cGameScene::cGameScene() {
    m_Handlers = {[this] { m_nState = 1; }, [] {}};
}

void cGameScene::Run() {
    if (m_bQuit) {
        win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        return;
    }
    RunStates();
}

unsigned PauseLoop(void*) {
    return FrameLoopUntilQuit();
}
