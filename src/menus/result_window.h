// The stage-result window of the play scene's result state: one line per shown result value
// (score, remaining time, clear time, remaining HP, remaining SP) with its label, and a new-record
// mark per genre that took a ranking place, stacked from the top line down.
#pragma once

#include <cstdint>
#include <vector>

struct DDSURFACEDATA;

// What the window shows and how wide it is, in 16-pixel characters.
struct cResultLayout {
    std::vector<int> items; // the shown result items, in order
    int labelWidth = 1;     // widest shown label, at least 1
    int valueWidth = 1;     // widest shown value, 8 when the clear time is shown
    int width = 0;          // pixels: 16 x (labels + values + 3)
    int height = 0;         // pixels: 16 per line
};

// An item is shown when the stage shows it and, unless the program was started with a file, the
// game mode ranks it.
cResultLayout StageResultLayout(const std::vector<std::int32_t>& values);
// Draws the window at (x, y); nothing when no item is shown. `places` holds the ranking place of
// each genre (-1 none), `values` the five result values.
void DrawStageResult(DDSURFACEDATA* surface, int x, int y, const std::int32_t places[5],
                     const std::vector<std::int32_t>& values);
