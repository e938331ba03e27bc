// The flags through which the main window reports the outcome of a request that a worker thread
// sent it (the requester clears its flag, sends, then polls the flag).
#pragma once
#include <atomic>

// WM_USER+2, +3, +4 finished.
extern std::atomic<int> g_bRequestDone;
// Result of the last WM_USER+2, +3, +4: 1 a file was chosen and handled, 0 cancelled.
extern std::atomic<int> g_bFileLoaded;
// WM_USER+1: the name dialog has closed.
extern std::atomic<int> g_bNameDialogDone;
// Set with it when the dialog was closed by the program's close: the name is not to be used.
extern std::atomic<int> g_bNameDialogClosed;
