// PLACEHOLDERS for the requests the main window serves for other threads and for the music
// manager, until the dialogs, file loading and music land. Each does the least a requester needs:
// the flags it polls are set as for a cancelled dialog, and nothing plays.
#pragma once
#include "platform/win_types.h"

// PLACEHOLDER for the music manager's stop (g_Bgm.Stop()).
void StopBgm();
// PLACEHOLDER for the requests WM_USER+1 (no name dialog: its flag is set), +2, +3, +4 (no file
// dialog: reported as cancelled) and +6 (no music). False for other messages.
bool HandleRequestPlaceholder(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
