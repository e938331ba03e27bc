// The effects fixture: the demo project with a character effect of every kind and a screen effect
// of every kind in its database, and a stage ("data\stg4\effects.stg4_000") whose hero runs them in
// turn, each for 0.3 s followed by 0.2 s without an effect, while standing still: first the character
// effects 1-16, then the screen effects 1-13, then an effect object (a spark of three cells, from its
// own picture) at the screen's centre, then the first character and screen effects once more as loops
// that change direction at each pass, ended after 0.5 s; 0.5 s later the hero shoots twice at two
// characters three and six blocks to its right: the nearer one is invincible by its setting for a
// second from then on and drawn tinted lighter meanwhile (Direct3D only: the project's system data
// lets invincible characters blink with a tint), the farther one is hit and stays untouchable for a
// second, drawn as it was. A second stage ("data\stg4\effects_quick.stg4_000") runs the same
// character and screen effects in turn without a pause, each for 0.1 s, and then none. A third stage
// ("data\stg4\effects_colour.stg4_000") turns the screen blue at half strength and holds it, and runs
// the horizontal shake under the held colour.
#pragma once

#include "records/ed_stage.h"

#include <string>

namespace effects_fixture {

// The stage file's base name under data\stg4\.
inline constexpr const char* kStageBase = "effects";
inline constexpr const char* kQuickStageBase = "effects_quick";
// The quick stage: frames of each effect's turn, and of the still start before the first.
inline constexpr int kQuickTurnFrames = 6;
inline constexpr int kQuickStillFrames = 30;
// Frames of one turn (an effect and the still time after it) and of the effect within it.
inline constexpr int kTurnFrames = 30;
inline constexpr int kEffectFrames = 18;
// The colour stage: its base name, and the frames of its first flow step at which the colour is set
// and the shake (for kEffectFrames) starts.
inline constexpr const char* kColourStageBase = "effects_colour";
inline constexpr int kColourFromFrames = kTurnFrames;
inline constexpr int kColourShakeFromFrames = 2 * kTurnFrames;
// The shot characters' columns and the frames each stays untouchable after a hit.
inline constexpr int kTargetColumn = 5;
inline constexpr int kFarTargetColumn = 8;
inline constexpr int kUntouchableFrames = 60;
// The frame of the stage's first flow step at which the hero shoots and the nearer character becomes
// invincible: after the still start, 30 effect turns and the two half-second loop turns.
inline constexpr int kInvincibleFromFrames = kTurnFrames * 33;

// The stage, for a database whose lists of character and screen effects hold the fixture's entries
// from `firstChara` and `firstScreen` on, and whose effect `spark` is the spark.
cEdStage EffectsStage(int firstChara, int firstScreen, int spark);
// The quick stage, for the same database.
cEdStage QuickEffectsStage(int firstChara, int firstScreen);

// The colour stage, for the same database.
cEdStage ColourShakeStage(int firstScreen);

// Writes the demo project and the fixture's database and stage into the folder.
bool Write(const std::string& folder);

} // namespace effects_fixture
