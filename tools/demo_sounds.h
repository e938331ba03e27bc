// The demo project's sound effects: short synthesised beeps, chords and noises, written as 16-bit
// mono WAVE files at 22,050 Hz under "wave\".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo_sounds {

constexpr int kRate = 22050;

// The samples of system sound n (0 to 16).
std::vector<std::int16_t> SystemSound(int n);
// The samples of the project's sound n (1 to 4, entries of its sound list).
std::vector<std::int16_t> ProjectSound(int n);

// Writes every system sound and project sound into <folder>/wave/.
bool WriteAll(const std::string& folder);

} // namespace demo_sounds
