// Windows that belong to the main window as its dialogs (the message boxes, shown by a child
// process): the display's id of the owner travels to the box, which is then marked a dialog of
// that window, so that the window manager gives it a dialog's frame (no minimise or maximise) and
// keeps it above its owner.
#pragma once

namespace win {

// The display's id of the main window (as the display names it to other processes); 0 without a
// shown main window or where the display has no such ids (not X).
unsigned long MainWindowDisplayId();

// Before `sdlWindow` (an SDL_Window*, not yet shown) is shown: it becomes a dialog window, and the
// dialog of `owner` (a MainWindowDisplayId of another process), modal for it, when owner is not 0. False where
// the display cannot be told so (not X); the window then stays an ordinary one.
bool MakeDialogWindow(void* sdlWindow, unsigned long owner);

} // namespace win
