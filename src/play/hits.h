// Hits between live objects, once per sub-step: shots against characters of other factions,
// characters against characters of other factions, shots against shots, heroes against items, and
// every character against the block characters (solid, rideable characters).
//
// Results: 0 nothing to report, 1 the stage is cleared, 2 a player-side object died.
//
// No list is erased while it is walked: a shot, item or character that leaves play is unlinked at
// once and marked (m_bRemoved, m_bTaken), and erased from its list by a sweep after the walk.
// Already-hit lists and riders hold ids, so an erased object can never be mistaken for a new one.
#pragma once

#include "objects/game_object.h"
#include "play/block_charas.h"
#include "play/chara_index.h"
#include "play/hit_rect.h"

#include <cstdint>
#include <list>

class cChara;
class cGameObject;
class cGameScene;
class cHero;
class cItem;
class cShot;
class cStageChara;

constexpr int HIT_NONE = 0;
constexpr int HIT_STAGE_CLEAR = 1;
constexpr int HIT_PLAYER_DIED = 2;

// The play scene's result state, entered when hits or defeats clear the stage.
constexpr int GAMESTATE_RESULT = 4;

cHitRect ContactRect(const cChara& c);
cHitRect ShotTargetRect(const cChara& c);
cHitRect ItemTouchRect(const cHero& hero);
cHitRect ShotHitRect(const cShot& shot);

// Whether an object takes part in hits: present and not taken out of play.
bool CountsForHits(const cGameObject& obj);
// Whether a character can be struck by shots: it counts for hits and, while the stage lets only
// active characters take part, it is active (awake in its activity area) this frame.
bool TakesShots(const cChara& c);
inline bool IsBlockChara(const cChara& c) {
    return c.m_Def.m_nBlockChara != 0;
}

// The passes between faction lists, in this order: shots against characters (only in the sub-steps
// the schedule marks), body contact between characters, shots against shots; then the sweep.
int ResolveShotAndCharaHits(cGameScene& scene, bool shotStep = true);

// Block characters against a character in its step.
int ResolveBlockCharaContact(cChara& c, cStageCharaList& list);
void CarryRider(cChara& c, cStageCharaList& list);
bool IsStandingOnRidden(const cChara& c, cStageCharaList& list);
bool IsSqueezedByBlockCharas(const cChara& c, const cHitRect& rect, cStageCharaList& list);
void PushOutOfBlockChara(cChara& c, cStageCharaList& list, int axis);
bool OverlapsChara(const cGameObject& obj, const cStageCharaList& list);
bool OverlapsCharaExcept(const cGameObject& obj, const cStageCharaList& list, int otherId);

// Items.
int TouchItems(cHero& hero);
int TakeItem(cItem* item, cHero& hero);

// Deaths.
int DefeatObject(cChara& c);
int ResolveDeath(cChara& c);
int CheckDefeats();
// Takes a stage character out of play: every link to it is cut and it is marked for the sweep.
void RemoveFromPlay(cStageChara& c);
// Erases the marked characters, taken items and ended shots from their lists.
void SweepRemoved(cGameScene* scene);
// The removal walk of the scene's present sub-step erased every character out of play, and kept
// one defeated or not: while the list stays so, the sweep after the sub-step's hits walks the
// characters only when the hits may have changed them.
void NoteCharasRemovedOutside(const cGameScene& scene, bool keptDefeated);
