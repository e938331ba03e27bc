// Sound effects from any thread: the request goes to the main window, which plays it.
#pragma once

#include <cstdint>

// Plays sound effect n: 0 to 16 the system sounds, 16 + k the project's sound k.
void PlaySe(int n);
// Plays the project's sound n (nothing for 0); n is sign-extended.
void PlayUserSe(std::int16_t n);
