// Shared set-up of the libFuzzer harnesses: each process works in a folder of its own with the
// player's folders, message boxes are answered without showing them, and inputs become files
// where the player reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Once per process: SDL's dummy drivers, a new work folder under TMPDIR (removed at exit) made the
// current folder, the player's system folders made in it, every box answered with its default.
void Init();

// Writes the bytes as the file of a player path ("data\\System.dat"), relative to the work folder.
// False when it cannot be written.
bool PutFile(const std::string& playerPath, const std::uint8_t* data, std::size_t size);

// Removes the file of a player path (nothing when it is missing).
void RemoveFile(const std::string& playerPath);

// Boxes shown since the last call (reset to 0 by the call).
int TakeBoxCount();

} // namespace fuzz
