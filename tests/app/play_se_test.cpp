#include "app/play_se.h"

#include "app/globals.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

std::vector<long> g_played;

win::LRESULT SoundProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 5) g_played.push_back(static_cast<long>(static_cast<int>(wParam)));
    return 0;
}

} // namespace

TEST(PlaySe, RequestsGoToTheMainWindowFromAnyThread) {
    win::ResetMessageModelForTests();
    g_played.clear();
    win::HWND old = g_hWnd;
    g_hWnd = win::CreateMainWindowObject(SoundProc);
    PlaySe(3);
    PlayUserSe(0);
    PlayUserSe(1);
    PlayUserSe(-1);
    PlayUserSe(static_cast<std::int16_t>(0x8000));
    std::thread([] { PlaySe(20); }).join();
    win::MSG m;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (g_played.size() < 5 && std::chrono::steady_clock::now() < deadline) {
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE))
            win::DispatchMessage(&m);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(g_played, (std::vector<long>{3, 17, 15, -32752, 20}));
    win::DestroyMainWindowObject(g_hWnd);
    g_hWnd = old;
}
