#include "play/pause_loop.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/int_range.h"
#include "app/play_se.h"
#include "app/scene.h"
#include "app/thread.h"
#include "objects/game_scene.h"
#include "play/draw_frame.h"
#include "play/replay_play.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "records/rect_list.h"
#include "platform/fault_points.h"

namespace {

// How long a loop that was told to close goes on without drawing before it ends by itself.
constexpr win::DWORD CLOSING_TIMEOUT_MS = 2000;

constexpr std::uint16_t BUTTON_CONFIRM = 1;

} // namespace

void SetPauseWait(cGameScene& scene, int kind, int confirm, int frames, int noDelay) {
    CounterRecord wait;
    InitCounterRecord(wait, kind, confirm, frames, noDelay);
    scene.m_nWaitKind = wait.mode;
    scene.m_nWaitDelay = wait.counter;
    scene.m_bWaitConfirm = wait.flag;
    scene.m_nWaitFrames = wait.value;
    scene.m_bWaitClosed = 0;
}

bool RunPauseLoop(cGameScene& scene) {
    // A measured run's last frame has run: no wait holds the rest of the frame.
    if (FrameLimitReached()) return true;
    if (!StartThreadWithQueue(thPause, &PauseLoop, &scene, true)) return false;
    thPause.Wait();
    return true;
}

// The play frame as it stands, drawn again while the pause loop waits: nothing moves or advances.
void DrawFrozenFrame(cGameScene& scene) {
    DrawFrame(scene, 0, 1, 0, 1);
}

bool ServeReplayHotKeys(cGameScene&) {
    return CheckReplayHotKeys() != 0;
}

unsigned PauseLoop(void*) {
    PassFaultPoint("pause");
    cGameScene* scene = g_lpGameScene;
    if (!scene || scene->m_bClosing) return 0;
    cInputRecord& input = g_Inputs.at(0);
    cInputHistory::Clear(input);
    UpdateInputBuffers(input);
    cKeyRepeat::Reset(input);
    cKeyRepeat::Clear(input);

    bool closingNoted = false;
    win::DWORD closingSince = 0;
    win::MSG msg;
    for (;;) {
        if (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            if (msg.message == win::WM_QUIT) break;
            continue;
        }
        if (!g_bActive) {
            win::Sleep(1);
            continue;
        }
        if (scene->m_bClosing) {
            // Nothing more is drawn; the loop ends on WM_QUIT or after the timeout.
            const win::DWORD now = win::timeGetTime();
            if (!closingNoted) {
                closingNoted = true;
                closingSince = now;
            } else if (now - closingSince >= CLOSING_TIMEOUT_MS) {
                win::PostThreadMessage(win::GetCurrentThreadId(), win::WM_QUIT, 0, 0);
            }
            win::Sleep(1);
            continue;
        }
        // A measured run's last frame has been presented: the game thread takes the close.
        if (FrameLimitReached()) break;
        WaitFrame();
        if (!RestoreSurfaces()) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        UpdateInput(g_Inputs);
        cInputHistory::Record(input);
        // Every frame the loop runs counts against a measured run's frame limit, those that draw
        // nothing too: a stage whose waits end at once cannot hold the run past its limit.
        if (ServeReplayHotKeys(*scene)) {
            CountFrameNotPresented();
            continue;
        }
        if (scene->m_nWaitDelay >= 1) {
            --scene->m_nWaitDelay;
        } else if (!scene->m_bWaitConfirm) {
            // Counted down without passing the smallest int: a wait of any length authored ends.
            scene->m_nWaitFrames = SaturateInt(std::int64_t{scene->m_nWaitFrames} - 1);
            if (scene->m_nWaitFrames < 0) {
                CountFrameNotPresented();
                break;
            }
        } else if ((input.wButtons & BUTTON_CONFIRM) &&
                   !(cInputHistory::GetPast(input, 1, 1) & BUTTON_CONFIRM)) {
            PlaySe(scene->m_nWaitKind == 1 ? 12 : 1);
            scene->m_bWaitClosed = 1;
            CountFrameNotPresented();
            break;
        }
        DrawFrozenFrame(*scene);
        PresentFrame();
    }
    return 1;
}
