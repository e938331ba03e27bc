// Values that start-up decides and the rest of the program reads.
#pragma once

// 1 when the display is a window.
extern int g_bWindowed;
// The colour depth the display was set up with.
extern int g_nScreenBpp;
// 1 when the program was started with a stage or replay file to play.
extern int g_bStartFile;
