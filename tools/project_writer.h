// The project writer: builds game projects for tests and the demo through the system's own
// record classes, so that every file is written by the same Save that a project's files would
// be read against. A project folder holds "data\" (System.dat, database\) and "System.ini".
#pragma once

#include "project/project_database.h"
#include "project/system_data.h"
#include "project/world_map.h"

#include <string>

namespace project_writer {

// The ten database files of `db` into <folder>/data/database/ (version word, record count,
// the records).
bool WriteDatabase(const std::string& folder, const cProjectDatabase& db);
// <folder>/data/System.dat. Saving clears every menu music number beyond the music list, so the
// list is taken from `db` (the database written beside it).
bool WriteSystemData(const std::string& folder, const cSystemData& data,
                     const cProjectDatabase& db = g_Database);
// <folder>/data/WorldMap.dat.
bool WriteWorldMap(const std::string& folder, const cWorldMap& map);
// <folder>/System.ini with the given text.
bool WriteSystemIni(const std::string& folder, const std::string& text);

// The demo project's contents. The database is a new project's with four sounds (entries 1-4 of
// the sound list), two pieces of music (entry 1 the title music: the OGG file, or the MIDI file
// when `oggMusic` is false; entry 2 the MIDI file) and one picture (entry 1, the cave's sign).
cProjectDatabase DemoDatabase(bool oggMusic = true);
// A new project's system data with the demo's title, its 17 system sound files, the title scene
// playing music 1 and the other menus music 2, every title and save item shown, three counted lives
// (unlimited only in replays) and an extra life per 1,000 points, the continue menu, the two
// challenge stages, and rankings kept in every mode and genre.
cSystemData DemoSystemData();
// A 20 x 15 island in the sea with a road past three nodes, the three story stages (the meadow,
// the cave, the castle) in two worlds: the cave is closed (it blocks the marker) until the meadow's
// clear switch is set, and its clear advances the story into the second world, where the castle is
// open; the castle's clear returns to the title.
cWorldMap DemoWorldMap();
// "System.ini" of the demo: DirectDraw in a window, the project's default key names.
std::string DemoSystemIni();

// Writes the demo project's database, system data, world map and "System.ini" into the folder
// (created when missing).
bool WriteDemoProject(const std::string& folder, bool oggMusic = true);

} // namespace project_writer
