// Shots, swords and summons: the emission of copies along the six patterns, the shot's own
// movement kinds, and what a summon places.
//
// Angles are whole degrees with 0 pointing left and 90 up: a shot at angle a with speed s moves by
// (-cos a x s, -sin a x s). Direction indexes: 2 left, 3 right, 6 up, 7 down, 8 up-left,
// 9 down-left, 10 up-right, 11 down-right.
#pragma once

#include "objects/game_object.h"

#include <list>

class cEdCharaDef;
class cEdItemDef;
class cEdBlockDef;

enum ShotPattern {
    SHOT_PATTERN_LINE_A = 0,  // "直進A": side by side across the travel
    SHOT_PATTERN_LINE_B = 1,  // "直進B": stacked beside the firer
    SHOT_PATTERN_SPREAD = 2,  // "拡散": a fan from one point
    SHOT_PATTERN_THUNDER = 3, // "落雷": from the view's edge, in columns
    SHOT_PATTERN_BURST = 4,   // "爆発": a full circle from the firer's centre
    SHOT_PATTERN_RING = 5,    // "包囲": a ring around the subject
};

// One repetition of an emission, handed to the pattern.
struct cEmission {
    int nRep = 0;
    double dSpeed = 0; // pixels per frame at frame scale 1
    int nAngle = 0;    // the angle offset of this repetition
    int nOffX = 0, nOffY = 0;
    int nDir = 2; // direction index
    int x = 0, y = 0;
    int stepX = 0, stepY = 0;
    double vx = 0, vy = 0;
    int nLife = 0; // tenths of a second
};

// The direction index of a direction kind for a facing (1 right). Kinds without a rule of their
// own (anything but 2, 3 and 6-11 once resolved) start as kind 2, to the left. Kind 12 takes the
// direction of key slot `keySlot` (1-8), the facing side for slot 0.
int ShotDirIndex(int kind, int facing, int keySlot);
// The angle of a direction index (degrees).
int DirIndexAngle(int index);
// The velocity of speed s along a direction index; a diagonal moves s / sqrt(2) on each axis.
void DirVelocity(int index, double s, double& vx, double& vy);

// Fires the settings of a shot command (11) into the shot list; the number of shots made. The
// input direction (12) is that of key slot `keySlot` (0-8), the key that started the flow.
int ExecShotCommand(cChara& firer, const cEdShot& rec, std::list<cShot>& shots, int keySlot = 0);
// The sword of a sword command (12): appended to the shot list; false without a sword list.
bool ExecSword(cChara& firer, const cEdShot& rec, std::list<cShot>& shots);
// Summons (13, 14, 15): the number of objects placed.
int ExecSummonBlock(cChara& firer, const cEdShot& rec, int keySlot = 0);
int ExecSummonChara(cChara& firer, const cEdShot& rec, int keySlot = 0);
int ExecSummonItem(cChara& firer, const cEdShot& rec, int keySlot = 0);

// The angle from (x, y) at the firer's target; 180 facing right and 0 facing left without one.
// With lead aim the emission's speed may change.
int AimAngleAtTarget(int x, int y, cChara& firer, const cEdShot& rec, cEmission& em);

// The system surface of the shot sheet for facing-based index i under the current back-end.
int ChooseSheetVariant(int i, int flag);

// Where summoned objects go. Stage play installs these; without them a character or item is made
// from its definition and appended to its list, and a block summon places nothing.
struct SummonHooks {
    bool (*PlaceBlock)(const cEdBlockDef& def, int column, int row, int mode) = nullptr;
    cChara* (*SpawnCharacter)(const cEdCharaDef& def, int x, int y, cChara& summoner,
                              const cEdShot& rec) = nullptr;
    cItem* (*SpawnItem)(const cEdItemDef& def, int x, int y, cChara& summoner, const cEdShot& rec) = nullptr;
};
extern SummonHooks g_SummonHooks;
