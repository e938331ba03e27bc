// Commands on the flow machinery and the game's pace: the flow operation (16), the game wait (18)
// and the loop marker (38, expanded before flows run), with the item taking (24) and arrangements
// (37) of cmd_items.h.
#pragma once

class cChara;
class cEdFlowCmd;
struct cFlowCommand;

// Installs commands 16, 18 and 38 in the flow engine's command table.
void RegisterControlCommands();

// The flow operation on the acting character's flows: parameter 0 the operation (0 start, 1 end,
// 2 pause, 3 resume, 4 delete, 5 stop for ever), parameter 1 the flows (0 the current flow, 1 all
// others, 2 those whose definition has the non-zero ID of parameter 2). Other values do nothing.
void CmdFlowControl(cChara& chara, cFlowCommand& inst);
// The whole game stands still for parameter 0 tenths of a second, served by the pause loop.
int CmdGameWait(cChara& chara, cEdFlowCmd& record);
