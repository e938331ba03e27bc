// A cleared stage: its result values are tallied into the run (score, remaining time, clear time,
// remaining HP and SP, kept in the save data), extra lives are awarded for points, the ranking
// places of the result values are found at the last stage of a series, and after the result screen
// the next scene is chosen: the follow-up stage of a numbered series, the world map, the title or
// the challenge menu.
//
// Totals are summed in 64 bits and kept as 32-bit values that wrap.
#pragma once

#include "flow/cmd_stage.h"

#include <cstdint>
#include <string>

class cGameScene;

// The parts of the clear that live above stage play (the rankings and the menus) or that tests
// replace. Each default does the least harm.
struct StageClearHooks {
    // The place a value would take in the loaded ranking table of a genre; -1 none (the default).
    std::int32_t (*FindRankPlace)(int genre, std::int32_t value) = nullptr;
    // The registration of the qualifying values. Default: nothing.
    void (*RegisterRanking)(cGameScene& scene) = nullptr;
    // Puts the title menu's cursor on a play mode. Default: nothing.
    void (*PlaceTitleCursor)(int playMode) = nullptr;
    // Loads a follow-up stage file (the name as found) for play. Default: the stage loader.
    bool (*LoadFollowUpStage)(const std::string& fileName) = nullptr;
};
extern StageClearHooks g_StageClearHooks;

// The world map's setting for what follows a cleared story stage without follow-up: 1 the next map
// stage (the save data advances), 2 the title, any other value the world map.
extern int g_nWorldMapAfterClear;

// Sound 14, the tally, then the ranking places (only at the last stage of a series, unless the play
// was started with a file); the caller then shows the result screen.
void StageEnd(cGameScene& scene);
// Adds the stage to the run totals and awards extra lives by points, each with sound 15 and a
// 30-frame notice served by the pause loop.
void TallyStageClear(cGameScene& scene);
// 1 when a follow-up stage file exists for part `index` (out: its newest revision), else 0 and out
// emptied. Only for a numbered stage whose clear names a follow-up.
int MakeStageFileName(cGameScene& scene, std::string& out, int index);
// 1 when the stage has no follow-up file.
int IsLastStage(cGameScene& scene, int index);
// The registration of the ranking (once per clear), from the result screen.
void RegisterStageRanking(cGameScene& scene);
// The next scene after the result screen (SCENE_TITLE, SCENE_WORLDMAP, SCENE_CHALLENGE or
// SCENE_PLAY), with the progress stored in the save data.
int NextSceneAfterClear(cGameScene& scene);
