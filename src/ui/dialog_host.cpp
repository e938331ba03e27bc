// The hosts of running dialogs: the window thread's (SDL events, frames shown in the game window)
// and the scripted one's drawing.
#include "app/globals.h"
#include "platform/gfx/present_sdl.h"
#include "platform/gfx/presenter.h"
#include "platform/messages.h"
#include "platform/widget_events.h"
#include "platform/window.h"
#include "ui/desktop.h"
#include "ui/dialog.h"
#include "ui/widget_draw.h"

namespace ui {
namespace {

// What the game window showed before each open dialog: the dialog is drawn over it, and it comes
// back when the dialog ends.
std::vector<std::vector<std::uint32_t>> g_Backdrops;

std::vector<std::uint32_t> CurrentFrame() {
    std::vector<std::uint32_t> px;
    int w = 0, h = 0;
    if (!gfx::ReadLastFrame(px, w, h) || w != FRAME_W || h != FRAME_H)
        px.assign(static_cast<std::size_t>(FRAME_W) * FRAME_H, 0);
    return px;
}

void Publish(const std::vector<std::uint32_t>& frame) {
    gfx::PublishFrame(frame.data(), FRAME_W, FRAME_H, FRAME_W);
    gfx::PresentLatestFrame(win::GetMainSdlWindow(), true);
}

void BeginShowing() {
    g_Backdrops.push_back(CurrentFrame());
    // The start-up dialog comes before the window is first shown.
    if (g_hWnd) win::ShowWindow(g_hWnd, true);
    SetCursorWarp(&win::WarpPointerInGame);
    // The dialog has put the cursor on its button before it was shown.
    win::POINT pt;
    if (GetCursorPos(&pt)) win::WarpPointerInGame(pt.x, pt.y);
}

void ShowDialog(const cDialog& dialog, std::vector<std::uint32_t>& frame) {
    frame = g_Backdrops.empty() ? CurrentFrame() : g_Backdrops.back();
    RenderDialog(dialog, frame);
    Publish(frame);
}

void EndShowing() {
    if (g_Backdrops.empty()) return;
    Publish(g_Backdrops.back());
    g_Backdrops.pop_back();
}

class cWindowHost : public cDialogHost {
  public:
    void Begin(cDialog&) override { BeginShowing(); }
    bool Next(cDialog&, win::UiEvent& e) override {
        for (;;) {
            if (win::PollUiEvent(e)) {
                if (e.kind != win::UiEvent::Close) return true;
                // The game window's close box: the dialog is closed, then the program.
                if (g_hWnd) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
                return false;
            }
            // Requests sent by other threads are served meanwhile; a close of the program (or its
            // shut-down) closes the dialog and is handled when the dialog is gone.
            win::MSG m;
            win::PeekMessage(&m, nullptr, 0, 0, win::PM_NOREMOVE);
            if (win::IsAborting() ||
                win::PeekMessage(&m, nullptr, win::WM_CLOSE, win::WM_CLOSE, win::PM_NOREMOVE))
                return false;
            win::WaitUiEvent(10);
        }
    }
    void Show(cDialog& dialog) override {
        ShowDialog(dialog, m_Frame);
        // Text input only while a text field has the focus.
        win::RECT field;
        win::FollowTextField(FocusedTextField(dialog, field) ? &field : nullptr);
    }
    void End(cDialog&) override {
        win::FollowTextField(nullptr);
        EndShowing();
    }

  private:
    std::vector<std::uint32_t> m_Frame;
};

} // namespace

bool FocusedTextField(const cDialog& dialog, win::RECT& field) {
    const cWidget* f = dialog.Focus();
    if (!f || f->type != WidgetType::Edit) return false;
    const win::RECT r = dialog.WindowRect();
    const int left = r.left + dialog.FrameLeft(), top = r.top + dialog.FrameTop();
    field = win::RECT{left + f->rect.left, top + f->rect.top, left + f->rect.right, top + f->rect.bottom};
    return true;
}

void cScriptHost::Begin(cDialog&) {
    if (m_bPublish) BeginShowing();
}

void cScriptHost::End(cDialog&) {
    if (m_bPublish) EndShowing();
}

void cScriptHost::Show(cDialog& dialog) {
    if (!m_bPublish) return;
    ShowDialog(dialog, m_Frame);
}

cDialogHost& WindowHost() {
    static cWindowHost host;
    return host;
}

} // namespace ui
