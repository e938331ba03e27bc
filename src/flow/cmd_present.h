// Presentation commands, shared by character and item flows: messages (19), graphics (25),
// animation sets (26), animations (27), effects (28), character effects (29), screen effects (30),
// pictures (31), the screen colour (32), background layers (33), sounds (34), music (35) and code
// texts (36). Messages, effects and pictures that wait hold the game on the pause loop.
//
// Parameter layouts of the commands whose settings are records of stage play:
//   19 message: 0 position mode (0-8), 1 column, 2 row, 3 offset x, 4 offset y, 5 time in tenths,
//      6 display mode (0 until the advance key, 1 until the stage ends, 2 for the time), 7 window,
//      8 stops the game while shown, 9 kept on screen, 10 fixed position, 11 counts while paused,
//      12 refresh period in frames (0 none), 13 message ID (0 none), 15 the flow does not wait;
//      the text is the record's text.
//   28 effect: 0 effect number, 1 position mode, 2 column, 3 row, 4 offset x, 5 offset y, 6 scale
//      in percent, 7 waits for the advance key.
//   31 picture: 0 picture number, 1 position mode, 2 column, 3 row, 4 offset x, 5 offset y, 6 fixed
//      to the screen, 7 scale in percent, 8 display mode (as messages), 9 time in tenths, 10 counts
//      while paused, 11 layer (0 behind the blocks, 1 in front).
// Position modes: 0 the screen's centre, 1-3 above, below or on the character, 4-6 the same for
// hero 1, 7 a screen cell, 8 a stage cell (column and row in blocks, then the offsets).
#pragma once

class cChara;
class cEdFlowCmd;

// Installs commands 19 and 25-36 in the flow engine's command table.
void RegisterPresentCommands();

int CmdMessage(cChara& chara, cEdFlowCmd& record);
int CmdChangeGraphic(cChara& chara, cEdFlowCmd& record);
int CmdChangeAnimeSet(cChara& chara, cEdFlowCmd& record);
int CmdRunAnime(cChara& chara, cEdFlowCmd& record);
int CmdRunEffect(cChara& chara, cEdFlowCmd& record);
int CmdRunCharaEffect(cChara& chara, cEdFlowCmd& record);
int CmdRunScreenEffect(cChara& chara, cEdFlowCmd& record);
int CmdShowPicture(cChara& chara, cEdFlowCmd& record);
int CmdChangeScreenColor(cChara& chara, cEdFlowCmd& record);
int CmdChangeBackground(cChara& chara, cEdFlowCmd& record);
int CmdPlaySound(cChara& chara, cEdFlowCmd& record);
int CmdPlayBgm(cChara& chara, cEdFlowCmd& record);
int CmdRunCode(cChara& chara, cEdFlowCmd& record);
