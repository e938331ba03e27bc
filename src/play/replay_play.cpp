#include "play/replay_play.h"

#include "app/globals.h"
#include "app/play_se.h"
#include "app/requests.h"
#include "app/scene.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "play/replay.h"
#include "project/system_data.h"

namespace {

constexpr int PLAY_MODE_REPLAY = 4;
constexpr int SE_CONFIRM = 1;
constexpr int SE_REFUSED = 3;
constexpr int VK_F2 = win::VK_F1 + 1;

struct cHotKeyState {
    bool bF1Down = false;
    bool bF2Down = false;
    int nCooldown = 0;
};
// Used by one thread at a time: the game thread, or the pause thread while the game thread waits.
cHotKeyState g_HotKeys;

bool KeyDown(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

} // namespace

void ResetReplayHotKeys() {
    g_HotKeys = cHotKeyState{};
}

bool RequestSaveReplay(int which) {
    g_bRequestDone = 0;
    win::SendMessage(g_hWnd, WM_USER_SAVEREPLAY, static_cast<win::WPARAM>(which), 0);
    while (!g_bRequestDone) {
        if (win::IsAborting() || !g_hWnd) return false;
        win::Sleep(1);
    }
    return true;
}

int CheckReplayHotKeys() {
    if (g_nPlayMode == PLAY_MODE_REPLAY || !g_SystemData.m_nReplay) return 0;
    if (g_HotKeys.nCooldown > 0) --g_HotKeys.nCooldown;
    const bool f1 = KeyDown(win::VK_F1);
    const bool f2 = KeyDown(VK_F2);
    const bool pressed = (f1 && !g_HotKeys.bF1Down) || (f2 && !g_HotKeys.bF2Down);
    g_HotKeys.bF1Down = f1;
    g_HotKeys.bF2Down = f2;
    if (!pressed) return 0;
    const int which = f1 ? 0 : 1;
    const cReplay& replay = which == 0 ? g_Replay : g_ReplayPrev;
    if (replay.m_Directions.empty()) {
        if (g_HotKeys.nCooldown == 0) {
            PlaySe(SE_REFUSED);
            g_HotKeys.nCooldown = REPLAY_BUZZER_COOLDOWN;
        }
        return 0;
    }
    PlaySe(SE_CONFIRM);
    RequestSaveReplay(which);
    return 1;
}
