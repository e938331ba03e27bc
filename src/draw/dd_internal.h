// Helpers shared by the drawing library's own files.
#pragma once

#include "draw/draw.h"

// Cursor display counter (the platform's ShowCursor): hidden while negative.
int DDShowCursor(bool bShow);
void DDHideCursorFully();
void DDShowCursorFully();

// Direct3D objects of a surface (after substitution).
inline bool DDIsRenderTarget(const DDSURFACEDATA* lpSD) {
    return lpSD && lpSD->lpDT && lpSD->lpDT->bRenderTarget && lpSD->lpDT->lpSurface;
}
// A DirectDraw surface record that holds a surface (a failed creation leaves the side record
// without one, and its size as asked).
inline bool DDHasSurface(const DDSURFACEDATA* lpSD) {
    return lpSD && lpSD->lpDDSide && lpSD->lpDDSide->lpSurface;
}
// A 16-bit source texel of the pixel paths is drawn when bit 15 or bit 13 is set, skipped as
// transparent otherwise.
constexpr std::uint32_t TEXEL16_OPAQUE_BITS = 0x8000 | 0x2000;
// The two-byte value of a 16-bit pixel from 8-bit channels, scaled with a channel table.
std::uint32_t DDPackScaled16(const PIXCHANNELS& c, std::uint32_t argb);
// An ARGB colour from a 16-bit pixel value, through a channel table.
std::uint32_t DDUnpack16(const PIXCHANNELS& c, std::uint32_t pixel);
// The transparent colour as opaque ARGB, at either depth.
std::uint32_t DDScreenKeyColour();
// Writes the four vertices of a quad (top-left, bottom-left, top-right, bottom-right).
void DDBuildQuad(gfx::TLVERTEX* v, const DDBATCHCMD& c);
// Clears a rectangle of the current render target.
void DDClearRect(int x, int y, int w, int h, std::uint32_t argb);
// Font recovery hooks.
void DDFontsLost();
void DDFontsRestore();
// The palette of the display (DirectDraw).
gfx::LPDIRECTDRAWPALETTE DDGetDisplayPalette();
