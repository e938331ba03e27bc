#include "platform/display_connection.h"

#include <gtest/gtest.h>

#if __has_include(<X11/X.h>)
#include <X11/X.h>

namespace {

// Only the game window's own destruction, or an error naming it as a window that does not exist,
// ends the player; errors and events about other windows (the input method's, a box's, a window
// the video system replaced) and a mere unmapping leave it running.
TEST(DisplayConnection, WhatMeansTheWindowIsGone) {
    constexpr unsigned long kGame = 0x200002, kOther = 0x200010;
    struct Case {
        const char* what;
        bool error;
        int code;
        unsigned long about;
        unsigned long watched;
        bool gone;
    };
    const Case cases[] = {
        {"BadWindow on the game window", true, BadWindow, kGame, kGame, true},
        {"BadDrawable on the game window (a frame drawn into it)", true, BadDrawable, kGame, kGame, true},
        {"BadWindow on another window", true, BadWindow, kOther, kGame, false},
        {"BadMatch on the game window", true, BadMatch, kGame, kGame, false},
        {"BadAtom naming the same number", true, BadAtom, kGame, kGame, false},
        {"an error while no window is watched", true, BadWindow, 0, 0, false},
        {"the game window destroyed", false, DestroyNotify, kGame, kGame, true},
        {"another window destroyed", false, DestroyNotify, kOther, kGame, false},
        {"the game window unmapped", false, UnmapNotify, kGame, kGame, false},
        {"a destruction while no window is watched", false, DestroyNotify, 0, 0, false},
    };
    for (const Case& c : cases) {
        const bool gone = c.error ? win::ErrorMeansWindowGone(c.code, c.about, c.watched)
                                  : win::EventMeansWindowGone(c.code, c.about, c.watched);
        EXPECT_EQ(gone, c.gone) << c.what;
    }
}

} // namespace
#endif
