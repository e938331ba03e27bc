// The start-up dialog: chooses the drawing back-end before the display is set up.
//
// It takes its answer from the scripted answers: "direct3d" or "directdraw" chooses and starts,
// "noask" (after a choice, as "direct3d noask") also ticks "do not ask again", "cancel" cancels; no
// answer starts with the stored choice. Starting saves "user_data\Boot.dat".
#pragma once

// 1 when the game is to start (g_BootData holds the choice), 0 when the dialog was cancelled.
int RunBootDialog();
