// Palette effects and colour conversion: the screen fades, the palette blend and rotation, the
// whole-screen fade of non-palettised displays, the colour tint of a rectangle, palette entries as
// 16-bit pixels, the 65,536-byte blend table and the range random number.
#pragma once

#include "draw/draw.h"

#include <cstdint>

constexpr int BLEND_TABLE_SIZE = 65536;
// The program's blend table: 256 rows of 256 palette indexes, entry [row * 256 + column].
extern std::uint8_t g_BlendTable[BLEND_TABLE_SIZE];

// One step of a fade per call; TRUE when the fade has finished (the phase is then reset).
bool DDFadeOut(gfx::PALETTEENTRY* lpPalette, int nFirst, int nLast, std::uint8_t bRed, std::uint8_t bGreen,
               std::uint8_t bBlue, double dStep, const gfx::PALETTEENTRY* lpBasePalette, int bSkip);
bool DDFadeIn(gfx::PALETTEENTRY* lpPalette, int nFirst, int nLast, std::uint8_t bRed, std::uint8_t bGreen,
              std::uint8_t bBlue, double dStep, const gfx::PALETTEENTRY* lpBasePalette, int bSkip);
// Puts every fade back at its start (fade-out phases 90, fade-in phases 0).
void DDResetFadePhases();

void BlendPaletteToColor(gfx::PALETTEENTRY* lpPalette, int nFirst, int nLast, int nWeight, std::uint8_t bRed,
                         std::uint8_t bGreen, std::uint8_t bBlue, const gfx::PALETTEENTRY* lpBasePalette);
void RotatePalette(gfx::PALETTEENTRY* lpPalette, int nFirst, int nLast, int nCount, int nDirection,
                   const gfx::PALETTEENTRY* lpBasePalette);

void DDFade_UnPal(DDSURFACEDATA* lpDstSD, int nWeight, std::uint8_t bRed, std::uint8_t bGreen,
                  std::uint8_t bBlue, DDSURFACEDATA* lpSrcSD);

bool DDChangeColor(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nAlpha,
                   std::uint8_t bRed, std::uint8_t bGreen, std::uint8_t bBlue);
bool DDChangeColor(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                   int nAlpha, std::uint8_t bRed, std::uint8_t bGreen, std::uint8_t bBlue);

// Reads the 65,536 bytes of a blend table. A file that cannot be opened or is too short gives false
// (a short file leaves the table zeroed).
bool DDLoadBlendTable(std::uint8_t* lpTable, const char* lpFileName);

// A number from the run-time generator between the two bounds, both included.
int RandRange(int nA, int nB);
