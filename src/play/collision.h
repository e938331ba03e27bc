// The block collision walk: after a character has moved along one axis, its edges are tested
// against the block grid. It is pushed out of the block it entered, its touch flags and last wall
// side are recorded, it lands on floors and stops at ceilings, and the block trigger kinds 9-15
// are raised. Heroes are also kept inside an auto-scrolling view.
//
// Solidity of a cell for an object: 0 passable, 1 solid, 2 solid for the computer side and deadly
// for the player side; a higher value counts as more solid. Cells outside the grid are passable.
//
// Every test returns 0 (go on) or 2 (the object was killed by a block). Objects in no-gravity mode
// with block mode 0 pass through blocks and are never tested; with block mode 2 any solid contact
// kills them.
#pragma once

#include <list>

class cChara;
class cGameObject;
class cHero;
class cStageChara;
struct cBlock;

constexpr int WALK_GO_ON = 0;
constexpr int WALK_KILLED = 2;

// A probed cell: its block (null outside the grid) and its solidity for the object.
struct cBlockProbe {
    const cBlock* block = nullptr;
    int solid = 0;
};

// The cell of stage pixel (x, y) for an object of block-pass kind `kind`.
cBlockProbe ProbeBlockAt(int x, int y, int kind);
// The most solid cell along a vertical (x1 = x2) or horizontal (y1 = y2) edge line: scale + 1
// points spaced by the unscaled height or width less one. Vertical ties go to the first point,
// horizontal ties to the point strictly nearer the middle. Any other line gives grid cell 0.
cBlockProbe PickBlockOnLine(const cChara& c, int x1, int y1, int x2, int y2);
// The floor under a player-side object: an odd number of points (3 for scale 1-2, 5 for 3-4) along
// its bottom row, the last exactly on its right edge; ties go to the point nearer the middle.
cBlockProbe PickFloorBlockWide(const cChara& c);
// The most solid of the four corner cells of a cell rectangle (first on a tie).
cBlockProbe PickBlockAtCorners(int left, int top, int right, int bottom, int kind);

int HitWallLeft(cChara& c);
int HitWallRight(cChara& c);
// countAir 0: the rule used by CheckFloorAndCeiling (no action on open floor).
int HitFloor(cChara& c, int countAir = 1);
int HitCeiling(cChara& c);

// After a horizontal move: the wall in the direction of travel first.
int WalkBlocksX(cChara& c);
// After a vertical move: the floor first when moving down, else the ceiling first.
int WalkBlocksY(cChara& c);
// Both walls, then floor and ceiling, whatever the speeds (riding and pushes).
int CheckWallsX(cChara& c);
int CheckFloorAndCeiling(cChara& c);

// Heroes inside the view while it scrolls by itself or while they fly.
void KeepInViewX(cHero& hero);
// 2 when a hero under gravity was carried off the bottom of the view.
int KeepInViewY(cHero& hero);

// Whether an object placed here meets a block solid for it or a live block character.
bool IsBlockedAt(const cGameObject& obj);

// Sides of an object.
bool IsPlayerSide(const cGameObject& obj);
bool PassesBlocks(const cGameObject& obj);
int ObjectScale(const cGameObject& obj);
