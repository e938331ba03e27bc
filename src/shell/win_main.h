#pragma once
#include "platform/win_types.h"

#include <atomic>

// The program: opens the logs, checks for a running instance, creates the main window, starts
// the game and runs the window thread's message loop. Returns the process's exit code.
// The first argument, when given, is a stage or replay file to play at once.
int WinMain(int argc, char** argv);

// The window thread's message loop, run once the game has started: shows the latest frame, serves
// the requests of the other threads and dispatches the window's messages until WM_QUIT, whose code
// it returns.
int RunWindowLoop();

// The main window object's handle, from its creation until WM_DESTROY (g_hWnd, the target of
// WM_CLOSE posts, is set from it by start-up).
extern std::atomic<win::HWND> g_hMainWnd;
// 1 when the kit's editor started the player (show command 5): the editor then gets the notices.
extern int g_bFromEditor;
// 1 once start-up has completed.
extern std::atomic<unsigned char> g_bInitialised;

// Editor notices: the window exists / the player ends (0 start-up failed, 1 window destroyed).
void NotifyEditorStart();
void NotifyEditorExit(int nValue);
