// The movement commands (2-10) and the shot, sword and summon commands (11-15) of character flows.
#pragma once

class cChara;
struct cFlowCommand;

// Installs the preparations and handlers of commands 2-10, and of commands 11-15, in the flow
// engine's command table. Run once the table is set up (again after ResetFlowCommandTable).
void RegisterMotionCommands();
void RegisterShotCommands();

// The direction code (2, 3, 6-11) of a movement direction for the character; 12 takes the
// direction key pressed when the flow started (firstKey, a direction history slot). Diagonals fold
// to left or right for a character with gravity.
int MoveDirCode(int direction, const cChara& chara, int firstKey);
