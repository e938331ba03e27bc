// The whole play frame: backgrounds, blocks, the eight object layers (hero 1, items, characters,
// shots), the foreground, darkness, shown pictures, effect objects, message windows, the screen
// effect, the status bar, the time display, the caption, the cycling colours and the screen colour,
// in that order, into the back buffer.
//
// Drawing also moves play on where the frame is the place for it: animations tick, ended effect
// objects, messages and pictures go, characters whose defeat display has ended leave play, and the
// end of hero 1's defeat display retries the stage or ends the game. A frozen frame (pause menu,
// waits) does none of these: it shows the frame as it stands.
#pragma once

class cGameScene;
class cStageChara;

// Parts of the program the frame drawing calls that live above stage play.
struct FrameDrawHooks {
    // The cycling colours, once per frame. Default: none.
    void (*UpdateBlinkColours)() = nullptr;
    // What follows the end of hero 1's defeat display. Default: HeroDefeatEnded.
    void (*HeroDefeatEnded)(cGameScene& scene) = nullptr;
};
extern FrameDrawHooks g_FrameDrawHooks;

// live 0 allows the pause-screen variant; frozen 1 keeps everything where it is; warning 1 lets the
// time display play its warning sound; caption 1 draws the caption of a start file or test play.
void DrawFrame(cGameScene& scene, int live, int frozen, int warning, int caption);
// The background layers only (the blink screen effect's hidden frames).
void DrawBackgroundOnly();

// Draws one stage character with its gauges and blink chip; true when its defeat display has
// ended (the caller then takes it out of play).
bool DrawCharaAndGauges(cStageChara& chara, int frozen);

// Draws hero 1 with its gauges, or its defeat display; at the end of that display (never in a frozen
// frame) the hook above decides what follows.
void DrawHeroAndCheckDeath(cGameScene& scene, int frozen);

// After hero 1's defeat: a replay starts again; otherwise a life is used and the stage is set up
// again, or the continue menu (state 5) or the game over (state 6) follows.
void HeroDefeatEnded(cGameScene& scene);
// Consumes one life: true with a start file, with unlimited lives or while lives are left.
bool UseLife();

// The caption of the bottom line: the project's text 26 with a start file, text 25 in a test play
// started by the editor, else none (null).
const char* FrameCaption();

// Installs the stage drawing into the play step: the frame drawing and the program's cycling-colour
// update `updateBlinkColours`.
void InstallStageDrawing(void (*updateBlinkColours)());
