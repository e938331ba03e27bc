// The window thread's input for dialogs drawn inside the game window: SDL events of the main window
// turned into plain events, with the mouse in game-area pixels (the frame is placed in the window as
// platform/picture_fit.h says), and the text-input (input method) switches.
#pragma once
#include "platform/win_types.h"

#include <string>

namespace win {

struct UiEvent {
    enum Kind {
        None,
        KeyDown,
        KeyUp,
        Text,
        Editing,
        MouseMove,
        MouseDown,
        MouseUp,
        MouseLeave,
        Close,
        Expose
    };
    Kind kind = None;
    int vk = 0;          // KeyDown / KeyUp: the virtual-key code
    bool repeat = false; // KeyDown: auto-repeat
    bool shift = false, ctrl = false;
    int x = 0, y = 0; // mouse events: game-area pixels
    int button = 0;   // 1 left, 2 right
    int clicks = 1;   // MouseDown: 2 for a double click
    std::string text; // Text: committed UTF-8; Editing: the composition (empty: composition ended)
    int cursor = 0;   // Editing: caret inside the composition, in characters
};

// Window thread: the next waiting event, false when none waits. Key and mouse-button states are kept
// in the key table as the window's own pump keeps them.
bool PollUiEvent(UiEvent& e);
// Window thread: waits up to `ms` milliseconds for input from the display (the way the main loop
// waits: the video system's own wait is not used, which would leave it something to say to the
// display after the display is gone).
void WaitUiEvent(int ms);
// Window thread: text input (the input method) follows the focused text field: `field`, in
// game-area pixels, is the field that has the focus, null when none has it. Text input is on only
// while there is one, and the input method's window is placed at it in the window's own pixels
// (where the picture is scaled into the window). Off from the start of the video system.
void FollowTextField(const RECT* field);
// Puts the system's pointer over the game-area point (a no-op without a visible window).
void WarpPointerInGame(int x, int y);

} // namespace win
