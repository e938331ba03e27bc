// The series fixture: the demo project whose first challenge stage is the first part of a numbered
// series ("data\stg4\c01-1", then "c01-2"). The first part hands over and clears on its own half a
// second into play, going on to the next part; the second takes over. The project carries the
// hero's hit points (cleared by a miss, as by default), its greatest hit points and the time limit,
// and nothing else: the second part starts with the first part's hit points and time left, its time
// runs out, and after each miss it starts again with the carried greatest hit points and time,
// until the lives are gone.
#pragma once

#include "project/common_palette.h"
#include "project/system_data.h"
#include "records/ed_stage.h"

#include <string>

namespace series_fixture {

// The first part: hero with kFirstMaxHP hit points, kFirstTime seconds; the hero loses kFirstLoss
// hit points at once.
inline constexpr int kFirstMaxHP = 7, kFirstTime = 3, kFirstLoss = 2;
// The second part: hero with kSecondMaxHP hit points, kSecondTime seconds, unless carried over.
inline constexpr int kSecondMaxHP = 12, kSecondTime = 200;

// A third stage ("data\stg4\links.stg4_000", played on its own): half a second into play the hero sets
// its variable 1 to kLinkedDistance and takes the common palette's item kLinkItem, whose commands link
// the distance of the item's warp to that variable and then warp the hero up kItemDistance half
// blocks, unless linked.
inline constexpr const char* kLinksBase = "links";
inline constexpr int kLinkItem = 2, kLinkedDistance = 6, kItemDistance = 1;
cEdStage LinksStage();
// The demo's common palette with the linking item added.
cCommonPalette LinksPalette();

// A fourth stage ("data\stg4\banner.stg4_000", played on its own): a floor whose start shows the first
// start banner, the word and the stage counter.
inline constexpr const char* kBannerBase = "banner";
cEdStage BannerStage();

cEdStage FirstPart();
cEdStage SecondPart();
// The demo's system data carrying the groups hit points (11), greatest hit points (13) and time
// limit (22) only.
cSystemData SeriesSystemData();

// Writes the demo project, its system data and common palette replaced, the two parts, the links
// stage and the banner stage into the folder.
bool Write(const std::string& folder);

} // namespace series_fixture
