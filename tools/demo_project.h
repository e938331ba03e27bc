// The whole demo project: everything start-up reads, so that the player starts in the folder and
// shows its title: the database, System.dat, WorldMap.dat, "System.ini", the common palette and
// the demo stage (through the records' own Save), the system pictures, the blend tables of the 27
// colour variants, the system and project sounds, and the title music; the stage files of the
// demo game (demo_game.h) with their pictures. The "user_data" folders are
// left to the player, which makes them.
#pragma once

#include "records/ed_stage.h"

#include <string>

namespace demo_project {

// The demo stage, the first story stage: the meadow of demo_game.
cEdStage DemoStage();

// Writes the demo project into the folder (created when missing). False when a file cannot be
// written.
bool Write(const std::string& folder);

} // namespace demo_project
