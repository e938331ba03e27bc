// Message boxes. Texts and captions are the system's CP932 texts.
//
// With a display, an SDL message box is shown. In a headless run (SDL_VIDEODRIVER=dummy or no
// display at all) the caption and text are written as one UTF-8 line to standard error and the box is
// answered with its default button, unless the environment variable MIRELDA4_ANSWERS lists answers
// (comma-separated "ok", "yes", "no", "cancel"), which are consumed one per box. An answer that is
// not a button of the box counts as the default button.
#pragma once
#include "platform/win_types.h"

#include <string>

namespace win {

int MessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The next answer of MIRELDA4_ANSWERS as written (blanks around it removed), consumed; false when
// the list is used up or not set. The headless dialogs and file choosers take their answers (a path,
// a name, a choice) from here, so that boxes and dialogs share one list in the order they appear.
bool TakeScriptedAnswer(std::string& answer);

// True when boxes are answered without a display.
bool IsHeadless();
// For tests: forget the answers consumed so far and read MIRELDA4_ANSWERS again at the next box.
void ResetMessageBoxAnswersForTests();

} // namespace win
