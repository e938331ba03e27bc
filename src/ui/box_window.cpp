#include "ui/box_window.h"

#include "platform/cp932.h"
#include "platform/dialog_window.h"
#include "platform/keyboard.h"
#include "ui/widget_draw.h"

#include <SDL.h>
#include <algorithm>

namespace ui {
namespace {

constexpr int kMargin = 8;        // dialog units around the text and below the buttons
constexpr int kButtonW = 50;      // dialog units
constexpr int kButtonH = 14;      // dialog units
constexpr int kButtonGap = 6;     // dialog units
constexpr int kMaxTextPx = 420;   // longer lines wrap
constexpr int kMinClientW = 120;  // dialog units
constexpr int kStaticId = 0xFFFF; // the text

int PxToDlu(int px) {
    return (px * 2 + 2) / 3;
}

const char* Label(int id) {
    switch (id) {
    case win::IDCANCEL:
        return "Cancel";
    case win::IDYES:
        return "Yes";
    case win::IDNO:
        return "No";
    default:
        return "OK";
    }
}

// The buttons left to right as the platform orders them: Yes, No, Cancel / OK, Cancel.
std::vector<int> ButtonRow(win::UINT type) {
    std::vector<int> row = win::MessageBoxButtons(type);
    auto rank = [](int id) { return id == win::IDYES || id == win::IDOK ? 0 : id == win::IDNO ? 1 : 2; };
    std::sort(row.begin(), row.end(), [&](int a, int b) { return rank(a) < rank(b); });
    return row;
}

DialogTemplate BoxTemplate(const std::string& text, const std::string& caption, win::UINT type) {
    // The text's lines, and the width they take up to the wrapping width.
    const std::vector<std::string> lines = DialogTextLines(text);
    const int widest = DialogTextWidth(lines);
    const int textPx = std::min(widest, kMaxTextPx);
    int rows = 0;
    for (const std::string& l : lines) {
        const int w = DialogTextWidth(l);
        // A wrapped line breaks at a blank where it can, which may take one row more.
        rows += w <= textPx ? 1 : (w + textPx - 1) / textPx + 1;
    }
    rows = std::max(rows, 1);
    const int lineH = DialogLineHeight();
    const int maxRows = (FRAME_H - 120) / std::max(1, lineH);
    rows = std::min(rows, maxRows);

    const std::vector<int> row = ButtonRow(type);
    const int n = static_cast<int>(row.size());
    const int buttonsW = n * kButtonW + (n - 1) * kButtonGap;
    const int textW = PxToDlu(textPx) + 1, textH = PxToDlu(rows * lineH) + 1;
    const int clientW = std::max({kMinClientW, textW + 2 * kMargin, buttonsW + 2 * kMargin});
    const int buttonsY = kMargin + textH + kMargin;
    const int clientH = buttonsY + kButtonH + kMargin;

    DialogTemplate t;
    t.w = clientW;
    t.h = clientH;
    t.style = WS_POPUP | WS_VISIBLE | WS_DLGFRAME;
    t.caption = caption;
    t.controls.push_back(
        {kStaticId, WidgetType::Static, text, kMargin, kMargin, clientW - 2 * kMargin, textH, 0});
    const int defaultButton = win::MessageBoxButtons(type)[0];
    int x = (clientW - buttonsW) / 2;
    for (int id : row) {
        t.controls.push_back({id, WidgetType::PushButton, Label(id), x, buttonsY, kButtonW, kButtonH,
                              CS_TABSTOP | (id == defaultButton ? CS_DEFAULT : 0)});
        x += kButtonW + kButtonGap;
    }
    return t;
}

// Draws the dialog and gives its window's pixels.
std::vector<std::uint32_t> Picture(const cDialog& dialog, int& w, int& h) {
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(FRAME_W) * FRAME_H, 0);
    RenderDialog(dialog, frame);
    const win::RECT r = dialog.WindowRect();
    const int left = std::max(0, static_cast<int>(r.left)), top = std::max(0, static_cast<int>(r.top));
    w = std::min(FRAME_W, static_cast<int>(r.right)) - left;
    h = std::min(FRAME_H, static_cast<int>(r.bottom)) - top;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>((top + y) * FRAME_W + left), w,
                    px.begin() + static_cast<std::ptrdiff_t>(y) * w);
    return px;
}

// Takes the box's picture when it first shows and closes it.
class cPictureHost : public cDialogHost {
  public:
    bool Next(cDialog&, win::UiEvent&) override { return false; }
    void Show(cDialog& dialog) override {
        if (m_Pixels.empty()) m_Pixels = Picture(dialog, m_nW, m_nH);
    }
    std::vector<std::uint32_t> m_Pixels;
    int m_nW = 0, m_nH = 0;
};

// The box in an SDL window of its own, sized to the dialog's window: the window's events become the
// dialog's input (with the mouse in the dialog's desktop pixels) and each state is presented to it.
class cWindowOfItsOwn : public cDialogHost {
  public:
    explicit cWindowOfItsOwn(SDL_Window* window) : m_pWindow(window) {}
    bool Next(cDialog& dialog, win::UiEvent& e) override {
        const win::RECT r = dialog.WindowRect();
        for (;;) {
            SDL_Event s;
            if (!SDL_WaitEventTimeout(&s, 100)) continue;
            e = win::UiEvent{};
            switch (s.type) {
            case SDL_QUIT:
                return false;
            case SDL_WINDOWEVENT:
                if (s.window.event == SDL_WINDOWEVENT_CLOSE) return false;
                if (s.window.event == SDL_WINDOWEVENT_EXPOSED) Present();
                continue;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                e.vk = win::VirtualKeyFromKey(s.key.keysym.scancode, s.key.keysym.sym);
                if (e.vk == 0) continue;
                e.kind = s.type == SDL_KEYDOWN ? win::UiEvent::KeyDown : win::UiEvent::KeyUp;
                e.repeat = s.key.repeat != 0;
                e.shift = (s.key.keysym.mod & KMOD_SHIFT) != 0;
                e.ctrl = (s.key.keysym.mod & KMOD_CTRL) != 0;
                return true;
            case SDL_MOUSEMOTION:
                e.kind = win::UiEvent::MouseMove;
                e.x = s.motion.x + r.left;
                e.y = s.motion.y + r.top;
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (s.button.button != SDL_BUTTON_LEFT) continue;
                e.kind = s.type == SDL_MOUSEBUTTONDOWN ? win::UiEvent::MouseDown : win::UiEvent::MouseUp;
                e.button = 1;
                e.clicks = s.button.clicks;
                e.x = s.button.x + r.left;
                e.y = s.button.y + r.top;
                return true;
            default:
                continue;
            }
        }
    }
    void Show(cDialog& dialog) override {
        m_Pixels = Picture(dialog, m_nW, m_nH);
        Present();
    }

  private:
    void Present() {
        SDL_Surface* target = SDL_GetWindowSurface(m_pWindow);
        if (!target || m_Pixels.empty()) return;
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(m_Pixels.data(), m_nW, m_nH, 32, m_nW * 4,
                                                                 SDL_PIXELFORMAT_RGB888);
        if (!source) return;
        SDL_BlitSurface(source, nullptr, target, nullptr);
        SDL_FreeSurface(source);
        SDL_UpdateWindowSurface(m_pWindow);
    }

    SDL_Window* m_pWindow;
    std::vector<std::uint32_t> m_Pixels;
    int m_nW = 0, m_nH = 0;
};

// Runs the box with `host` as the dialogs' host for its time.
int RunWith(cMessageBoxDialog& dialog, cDialogHost& host) {
    cDialogHost* previous = GetDialogHost();
    SetDialogHost(&host);
    const int answer = dialog.RunModal(0);
    SetDialogHost(previous);
    return answer;
}

} // namespace

cMessageBoxDialog::cMessageBoxDialog(const win::MessageBoxRequest& box)
    : cDialog(BoxTemplate(cp932::FromUtf8(box.text), cp932::FromUtf8(box.caption), box.type)),
      m_nType(box.type) {}

void cMessageBoxDialog::OnInit(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnInit(wParam, lParam);
    SetFocus(GetDlgItem(win::MessageBoxButtons(m_nType)[0]));
}

win::LRESULT cMessageBoxDialog::OnCommand(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnCommand(wParam, lParam);
    const int id = static_cast<int>(wParam & 0xFFFF);
    if (static_cast<int>((wParam >> 16) & 0xFFFF) != BN_CLICKED) return 1;
    const std::vector<int> buttons = win::MessageBoxButtons(m_nType);
    if (std::find(buttons.begin(), buttons.end(), id) != buttons.end())
        End(id);
    else if (id == win::IDCANCEL) // Escape
        End(win::ClosedBoxAnswer(m_nType));
    return 1;
}

win::LRESULT cMessageBoxDialog::Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg != win::WM_CLOSE) return cDialog::Dispatch(msg, wParam, lParam);
    DialogProc(msg, wParam, lParam);
    End(win::ClosedBoxAnswer(m_nType));
    return 1;
}

std::vector<std::uint32_t> RenderMessageBox(const win::MessageBoxRequest& box, int& w, int& h) {
    cMessageBoxDialog dialog(box);
    cPictureHost host;
    RunWith(dialog, host);
    w = host.m_nW;
    h = host.m_nH;
    return host.m_Pixels;
}

int ShowMessageBoxWindow(const win::MessageBoxRequest& box) {
    if (!DialogFontAvailable()) return 0;
    // The click that activates the box also presses the button under it.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 0;
    // A box has no text field: its keys go to its buttons, not to an input method.
    SDL_StopTextInput();
    cMessageBoxDialog dialog(box);
    int w = 0, h = 0;
    RenderMessageBox(box, w, h);
    // A box of the game window is its dialog, which the window manager keeps above it; a box
    // without a window to belong to stays above every other window.
    const Uint32 above = box.owner != 0 ? 0 : SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* window = w > 0 && h > 0
                             ? SDL_CreateWindow(box.caption.c_str(), SDL_WINDOWPOS_CENTERED,
                                                SDL_WINDOWPOS_CENTERED, w, h, SDL_WINDOW_HIDDEN | above)
                             : nullptr;
    int answer = 0;
    if (window) {
        // The window's surface first: the video system may replace the window to draw it, which
        // must happen before the window is marked and shown.
        SDL_GetWindowSurface(window);
        win::MakeDialogWindow(window, box.owner);
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        cWindowOfItsOwn host(window);
        answer = RunWith(dialog, host);
        SDL_DestroyWindow(window);
    }
    SDL_Quit();
    return answer;
}

} // namespace ui
