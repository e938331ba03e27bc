// Item taking (24) and arrangements (37), shared by character and item flows.
#pragma once

class cChara;
class cEdFlowCmd;

// Installs commands 24 and 37 in the flow engine's command table.
void RegisterItemCommands();

// The first hero takes item parameter 1 of the common palette (parameter 0 = 0) or of the stage
// palette (1) at once; the result of its commands (1 the stage is cleared, 2 the hero fell below 1
// HP) becomes the play scene's stage-end request. Another palette value does nothing but log.
// A palette item's loops are expanded at its first take (in the stage palette's record, or in the
// stage's copy of a common palette item), within what the stage has left of its bound on what it
// holds.
int CmdGetItem(cChara& chara, cEdFlowCmd& record);
// The stage set-up takes the palettes as loaded: what their expansions held is given back.
void ReleasePaletteExpansions();
// Queues the command's parameter list as one arrangement link: for the current flow's next
// command, or in an item's list for the first hero's next item command.
int CmdArrange(cChara& chara, cEdFlowCmd& record);

// Every set-up of a stage (a retry and a replay's start included) calls this: the common palette's
// items are taken again with their commands as loaded, whatever arrangements changed before.
void ResetCommonItemCommands();
