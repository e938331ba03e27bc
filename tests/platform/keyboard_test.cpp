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

} // namespace
