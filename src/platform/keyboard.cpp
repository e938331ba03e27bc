#include "platform/keyboard.h"

#include "platform/win_types.h"

#include <SDL.h>
#include <atomic>

namespace win {
namespace {

std::atomic<std::uint8_t> g_keys[256];
// Keys that went to a dialog or a box and are not let go yet.
std::atomic<std::uint8_t> g_swallowed[256];

void Store(int vk, bool down) {
    if (vk <= 0 || vk >= 256) return;
    g_keys[vk].store(down ? 1 : 0, std::memory_order_relaxed);
    if (!down) g_swallowed[vk].store(0, std::memory_order_relaxed);
}
bool Held(int vk) {
    return vk > 0 && vk < 256 && g_keys[vk].load(std::memory_order_relaxed) != 0;
}

// The code of a sign key of the US layout, by its sign; 0 for any other character.
int OemKeyFromCharacter(int ch) {
    switch (ch) {
    case ';':
        return 0xBA;
    case '=':
        return 0xBB;
    case ',':
        return 0xBC;
    case '-':
        return 0xBD;
    case '.':
        return 0xBE;
    case '/':
        return 0xBF;
    case '`':
        return 0xC0;
    case '[':
        return 0xDB;
    case '\\':
        return 0xDC;
    case ']':
        return 0xDD;
    case '\'':
        return 0xDE;
    default:
        return 0;
    }
}

} // namespace

short GetAsyncKeyState(int vk) {
    return Held(vk) ? static_cast<short>(0x8000) : 0;
}

void SetKeyDown(int vk, bool down) {
    Store(vk, down);
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        Store(VK_SHIFT, Held(VK_LSHIFT) || Held(VK_RSHIFT));
        break;
    case VK_LCONTROL:
    case VK_RCONTROL:
        Store(VK_CONTROL, Held(VK_LCONTROL) || Held(VK_RCONTROL));
        break;
    case VK_LMENU:
    case VK_RMENU:
        Store(VK_MENU, Held(VK_LMENU) || Held(VK_RMENU));
        break;
    default:
        break;
    }
}

void ReleaseAllKeys() {
    ReleaseAllKeys(std::bitset<256>());
}

void ReleaseAllKeys(const std::bitset<256>& kept) {
    for (std::size_t vk = 0; vk < 256; ++vk) {
        if (kept[vk]) continue;
        g_keys[vk].store(0, std::memory_order_relaxed);
        g_swallowed[vk].store(0, std::memory_order_relaxed);
    }
}

std::bitset<256> HeldKeys() {
    std::bitset<256> held;
    for (int vk = 1; vk < 256; ++vk)
        held[static_cast<std::size_t>(vk)] = Held(vk);
    return held;
}

void SwallowKey(int vk) {
    if (vk <= 0 || vk >= 256) return;
    SetKeyDown(vk, false);
    g_swallowed[vk].store(1, std::memory_order_relaxed);
}

bool KeySwallowed(int vk) {
    return vk > 0 && vk < 256 && g_swallowed[vk].load(std::memory_order_relaxed) != 0;
}

int VirtualKeyFromCharacter(int ch) {
    if (ch >= 'a' && ch <= 'z') return 'A' + (ch - 'a');
    if (ch >= '0' && ch <= '9') return ch;
    return OemKeyFromCharacter(ch);
}

int VirtualKeyFromScancode(int sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc == SDL_SCANCODE_0) return '0';
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_KP_0:
        return VK_NUMPAD0;
    case SDL_SCANCODE_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS:
        return VK_ADD;
    case SDL_SCANCODE_KP_MINUS:
        return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD:
        return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE:
        return VK_DIVIDE;
    case SDL_SCANCODE_KP_ENTER:
        return VK_RETURN;
    case SDL_SCANCODE_RETURN:
        return VK_RETURN;
    case SDL_SCANCODE_ESCAPE:
        return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE:
        return VK_BACK;
    case SDL_SCANCODE_TAB:
        return VK_TAB;
    case SDL_SCANCODE_SPACE:
        return VK_SPACE;
    case SDL_SCANCODE_PAUSE:
        return VK_PAUSE;
    case SDL_SCANCODE_LEFT:
        return VK_LEFT;
    case SDL_SCANCODE_UP:
        return VK_UP;
    case SDL_SCANCODE_RIGHT:
        return VK_RIGHT;
    case SDL_SCANCODE_DOWN:
        return VK_DOWN;
    case SDL_SCANCODE_INSERT:
        return VK_INSERT;
    case SDL_SCANCODE_DELETE:
        return VK_DELETE;
    case SDL_SCANCODE_HOME:
        return VK_HOME;
    case SDL_SCANCODE_END:
        return VK_END;
    case SDL_SCANCODE_PAGEUP:
        return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN:
        return VK_NEXT;
    case SDL_SCANCODE_LSHIFT:
        return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT:
        return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL:
        return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL:
        return VK_RCONTROL;
    case SDL_SCANCODE_LALT:
        return VK_LMENU;
    case SDL_SCANCODE_RALT:
        return VK_RMENU;
    case SDL_SCANCODE_SEMICOLON:
        return 0xBA; // OEM_1
    case SDL_SCANCODE_EQUALS:
        return 0xBB; // OEM_PLUS
    case SDL_SCANCODE_COMMA:
        return 0xBC; // OEM_COMMA
    case SDL_SCANCODE_MINUS:
        return 0xBD; // OEM_MINUS
    case SDL_SCANCODE_PERIOD:
        return 0xBE; // OEM_PERIOD
    case SDL_SCANCODE_SLASH:
        return 0xBF; // OEM_2
    case SDL_SCANCODE_GRAVE:
        return 0xC0; // OEM_3
    case SDL_SCANCODE_LEFTBRACKET:
        return 0xDB; // OEM_4
    case SDL_SCANCODE_BACKSLASH:
        return 0xDC; // OEM_5
    case SDL_SCANCODE_RIGHTBRACKET:
        return 0xDD; // OEM_6
    case SDL_SCANCODE_APOSTROPHE:
        return 0xDE; // OEM_7
    case SDL_SCANCODE_INTERNATIONAL1:
        return 0xE2; // OEM_102 (the backslash-underscore key)
    case SDL_SCANCODE_INTERNATIONAL3:
        return 0xDC; // the yen key
    default:
        return 0;
    }
}

int VirtualKeyFromKey(int scancode, int keycode) {
    if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (keycode - SDLK_0);
    const int vk = VirtualKeyFromScancode(scancode);
    const bool letterOrDigit = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
    if (!letterOrDigit || keycode == SDLK_UNKNOWN) return vk;
    // Where the US layout has a letter or a digit, this layout has a sign: the key is named by its
    // sign, never by a letter that another key of this layout carries.
    return OemKeyFromCharacter(keycode);
}

} // namespace win
