// Drawing of characters and blocks: the picture cell of an object, the object sheets of the play
// scene, the character effects (a time-varying draw mode of one character) and the 17 draw modes,
// the HP and SP gauges, the blink chip, mini chips, the hero's darkness and the block cell.
#pragma once

#include <cstdint>

class cChara;
class cHero;
class cStageChara;
struct cBlock;
struct cGauge;
struct DDSURFACEDATA;
struct cCharaEffect;

// Object kinds of the cell lookup.
enum ObjectCellKind { CELL_BLOCK = 0, CELL_CHARA = 1, CELL_ITEM = 2, CELL_SHOT = 3, CELL_IMAGE = 4 };

// System surfaces the object drawing reads.
constexpr int SYSBMP_BLOCK = 2;
constexpr int SYSBMP_CHARA_FIRST = 4; // eight sheets, each followed by its mirrored view
constexpr int SYSBMP_CHARA_SYSMEM = 22;
constexpr int SYSBMP_SHOT = 20;
constexpr int SYSBMP_ITEM = 40;
constexpr int SYSBMP_MARK = 43;
constexpr int SYSBMP_STATUS = 46; // status bar, icons and gauges

// A picture cell as a draw mode takes it: the sheet, the cell, the colour pair and the giant factor.
struct cCellDesc {
    DDSURFACEDATA* sheet = nullptr;
    int sx = 0, sy = 0, w = 32, h = 32;
    int bColour = 0;
    std::uint32_t dwColour = 0xFFFFFFFF; // diffuse colour
    std::uint32_t dwColourOp = 4;        // colour operation (modulate)
    int nGiant = 1;
};

// The three object sheets the play scene draws from (overlay, blocks, first character sheet),
// chosen once at the start of the scene.
struct cObjectSheets {
    int nOverlay = SYSBMP_MARK;
    int nBlock = SYSBMP_BLOCK;
    int nCharaBase = SYSBMP_CHARA_FIRST;
};
extern cObjectSheets g_ObjectSheets;
void SelectObjectSheets();
DDSURFACEDATA* OverlaySheet();

// The cell of picture `picture` (pattern `pattern`, picture row base `row`, facing `dir`) of an
// object kind. False when the picture is 0 or names nothing; a cell outside its sheet falls back
// to cell (0, 0) of the first character sheet.
bool LookupCell(int kind, int picture, int row, int pattern, int dir, cCellDesc& cell);
// Same as the item drawing asks for it.
bool LookupItemCell(int kind, int picture, int pattern, DDSURFACEDATA** sheet, int* sx, int* sy, int* w,
                    int* h);

// The block's 32 x 32 cell at (x, y), with its overlay cell on top when its overlay switch is 1.
void DrawBlockCell(const cBlock& block, DDSURFACEDATA* surface, int x, int y);
// The overlay cell n of the overlay sheet, drawn at (x, y) in w x h.
void DrawOverlayCell(DDSURFACEDATA* surface, int x, int y, int w, int h, int n);
// A 16 x 16 chip of kind 0-4 (blocks, characters, items, shots, pictures).
void DrawMiniChip(DDSURFACEDATA* surface, int x, int y, int kind, int n, int row);

// ---- Character effects ----

// The running state of a character's effect: which entry, how it runs, and the entry's values.
struct cCharaEffectState {
    int nEffect = 0; // 0 none
    int nMode = 0;   // 0 forward, 1 reverse, 2 there and back
    int bLoop = 0;
    int bReverse = 0;
    int nPass = 0;
    int nKind = 0;
    double dStart = 0, dEnd = 0, dValue = 0, dStep = 0;
    double dDuration = 0; // tenths of a second
    double dElapsed = 0;
    int bTimed = 0;
    int nPhase = 0;
    int nP1 = 0, nP2 = 0;
    // Blink (kind 6).
    int nBlinkCount = 0;
    int bVisible = 1;

    // Loads entry n of the forward list (the reverse list with mode 1); the pass counter starts at 0.
    void Start(int n, int mode, int loop);
    // Builds the values of a prepared entry (start and end already swapped in the reverse list).
    void Load(const cCharaEffect& entry);
    void SwitchList();
    // One frame; 1 when the effect has ended.
    int Step();
};

// The split effects cut a picture `size` pixels long into `divisions` strips: each strip is
// size / divisions long, one pixel more when that leaves a remainder; 0 (the picture whole) when
// there is nothing to divide by.
int SplitStripSize(int size, int divisions);
// The lens effects: the lens centred at (cx, cy) of a w x h picture reaches the picture's farthest
// corner, at most LENS_RADIUS_LIMIT.
int LensRadius(std::int64_t cx, std::int64_t cy, int w, int h);
// Bounds of the lens a stored effect can ask for: its radius (far beyond any screen or cell: a
// farther corner only means a centre far off the picture), and its centre and depth, so that the
// lens's sums and products stay within int.
constexpr int LENS_RADIUS_LIMIT = 4096;
constexpr int LENS_LIMIT = 46340;

// The state of each character lives beside it; these reach it by the character.
cCharaEffectState& CharaEffectOf(cChara& chara);
void StartCharaEffect(cChara& chara, int effect, int mode, int loop);

// ---- Characters ----

// The pattern to draw: the own sequence and the attached animations tick (unless still).
int TickAnimations(cChara& chara, int still);
// Draws one character in the draw mode of its character effect (heroes through DrawHero).
void DrawChara(DDSURFACEDATA* surface, int still, cChara& chara);
// Runs the draw mode without drawing, so that the effect advances; clears the effect at its end.
int DrawMode(cChara& chara, int still);
// True when the defeat display has ended. A still frame draws the display where it is and never
// ends it, so that a paused frame changes nothing however long the pause lasts.
bool DrawDefeated(cChara& chara, DDSURFACEDATA* surface, int still = 0);
void DrawGauge(DDSURFACEDATA* surface, const cChara& chara, cGauge& gauge, int isSP);
void DrawHPGauge(DDSURFACEDATA* surface, cChara& chara);
void DrawSPGauge(DDSURFACEDATA* surface, cChara& chara);
void DrawHero(DDSURFACEDATA* surface, int still, cHero& hero);
// The darkness around the hero, from the dark work surface.
void DrawDarkness(DDSURFACEDATA* surface, cHero& hero, DDSURFACEDATA* darkSheet);
// The darkness window's source position for a sheet of sw x sh (kept inside the sheet).
void DarknessSource(const cHero& hero, int sw, int sh, int& sx, int& sy);

// The work surface the draw modes draw a character's cell into first (at least 320 x 320).
DDSURFACEDATA* CharaWorkSurface();
void ReleaseCharaWorkSurface();
