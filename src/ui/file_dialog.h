// Open and save file dialogs.
//
// Without a display the dialog takes its answer from the scripted answers (MIRELDA4_ANSWERS): a
// path chooses that file, "cancel" (or no answer left) cancels. With a display the same answers are
// used when given; otherwise the dialog is cancelled, as the player has no chooser of its own there.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Fills `result` (bufferSize bytes, CP932) with the chosen path; false when cancelled or when the
// chosen path does not fit the buffer.
bool OpenFileDialog(win::HWND owner, char* result, std::size_t bufferSize, const char* initialFolder,
                    const char* filterDescription, const char* title, const char* pattern);
// As OpenFileDialog; `result` holds the default file name on entry.
bool SaveFileDialog(win::HWND owner, char* result, std::size_t bufferSize, const char* initialFolder,
                    const char* filterDescription, const char* title, const char* pattern);
