// Start-up and shut-down of the game.
#pragma once

// Runs the start-up steps; false when one fails (the program then ends after UnInitGame).
// For now: the main window becomes g_hWnd, the data folder ("default" copied to "data" when the
// user agrees) and the start-up folders are made, and the window is shown.
bool InitGame(const char* cmdLine, int nCmdShow);
// Releases what start-up built; copes with every part that was never built.
void UnInitGame();
