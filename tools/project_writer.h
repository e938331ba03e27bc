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
// <folder>/data/System.dat.
bool WriteSystemData(const std::string& folder, const cSystemData& data);
// <folder>/data/WorldMap.dat.
bool WriteWorldMap(const std::string& folder, const cWorldMap& map);
// <folder>/System.ini with the given text.
bool WriteSystemIni(const std::string& folder, const std::string& text);

// The demo project's contents: the database and system data of a new project with a title.
cProjectDatabase DemoDatabase();
cSystemData DemoSystemData();
// "System.ini" of the demo: DirectDraw in a window, the project's default key names.
std::string DemoSystemIni();

// Writes the demo project's database, system data, world map and "System.ini" into the folder
// (created when missing).
bool WriteDemoProject(const std::string& folder);

} // namespace project_writer
