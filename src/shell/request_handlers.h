// The requests that worker threads send the main window (WM_USER+1 ... +6, +100), served on the
// window thread. Each returns 0, as the window procedure does for them.
#pragma once

#include "platform/win_types.h"

win::LRESULT OnNameDialogRequest();                  // WM_USER+1
win::LRESULT OnStageFileRequest();                   // WM_USER+2
win::LRESULT OnReplayFileRequest();                  // WM_USER+3
win::LRESULT OnReplaySaveRequest(win::WPARAM which); // WM_USER+4: 0 this play, else the previous one
win::LRESULT OnResetDeviceRequest();                 // WM_USER+100

// Dispatches one request message; false when `msg` is not a request.
bool HandleWindowRequest(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result);

// The name dialog: up to three characters for the ranking name.
constexpr int RANKING_NAME_CHARS = 3;
