#include "menus/title_scene.h"

#include "app/globals.h"
#include "draw/dd_startup.h"
#include "draw/draw.h"
#include "platform/messages.h"
#include "project/system_data.h"

namespace {

// The system bitmaps the title scene loads, in this order: title picture, game-mode sheet,
// accessories, window fill.
const int TITLE_SURFACES[] = {47, 48, 49, 45};

} // namespace

void MenuMusicRule(int context) {
    const int music = context < g_SystemData.m_vnMenuBgm.Count() ? g_SystemData.m_vnMenuBgm[context] : 0;
    if (music != 0 && music == g_SceneManager.g_nCurMenuBgm) return;
    g_SceneManager.g_nCurMenuBgm = music;
    win::SendMessage(g_hWnd, win::WM_USER + 6, static_cast<win::WPARAM>(context), 0);
}

cTitleScene::cTitleScene() {
    m_Handlers = {
        [this] { m_nState = 1; },
        [] { DDBlt(&g_BackBuffer, 0, 0, 640, 480, &g_SystemSurfaces[TITLE_SURFACES[0]], 0, 0, 0); }};
}

cTitleScene::~cTitleScene() {
    for (int index : TITLE_SURFACES)
        DDReleaseSurface(&g_SystemSurfaces[index]);
}

void cTitleScene::Init() {
    MenuMusicRule(0);
    DDTableFromSystemBitmaps(g_SystemSurfaceDefs, SystemBitmapTable, SYSTEM_BITMAP_COUNT);
    if (!DDLoadSystemSurfaces(g_SystemSurfaces, TITLE_SURFACES, 4))
        win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

void cTitleScene::Run() {
    RunStates();
}
