// The player's own icon, which the main window shows from start-up to shut-down.
#pragma once
#include "platform/window_frame.h"

// Makes the program's icon (32 x 32); the caller frees it with win::DestroyIcon.
win::HICON ExtractProgramIcon();
