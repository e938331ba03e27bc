#pragma once

// The program: opens the logs, checks for a running instance, creates the main window, starts
// the game and runs the window thread's message loop. Returns the process's exit code.
int WinMain(int argc, char** argv);
