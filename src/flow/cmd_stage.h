// The stage clear (17), the warp (20) and the target choice (21), shared by character and item
// flows.
#pragma once

#include <cstdint>
#include <string>

class cChara;
class cEdFlowCmd;

// Where play goes after the clear, as the stage-clear command leaves it.
struct cClearNext {
    // Part number of the series' next stage; 0 when the stage has no follow-up.
    std::int32_t nIndex = 0;
    // The follow-up is the stage named by strName rather than the series' next part.
    std::int32_t bUseName = 0;
    std::string strName;
    // Set when the follow-up stage has been loaded, so that the play scene keeps it.
    std::int32_t bFollowUpLoaded = 0;
};
// The record the stage-clear command writes and the clear of stage play reads.
extern cClearNext g_ClearNext;

// Installs commands 17, 20 and 21 in the flow engine's command table.
void RegisterStageCommands();

// Ends the stage as cleared and says what follows (parameter 0: 0 the next part, 1 part parameter
// 1, 2 the stage file named by the text, 3 the world is cleared); with parameter 2 the world map's
// position after the clear becomes (parameter 3, parameter 4), with parameter 5 the hero starts the
// next stage at cell (parameter 6, parameter 7) facing parameter 8 (2: as hero 1 faces now). The
// stage-end request becomes 1; the result is 1.
int CmdStageClear(cChara& chara, cEdFlowCmd& record);
// Moves the character at once by its movement settings; a place outside the stage or on a solid
// block leaves it where it was.
int CmdWarp(cChara& chara, cEdFlowCmd& record);
// The character's target: hero 1 (0), itself (1), the nearest character found (2) or the character
// with ID parameter 9 (3); none found leaves it without target.
int CmdSetTarget(cChara& chara, cEdFlowCmd& record);
