// The series fixture: the demo project whose first challenge stage is the first part of a numbered
// series ("data\stg4\c01-1", then "c01-2"). The first part hands over and clears on its own half a
// second into play, going on to the next part; the second takes over. The project carries the
// hero's hit points (cleared by a miss, as by default) and the time limit, and nothing else: the
// second part starts with the first part's hit points and time left, its time runs out, and after
// each miss it starts again with its own hit points and the carried time, until the lives are gone.
#pragma once

#include "project/system_data.h"
#include "records/ed_stage.h"

#include <string>

namespace series_fixture {

// The first part: hero with kFirstMaxHP hit points, kFirstTime seconds.
inline constexpr int kFirstMaxHP = 7, kFirstTime = 3;
// The second part: hero with kSecondMaxHP hit points, kSecondTime seconds, unless carried over.
inline constexpr int kSecondMaxHP = 12, kSecondTime = 200;

cEdStage FirstPart();
cEdStage SecondPart();
// The demo's system data carrying the groups hit points (11) and time limit (22) only.
cSystemData SeriesSystemData();

// Writes the demo project, its system data replaced, and the two parts into the folder.
bool Write(const std::string& folder);

} // namespace series_fixture
