#include "platform/keyboard.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

TEST(KeyTable, HeldKeysReadAsHighBit) {
    win::ReleaseAllKeys();
    EXPECT_EQ(GetAsyncKeyState('Z'), 0);
    win::SetKeyDown('Z', true);
    EXPECT_NE(GetAsyncKeyState('Z') & 0x8000, 0);
    EXPECT_LT(GetAsyncKeyState('Z'), 0);
    win::SetKeyDown('Z', false);
    EXPECT_EQ(GetAsyncKeyState('Z'), 0);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
}

TEST(KeyTable, EitherShiftHoldsTheCombinedCode) {
    win::ReleaseAllKeys();
    win::SetKeyDown(win::VK_LSHIFT, true);
    win::SetKeyDown(win::VK_RSHIFT, true);
    win::SetKeyDown(win::VK_LSHIFT, false);
    EXPECT_NE(GetAsyncKeyState(win::VK_SHIFT), 0);
    win::SetKeyDown(win::VK_RSHIFT, false);
    EXPECT_EQ(GetAsyncKeyState(win::VK_SHIFT), 0);
    win::SetKeyDown(win::VK_RCONTROL, true);
    EXPECT_NE(GetAsyncKeyState(win::VK_CONTROL), 0);
    win::ReleaseAllKeys();
    EXPECT_EQ(GetAsyncKeyState(win::VK_CONTROL), 0);
}

TEST(KeyTable, ScancodesMapToVirtualKeys) {
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_A), 'A');
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_Z), 'Z');
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_0), '0');
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_9), '9');
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_F12), 0x7B);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_LEFT), 0x25);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_UP), 0x26);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_RIGHT), 0x27);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_DOWN), 0x28);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE), win::VK_ESCAPE);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_RETURN), win::VK_RETURN);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_SPACE), win::VK_SPACE);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_KP_5), 0x65);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_LSHIFT), win::VK_LSHIFT);
    EXPECT_EQ(win::VirtualKeyFromScancode(SDL_SCANCODE_UNKNOWN), 0);
}

// Letter and digit keys follow the layout; the key configuration holds layout codes.
TEST(KeyTable, LettersAndDigitsFollowTheLayoutOtherKeysTheirPosition) {
    // German: the key left of U prints Z, the key right of the left Shift prints Y.
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_Y, SDLK_z), 'Z');
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_Z, SDLK_y), 'Y');
    // French: A where the US layout has Q, M right of L, a comma where the US layout has M.
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_Q, SDLK_a), 'A');
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_SEMICOLON, SDLK_m), 'M');
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_M, SDLK_COMMA), 0xBC);
    // Dvorak: an apostrophe where the US layout has Q; the digit row stays digits.
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_Q, SDLK_QUOTE), 0xDE);
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_1, SDLK_1), '1');
    // A sign no key code stands for leaves a letter position without a code rather than with
    // another key's letter.
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_W, 0xE9), 0);
    // Other keys by position, whatever the layout prints; an unknown key code by position too.
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_LEFT, SDLK_LEFT), win::VK_LEFT);
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_MINUS, SDLK_RIGHTPAREN), 0xBD);
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_KP_1, SDLK_KP_1), 0x61);
    EXPECT_EQ(win::VirtualKeyFromKey(SDL_SCANCODE_Z, SDLK_UNKNOWN), 'Z');
}

} // namespace
