// Fixture stages of the whole-program tests, written beside the demo project (whose database,
// pictures and sounds they use): small stages each made to show one piece of play in the trace.
#pragma once

#include "project/project_database.h"
#include "records/ed_stage.h"

#include <string>
#include <vector>

namespace fixture_stages {

struct StageFile {
    std::string base; // under data\stg4\, without extension; revision 0 is written
    cEdStage stage;
};

// The replay fixture ("fx_replay"): the demo's hero on a floor, summoning a walking slime from the
// stage's own palette every second while it plays.
cEdStage ReplaySummons();

// The stage-palette replay fixture ("fx_replay_palette"): the demo's hero on a floor, every half
// second summoning entry 2 of the stage's character palette three blocks to its right (a slime that
// adds 1 to the score when it appears, then walks; entry 1 is a slime that only stands) and taking
// item 2 of the stage's item palette (100 points; item 1 gives none); its shots (button 2) hand item
// 3 (10000 points) to the hero at every hit. The score's pairs of digits so count the three.
cEdStage ReplayPalette();

// The memory fixture: the demo project with a stage ("data\stg4\memory.stg4_000") whose hero
// stands on a floor with 512 characters, each of whose flows repeats a code command with a long
// text 256 times. Set-up expands those loops into lists that hold as many flow entries as a
// stage's objects may hold together, each with its own copy of the text: some 400 MB, taken a
// character at a time.
inline constexpr const char* kMemoryBase = "memory";
cEdStage MemoryHungry();
// Beside it "memory_play", a stage whose hero summons 32 characters every frame, each with a flow
// as large as one of those above (never started): play takes memory until the summons reach that
// bound, some 400 MB on.
inline constexpr const char* kMemoryPlayBase = "memory_play";
cEdStage MemoryHungryPlay();
// And "memory_sight", the first stage with a hero of the widest round sight, whose darkness surfaces
// are made before the characters are placed.
inline constexpr const char* kMemorySightBase = "memory_sight";
cEdStage MemoryHungrySight();
// Writes the demo project and the memory fixture's stages into the folder.
bool WriteMemory(const std::string& folder);

// The demo's database with entry 1 of the character, screen and picture effect lists made to show.
cProjectDatabase Database();

// Every fixture stage.
std::vector<StageFile> All();

// Writes every fixture stage into <folder>/data/stg4/ of a project the demo writer has written.
bool WriteAll(const std::string& folder);

} // namespace fixture_stages
