// Key state of the keyboard, kept by the window thread from the window's key events and read by
// whichever thread samples input. Keys are named by their virtual-key codes.
#pragma once
#include "platform/win_types.h"

#include <bitset>
#include <cstdint>

namespace win {

constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;
// 'A'..'Z' and '0'..'9' are their own codes; VK_ESCAPE is in win_types.h.

// 0x8000 (as a short: negative) while the key is held, else 0.
short GetAsyncKeyState(int vk);

// Called by the window thread's event pump (and by tests): the key went down or up. Setting one of
// the left/right Shift, Ctrl or Alt keys also keeps the combined code (VK_SHIFT ...) up to date.
void SetKeyDown(int vk, bool down);
// All keys up (the window lost the focus, or a test starts afresh); with `kept`, all but those.
void ReleaseAllKeys();
void ReleaseAllKeys(const std::bitset<256>& kept);
// The keys held now.
std::bitset<256> HeldKeys();

// A key pressed into a dialog or a box went there, not to the game: it reads as up from now on, and
// the display's further presses of it (its auto-repeat) are not taken (KeySwallowed) until it is let
// go (SetKeyDown(vk, false), or all keys released).
void SwallowKey(int vk);
bool KeySwallowed(int vk);

// The virtual-key code of an SDL scancode (the key's position, as on the US layout); 0 for keys
// without one.
int VirtualKeyFromScancode(int scancode);
// The virtual-key code of a key event, as the platform's keyboard layout gives it: letter and digit
// keys by what the layout prints on them (the SDL keycode), every other key by its position. A key
// that holds a letter or digit on the US layout but a sign on this one is named by that sign.
int VirtualKeyFromKey(int scancode, int keycode);
// The virtual-key code of the key that types `ch` unshifted (a lower-case letter, a digit or a sign of
// the US layout); 0 for any other character.
int VirtualKeyFromCharacter(int ch);

} // namespace win

// The system's input code calls it unqualified, as the platform's own function.
using win::GetAsyncKeyState;
