// Stage files and the two global stages.
//
// g_Stage is the running stage: stage files are read into it and play reads and changes it.
// g_StageOriginal keeps the set-up parts of the stage as loaded (fields, result-item switches,
// out-of-area limits, backgrounds, texts and the three palettes, whose item commands arrangements
// change in the running stage; its placed block, character and item lists stay empty); stage
// set-up copies them back at every start or restart.
#pragma once

#include <cstdint>
#include <string>

#include "records/ed_stage.h"

extern cEdStage g_Stage;
extern cEdStage g_StageOriginal;

// The timing values of the running stage that all of play reads (derived by SetHitLevel).
extern std::int32_t& g_nFrameMul;    // steps per frame
extern std::int32_t& g_nFramePeriod; // 6 x g_nFrameMul
extern double& g_dFrameScale;        // g_nFrameMul as a double
extern double& g_dGravity;           // gravity per step
extern double& g_dMaxSpeed;          // speed limit per step

// The end-marker check of a stage file: 1 to go on (also when the file cannot be opened: the load
// that follows reports that), 0 when a file of version 174 or later does not end with the marker;
// the refusal is shown in an error box ("ステージファイル %s が破損しています！").
int CheckStageFile(const std::string& path);

// Loads a stage file into g_Stage for play. newest 1 completes the name with its highest revision
// ("<base>_999" down to "<base>_000", extension "stg4"); 0 takes the path as given. The file is
// read on thStageLoad while this thread keeps dispatching its own messages. target (every caller
// passes &g_StageOriginal) receives the set-up parts of the loaded stage; it may be null.
// 1 on success; 0 when no revision exists, the file is damaged or cannot be read (an error box
// says which), a WM_QUIT arrived meanwhile (it is posted again for the caller's loop), or no hero
// is placed ("主人公が配置されていないのでプレイできません！").
int LoadStageForPlay(const std::string& path, int newest, cEdStage* target);

// The procedure run on thStageLoad: reads g_Stage from its path and sets its loaded flag.
unsigned StageLoadProc(void* arg);

// Copies the set-up parts of `stage` into `target`, its palettes included, and empties target's
// three placed lists.
void KeepStageSetup(cEdStage& target, cEdStage& stage);
