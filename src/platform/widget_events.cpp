#include "platform/widget_events.h"

#include "platform/display_connection.h"
#include "platform/keyboard.h"
#include "platform/picture_fit.h"
#include "platform/window.h"

#include <SDL.h>
#include <algorithm>

namespace win {
namespace {

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int kGameW = 640, kGameH = 480;

// Where the game area lies in the window: where the presenter shows it.
PicturePlace GamePlacement(SDL_Window* window) {
    int ww = kGameW, wh = kGameH;
    if (window) SDL_GetWindowSize(window, &ww, &wh);
    return PlacePicture(FitOfWindow(window), kGameW, kGameH, ww, wh);
}

// The game-area point under a window point.
void ToGame(int wx, int wy, int& x, int& y) {
    const PicturePlace p = GamePlacement(static_cast<SDL_Window*>(GetMainSdlWindow()));
    AreaToPicture(p, kGameW, kGameH, wx, wy, x, y);
}

bool Convert(const SDL_Event& s, UiEvent& e) {
    e = UiEvent{};
    NoteEventBeforeTaking(s.type == SDL_KEYUP,
                          s.type == SDL_KEYUP ? VirtualKeyFromKey(s.key.keysym.scancode, s.key.keysym.sym)
                                              : 0);
    switch (s.type) {
    case SDL_QUIT:
        e.kind = UiEvent::Close;
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int vk = VirtualKeyFromKey(s.key.keysym.scancode, s.key.keysym.sym);
        if (vk == 0) return false;
        const bool down = s.type == SDL_KEYDOWN;
        // A key pressed into the dialog is the dialog's: the game does not see it, now or while it
        // stays held. A key held since before the dialog stays held; a key let go is let go.
        if (!down)
            SetKeyDown(vk, false);
        else if (GetAsyncKeyState(vk) == 0)
            SwallowKey(vk);
        e.kind = down ? UiEvent::KeyDown : UiEvent::KeyUp;
        e.vk = vk;
        e.repeat = s.key.repeat != 0;
        e.shift = (s.key.keysym.mod & KMOD_SHIFT) != 0;
        e.ctrl = (s.key.keysym.mod & KMOD_CTRL) != 0;
        return true;
    }
    case SDL_TEXTINPUT:
        e.kind = UiEvent::Text;
        e.text = s.text.text;
        return true;
    case SDL_TEXTEDITING:
        e.kind = UiEvent::Editing;
        e.text = s.edit.text;
        e.cursor = s.edit.start;
        return true;
    case SDL_MOUSEMOTION:
        e.kind = UiEvent::MouseMove;
        ToGame(s.motion.x, s.motion.y, e.x, e.y);
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int button = s.button.button == SDL_BUTTON_LEFT    ? 1
                           : s.button.button == SDL_BUTTON_RIGHT ? 2
                                                                 : 0;
        if (!button) return false;
        const bool down = s.type == SDL_MOUSEBUTTONDOWN;
        SetKeyDown(button == 1 ? VK_LBUTTON : VK_RBUTTON, down);
        e.kind = down ? UiEvent::MouseDown : UiEvent::MouseUp;
        e.button = button;
        e.clicks = s.button.clicks;
        ToGame(s.button.x, s.button.y, e.x, e.y);
        return true;
    }
    case SDL_WINDOWEVENT:
        switch (s.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            e.kind = UiEvent::Close;
            return true;
        case SDL_WINDOWEVENT_LEAVE:
            e.kind = UiEvent::MouseLeave;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            ReleaseKeysOnFocusLoss();
            return false;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            KeysOnFocusGain();
            return false;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            e.kind = UiEvent::Expose;
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

} // namespace

bool PollUiEvent(UiEvent& e) {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return false;
    FollowHeldKeys();
    // A lost display closes the dialog and then the program, as the close box does.
    SDL_Event s;
    while (!DisplayLost() && SDL_PollEvent(&s))
        if (Convert(s, e)) return true;
    if (DisplayLost()) {
        if (!TakeDisplayLoss()) return false;
        e = UiEvent{};
        e.kind = UiEvent::Close;
        return true;
    }
    return false;
}

void WaitUiEvent(int ms) {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0 || DisplayLost()) {
        SDL_Delay(static_cast<Uint32>(ms));
        return;
    }
    WaitForDisplayInput(static_cast<DWORD>(std::max(ms, 0)));
}

namespace {
// The field that has text input (game-area pixels) and where the input method's window was put for
// it (window pixels); both valid while text input is on.
RECT g_textField{};
SDL_Rect g_textRect{};
} // namespace

void FollowTextField(const RECT* field) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || DisplayLost()) return;
    if (!field) {
        if (SDL_IsTextInputActive()) SDL_StopTextInput();
        return;
    }
    const PicturePlace area =
        PictureRectToArea(GamePlacement(static_cast<SDL_Window*>(GetMainSdlWindow())), kGameW, kGameH,
                          field->left, field->top, field->right - field->left, field->bottom - field->top);
    SDL_Rect r{area.x, area.y, area.w, area.h};
    const bool active = SDL_IsTextInputActive();
    const bool sameField = active && field->left == g_textField.left && field->top == g_textField.top &&
                           field->right == g_textField.right && field->bottom == g_textField.bottom;
    if (!sameField) {
        // Started again only for another field: starting resets a composition on some systems.
        SDL_SetTextInputRect(&r);
        SDL_StartTextInput();
    } else if (r.x != g_textRect.x || r.y != g_textRect.y || r.w != g_textRect.w || r.h != g_textRect.h) {
        // The same field where the window shows it now (resized, or full screen).
        SDL_SetTextInputRect(&r);
    }
    g_textField = *field;
    g_textRect = r;
}

void WarpPointerInGame(int x, int y) {
    auto* window = static_cast<SDL_Window*>(GetMainSdlWindow());
    if (!window || (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) == 0) return;
    int wx = 0, wy = 0;
    PictureToArea(GamePlacement(window), kGameW, kGameH, x, y, wx, wy);
    SDL_WarpMouseInWindow(window, wx, wy);
}

} // namespace win
