// The whole demo project: everything start-up reads, so that the player starts in the folder and
// shows its title: the database, System.dat, WorldMap.dat, "System.ini", the common palette and
// the demo stage (through the records' own Save), the system pictures, the blend tables of the 27
// colour variants, the system and project sounds, and the title music. The "user_data" folders are
// left to the player, which makes them.
#pragma once

#include "records/ed_stage.h"

#include <string>

namespace demo_project {

// The demo stage: a 40 x 15 field with a floor, two brick platforms, bonus blocks, three coins, a
// slime and the hero.
cEdStage DemoStage();

// Writes the demo project into the folder (created when missing). False when a file cannot be
// written.
bool Write(const std::string& folder);

} // namespace demo_project
