// The pictures a stage needs and its non-object layers: the padded block tiles, the stage's special
// character sheets, sword and effect pictures (each with three mirrored or system-memory views),
// the darkness work surfaces, the scrolling background layers, the visible blocks of one layer,
// the status bar, the time display and the screen colour.
#pragma once

#include "draw/draw.h"
#include "objects/stage_pictures.h"

#include <string>
#include <cstdint>

class cGameScene;

// System surfaces of the stage drawing.
constexpr int SYSBMP_WORD = 51; // banners and the 32 x 32 digits
constexpr int SYSBMP_TILES_A = 63;
constexpr int SYSBMP_TILES_B = 64;
constexpr int SYSBMP_SCREEN_COPY = 67;

// The darkness: the dark surface with its light hole, and the round hole's own surface.
extern DDSURFACEDATA g_DarkSD, g_HoleSD;
// Set by block changes; the frame drawing rebuilds the tiles when either is set.

// Copies every 16 x 16 piece of the first 128 x 480 pixels of `src` to `tiles` with a 16-pixel
// margin of colour 0 around it: piece (32k, 16r) to (8 + 64k, 8 + 32r), piece (32k + 16, 16r) to
// (40 + 64k, 8 + 32r).
void BuildBlockTile(DDSURFACEDATA* tiles, DDSURFACEDATA* src);
void BuildBlockTiles();
// (Re)load the picture vectors from the database; a picture that cannot be loaded is logged and
// left blank.
void LoadStageBitmaps();
void LoadStageSwords();
void LoadStageEffects();
void ReleaseStagePictures();
// The dark surface for player 1's light radius, with a square or round hole; true. Throws
// std::bad_alloc when a surface cannot be made (there is no memory for it).
bool CreateWorkSurfaces();

// Moves every self-scrolling background layer by one frame, wrapped into [0, picture size).
void ScrollBackground();
// A scroll position moved by `speed` and wrapped into [0, size); unchanged for a size of 0.
double WrapScroll(double pos, double speed, int size);
// The background layers of group 0 (behind) or 1 (in front).
void DrawBackground(DDSURFACEDATA* surface, int group);
// The visible blocks of layer 0 or 1.
void DrawBlocks(cGameScene& scene, DDSURFACEDATA* surface, int layer);

// The status bar's layout: the shown entries, their widths, their left edges and the gap.
struct cStatusLayout {
    int nShown = 0;
    int nGap = 0;
    int bShown[5] = {};
    int nLabelWidth[5] = {};
    int nWidth[5] = {};
    int nX[5] = {};
};
cStatusLayout StatusBarLayout();
// The text of a number item of the status bar (0 total score, 1 score, 4 lives): the value after
// its label, or alone after an icon; unlimited lives (999,999) show as "-".
std::string StatusValueText(int item, int value, const std::string& label, bool icon);
// A gauge's filled width: value x 50 / maximum, in 0 .. 50 (0 for a maximum below 1).
int GaugeFill(std::int64_t value, std::int64_t maximum);
void DrawStatusBar(cGameScene& scene, DDSURFACEDATA* surface);
void DrawTimeLimit(cGameScene& scene, DDSURFACEDATA* surface, int beep);

// The screen colour started by the colour command.
struct cScreenColour {
    std::uint8_t r = 0, g = 0, b = 0;
    int nStrength = 0;
    int nMode = 0; // 0 toward the colour, else from the previous colour
    int nDuration = 0;
    int bThereAndBack = 0;
    int nRepeat = 0;
    int bActive = 0;
    int nFrame = 0;
    int nPasses = 0;
    int nAlpha = 255; // 255 untouched, 0 the colour alone
    std::uint8_t prevR = 0, prevG = 0, prevB = 0;
    int nPrevStrength = 0;
    int nPrevAlpha = 255;
    int bPaletteBlended = 0; // the 8-bit palette shows the colour's blend
};
extern cScreenColour g_ScreenColour;
// p0-p2 colour, p3 strength in percent, p4 mode, p5 duration in tenths, p6 there and back, p7 passes.
void SetScreenColor(cScreenColour& c, const int p[8]);
// The alpha of the colour's current frame.
int ScreenColourAlpha(const cScreenColour& c);
void DrawScreenColor(cGameScene& scene, int paused);
// In 8-bit colour the display palette is set back to the base palette.
void ShowBasePalette();

// Everything above back to its start (a new play scene).
void ResetStageDrawing();
