#include "menus/title_scene.h"

#include "app/globals.h"
#include "platform/messages.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<win::WPARAM> g_requests;

win::LRESULT MusicProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 6) g_requests.push_back(wParam);
    return 0;
}

} // namespace

TEST(MenuMusic, RequestedOnlyWhenAnotherMusicPlays) {
    win::HWND old = g_hWnd;
    g_hWnd = win::CreateMainWindowObject(MusicProc);
    g_requests.clear();
    g_SystemData.m_vnMenuBgm.assign(4, 0);
    g_SystemData.m_vnMenuBgm[0] = 1;
    g_SystemData.m_vnMenuBgm[1] = 2;
    g_SceneManager.g_nCurMenuBgm = 0;
    MenuMusicRule(0); // title music starts
    MenuMusicRule(0); // already playing: nothing
    MenuMusicRule(1); // the world map's music
    MenuMusicRule(2); // no music for the challenge menu: the request stops the music
    MenuMusicRule(2); // a 0 entry always asks again
    EXPECT_EQ(g_requests, (std::vector<win::WPARAM>{0, 1, 2, 2}));
    EXPECT_EQ(g_SceneManager.g_nCurMenuBgm, 0);
    win::DestroyMainWindowObject(g_hWnd);
    g_hWnd = old;
    g_SystemData = cSystemData();
}
