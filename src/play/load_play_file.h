// Free play of a stage or replay file given by its path (the stage-file request of the title menu,
// the start file given at start-up, and the play scene's reload of that file).
#pragma once

#include <string>

// True when the path names a replay file (its extension starts with "rpl4").
bool IsReplayPath(const std::string& path);

// Prepares a play of the file: the save data is reset, the stage (or the replay with its stage and
// snapshot) is loaded, lives are set for free play, and the current stage name is taken from the
// path. fromStartup 1 takes the newest numbered revision of a stage file. False when the file cannot
// be loaded; the save data then stays reset.
bool LoadPlayFile(const std::string& path, int fromStartup);

// Prepares a playback of the replay file, whatever its name: the save data is reset and the replay
// is loaded with its stage and the save data of its start (a file too old to hold that gets a free
// play's). False, after a box that says so, when it cannot be loaded.
bool LoadReplayForPlay(const std::string& path);
