#include "app/placeholders.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/system_ini.h"
#include "platform/messages.h"
#include "platform/time.h"

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

cPlaceholderMenuScene::cPlaceholderMenuScene(int index) : m_nIndex(index) {
    m_Handlers = {[this] { m_nState = 1; }, [] {}};
}

cScene* CreateScene(int index) {
    if (index == SCENE_PLAY) return new cGameScene;
    return new cPlaceholderMenuScene(index);
}

cGameScene* AsGameScene(cScene* playScene) {
    return static_cast<cGameScene*>(playScene);
}
void SetGameSceneQuit(cGameScene* scene) {
    if (scene) scene->m_bQuit = 1;
}
void SetGameSceneFps(cGameScene* scene, int fps) {
    if (scene) scene->m_nFps = fps;
}

namespace {

unsigned FrameLoopUntilQuit() {
    win::MSG msg;
    for (;;) {
        while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
            if (msg.message == win::WM_QUIT) return 0;
        WaitFrame();
        RestoreSurfaces();
        UpdateInput(g_Inputs);
        PresentFrame();
    }
}

bool No() {
    return false;
}
bool Yes() {
    return true;
}
bool PresentPaced(int rate) {
    while (!DrawFpsAverage(rate, 0, 0))
        win::Sleep(1);
    return true;
}
void Nothing() {}
void NoText(int, const std::string&) {}
int ShowFpsSetting() {
    return g_SystemIni.ShowFps;
}

} // namespace

unsigned PauseLoop(void*) {
    return FrameLoopUntilQuit();
}
unsigned RankingViewLoop(void*) {
    return FrameLoopUntilQuit();
}

void UsePlaceholderDrawingHooks() {
    g_DrawingHooks = DrawingHooks{
        &Yes, &No, &Yes, &PresentPaced, &Nothing, &NoText, &ShowFpsSetting, &Nothing, &Nothing, &Nothing};
}

DrawingHooks g_DrawingHooks{&Yes,     &No,      &Yes,    &PresentPaced, &Nothing, &NoText, &ShowFpsSetting,
                            &Nothing, &Nothing, &Nothing};
