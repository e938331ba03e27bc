// The window thread's input for dialogs drawn inside the game window: SDL events of the main window
// turned into plain events, with the mouse in game-area pixels (the frame is placed in the window as
// platform/picture_fit.h says), and the text-input (input method) switches.
#pragma once
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
// Window thread: waits up to `ms` milliseconds for an SDL event.
void WaitUiEvent(int ms);
// Text input for an edit field at the given game-area rectangle (the input method's window goes
// there); StopUiTextInput ends it.
void StartUiTextInput(int x, int y, int w, int h);
void StopUiTextInput();
// Puts the system's pointer over the game-area point (a no-op without a visible window).
void WarpPointerInGame(int x, int y);

} // namespace win
