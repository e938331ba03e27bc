// Sound effects from any thread: the request goes to the main window, which plays it. A thread other
// than the window's does not wait for it: the request is put in line with the thread's other requests
// to the window (music, dialogs), which the window thread serves in order, and reaches the window
// thread within the frame that made it at the latest (the frame's end announces it).
#pragma once

#include <cstdint>

// Plays sound effect n: 0 to 16 the system sounds, 16 + k the project's sound k.
void PlaySe(int n);
// Plays the project's sound n (nothing for 0); n is sign-extended.
void PlayUserSe(std::int16_t n);
