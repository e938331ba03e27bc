// The movement commands (2-10) and the shot, sword and summon commands (11-15) of character flows.
#pragma once

class cChara;
class cGameObject;
class cEdMove;
struct cFlowCommand;

// Installs the preparations and handlers of commands 2-10, and of commands 11-15, in the flow
// engine's command table. Run once the table is set up (again after ResetFlowCommandTable).
void RegisterMotionCommands();
void RegisterShotCommands();

// The direction code (2, 3, 6-11) of a movement direction for the character; 12 takes the
// direction of key slot `keySlot` (a direction history slot). Unless keepDiagonals is set,
// diagonals fold to left or right.
int MoveDirCode(int direction, const cChara& chara, int keySlot, int keepDiagonals);
// The same for a move: diagonals fold for a character with gravity, and 12 takes the direction
// key pressed when the flow started.
int MoveDirCode(int direction, const cChara& chara, int firstKey);

// An object's picture-cell centre in stage pixels, as the movement commands measure it.
double CentreX(const cGameObject& c);
double CentreY(const cGameObject& c);

// The offset from the character's centre to the target point of a movement record: the record's point
// in blocks and dots (negated on an axis the record mirrors, when `reversed`) measured from the
// character's placement cell (coordinate base 0), from its centre (1), from the stage's origin (2)
// or from the view (3), each of the others naming a block's centre; an axis the record does not use
// is 0.
void TargetPointOffset(const cChara& c, const cEdMove& mv, bool reversed, double& dx, double& dy);
