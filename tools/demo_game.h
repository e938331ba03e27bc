// The demo game's stages: three story stages over the world map, two challenge stages and the
// hero they share, built from the records the editor stores (placed blocks, characters, items, their
// flows and item commands). Among them the flows use every command kind and every trigger kind.
#pragma once

#include "records/ed_stage.h"

#include <string>
#include <vector>

namespace demo_game {

// The story stages as the world map's nodes name them (the newest revision is played), and the
// challenge stages as the challenge menu names them ("c01-1", "c02-1").
inline constexpr const char* kStory2File = "data\\stg4\\cave.stg4";
inline constexpr const char* kStory3File = "data\\stg4\\castle.stg4";
inline constexpr int kChallengeStages = 2;
// The common variable the cave's goal sets to 1: the story has reached its second world.
inline constexpr int kSecondWorldVariable = 2;
// The project's animation in which the hero looks round: the attack cell held for 0.3 s, then the
// same cell from which the animation may be switched away.
inline constexpr int kLookRoundAnime = 1;
inline constexpr int kLookRoundPattern = 6;

// Picture files of the stages' own: the parallax layers, the picture the cave shows and the sword's.
inline constexpr const char* kSkyPicture = "bmp\\back\\Sky.bmp";
inline constexpr const char* kHillsPicture = "bmp\\back\\Hills.bmp";
inline constexpr const char* kCavePicture = "bmp\\back\\Cave.bmp";
inline constexpr const char* kSignPicture = "bmp\\picture\\Sign.bmp";
// The hero's sword: sword type 1, whose picture holds one 32 x 32 cell per swing frame.
inline constexpr int kHeroSword = 1;
inline constexpr int kSwordCells = 3;
inline constexpr const char* kSwordPicture = "bmp\\sword\\Sword.bmp";
// Entry 1 of the project's effect lists, which the stages' effect commands run: the spark (an
// effect of three 32 x 32 cells), the blink of a character and the shake of the screen.
inline constexpr int kSparkEffect = 1;
inline constexpr int kBlinkEffect = 1;
inline constexpr int kShakeEffect = 1;
inline constexpr int kSparkCells = 3;
inline constexpr const char* kSparkPicture = "bmp\\effect\\Star.bmp";

// One stage file: its base name under data\stg4\ (without extension) and the stage.
struct StageFile {
    std::string base;
    cEdStage stage;
};

// Player 1's hero at (x, y): walks with left and right, facing the way it walks, jumps with button 1,
// shoots with button 2 and swings a sword with button 3 the way it faces; blinks when damaged.
cEdCharaDef Hero(int x, int y);

// The meadow (story stage 1, "demo"): a floor, brick platforms, coins, a heart that can be taken
// again and a sign that is never taken, a slime walking a platform, a moving platform, two parallax
// layers, a time limit, a greeting with "#" fields, and the goal that clears the stage. Walking right
// along the floor reaches the goal untouched.
cEdStage Meadow();
// The cave (story stage 2): darkness around the hero, who looks round now and then, the screen
// colour, a shown picture, bats that home in and circle, a turret whose shots home in on the hero, a game
// wait and the goal.
cEdStage Cave();
// The castle (story stage 3): the boss, whose defeat clears the stage, with its shots, charges,
// summons, screen effects and the stage music.
cEdStage Castle();
// Challenge 1: coins against a short time limit; challenge 2: an automatic scroll with enemies
// that avoid leaving the screen.
cEdStage Challenge1();
cEdStage Challenge2();
// The gallery (data\stg4\gallery.stg4, written with the other stages but outside the story and the
// challenges: it is played from its file): while button 4 is held the hero puts the sign picture up
// until the end of the stage, one a step, counting them in its variable v1; at 100 it stops, and
// the stage is cleared. The time limit is three seconds.
cEdStage Gallery();

// Every stage file of the game, story first.
std::vector<StageFile> StageFiles();

// Writes the stage files and the stages' own pictures into the project folder.
bool WriteStages(const std::string& folder);

} // namespace demo_game
