// The play step: once per frame of a running stage, on the game thread, the input is read (or
// replayed), the time is counted, and in each of the frame's sub-steps the flows start and run, the
// hero, the characters, the items and the shots move and collide, hits and item touches are
// resolved, deaths decide the end of the stage; then the frame is drawn.
//
// Nothing here reads a clock; the period counter that the time limit shares with the time display
// advances only here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>

class cGameScene;
class cChara;
class cStageChara;
class cItem;
struct cBlock;

// The play scene's states that the play step enters.
constexpr int GAMESTATE_START = 1;
constexpr int GAMESTATE_PLAY = 2;
constexpr int GAMESTATE_PAUSE = 3;

// The stage-end word of the trace: 0 playing, 1 cleared, 2 hero 1 defeated.
constexpr int PLAY_END_NONE = 0;
constexpr int PLAY_END_CLEARED = 1;
constexpr int PLAY_END_DEFEATED = 2;

// The parts of the play scene that the play step calls and that are built elsewhere (the frame
// drawing, the pause key). Each default does the least harm: no drawing.
struct PlayStepHooks {
    void (*DrawFrame)(cGameScene& scene, int live, int frozen, int warning, int caption) = nullptr;
    // Default: Space held (the real key check).
    bool (*CheckSpaceKey)(cGameScene& scene) = nullptr;
};
extern PlayStepHooks g_PlayStepHooks;

// One frame of play (the play state's handler).
void PlayStep(cGameScene& scene);
// The stage-end word after the last step.
int PlayEndWord(const cGameScene& scene);

// Space: sound 4, the state is saved for the pause menu; true when it was down.
bool CheckSpaceKey(cGameScene& scene);
// A full 60 frames of the period counter add `step` seconds to the time limit (kept within 0-999);
// true when the time ran out. Nothing while the time is stopped.
bool TickTimeLimit(cGameScene& scene, int step);
// The elapsed frames and hundredths of a second, up to 599,999 hundredths.
void TickElapsedTime(cGameScene& scene);
// Which objects take part in this sub-step: hero 1 always; characters whose appearance conditions
// hold, with their on-screen and area flags and whether they are awake; items likewise; every shot.
void UpdateObjectActivity(cGameScene& scene);
// Whether the character was found awake by the last UpdateObjectActivity.
bool IsCharaRunning(const cStageChara& chara);
// The walk of a sub-step's character steps: calls f on each character of g_Charas that is a block
// character (or is not, as `blocks` says) and steps now (in play, undefeated, present and found
// awake by the last UpdateObjectActivity), in the list's order, those joining it meanwhile
// included, until f returns true; whether it did. f may add and erase characters.
bool AnySteppingChara(bool blocks, const std::function<bool(cStageChara&)>& f);

// Erases the taken and removed items from g_Items in the list's order, as remove_if would; after
// the removal walk of the scene's present sub-step, the walks' list of them is kept in step.
void EraseItemsOutOfPlay(const cGameScene* scene);

// Appearance conditions, tested for player 1 (blocks, items) or the character itself: an empty list
// holds; a list that held once holds for good when its once switch is on.
bool TestConditionsOnce(cBlock& block);
bool TestCharaConditionsOnce(cStageChara& chara);
bool TestItemConditionsOnce(cItem& item);

// The effect of the block a character stands on (bounce, block flag, friction, conveyors). 0.
int ApplyStandingBlockEffect(cChara& chara);

// Installs the play step's hooks into the objects, hits and the flow engine (idempotent).
void InstallPlayHooks();
