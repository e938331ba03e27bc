// Message boxes. Texts and captions are the system's CP932 texts.
//
// With a display, the box is shown in a window of its own. In a headless run (SDL_VIDEODRIVER=dummy or no
// display at all) the caption and text are written as one UTF-8 line to standard error and the box is
// answered with its default button, unless the environment variable MIRELDA4_ANSWERS lists answers
// (comma-separated "ok", "yes", "no", "cancel"), which are consumed one per box. An answer that is
// not a button of the box counts as the default button.
#pragma once
#include "platform/win_types.h"

#include <functional>
#include <string>
#include <vector>

namespace win {

// Shows the box and returns the button pressed. A close arriving while the box is open (a close
// signal, the main window's close box, or shut-down begun) ends it as its own close box does
// (ClosedBoxAnswer: Cancel, else No, else OK); the box is then written to standard error as in a
// headless run.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Whether a box is open before the user (with a display): the main window then takes no input.
bool MessageBoxOpen();

// A close arrived: every box open now ends as its own close box would end it (ClosedBoxAnswer).
// Called by the close-signal handler and by the window's event pump (the close box).
void EndOpenMessageBoxes();

// What a box asks, in UTF-8.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    UINT type = 0;
    // The display's id of the main window the box belongs to (platform/dialog_window.h); 0 none.
    unsigned long owner = 0;
};
// Puts a box before the user on the thread that called MessageBox and returns the button pressed
// (0: could not be shown). It polls `closed` while it waits and returns soon after it turns true
// (its answer is then not used). For tests; an empty presenter restores the display's own box.
using MessageBoxPresenter = std::function<int(const MessageBoxRequest&, const std::function<bool()>& closed)>;
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The buttons of a box type, the default one first.
std::vector<int> MessageBoxButtons(UINT type);
// The answer of a box closed without a button (its close box, Escape): Cancel, else No, else OK.
int ClosedBoxAnswer(UINT type);

// Shows a box in a window of its own until it is answered; returns the button pressed, 0 when the
// box cannot be shown that way.
using BoxWindow = int (*)(const MessageBoxRequest& box);

// Program entry, first of all: with a display, boxes are shown by a child process of this program
// that is ended when a close arrives. The child draws its box with `window` (the display's own
// message box when that cannot show it). Returns the exit code when this process is such a child
// (it has shown its box), else -1 and the program goes on.
int ServeMessageBoxChild(int argc, char** argv, BoxWindow window = nullptr);

// The next answer of MIRELDA4_ANSWERS as written (blanks around it removed), consumed; false when
// the list is used up or not set. The headless dialogs and file choosers take their answers (a path,
// a name, a choice) from here, so that boxes and dialogs share one list in the order they appear.
bool TakeScriptedAnswer(std::string& answer);

// True when boxes are answered without a display.
bool IsHeadless();
// For tests: forget the answers consumed so far and read MIRELDA4_ANSWERS again at the next box.
void ResetMessageBoxAnswersForTests();

} // namespace win
