// Effect blits: framed boxes, wave, strip shift, card flip, quarters, circle, rotate, alpha and half,
// blend with a colour, lens, blur and mosaic. Arguments go target surface, target rectangle, effect
// values, source surface, source position, transparency flag (1 skips the transparent colour).
#pragma once

#include "draw/draw.h"

#include <cstdint>

void DDFrameRect(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nThick,
                 std::uint32_t dwPalNum);
void DDBltFramed(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                 int nThick, std::uint32_t dwPalNum);
void DDBltWave(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nPeriods, double dAmplitude,
               int nPhase, int nStrip, DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags,
               int bHorizontal);
void DDBltStripShift(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nStrip, int nShift,
                     DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags, int bColumns);
void DDBltFlip(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpFrontSD,
               int fx, int fy, DDSURFACEDATA* lpBackSD, int bx, int by, int nSrcWidth, int nSrcHeight,
               std::uint32_t dwFlags, int nCounter, int nMode);
void DDBltQuarters(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                   int sx, int sy, int nDistance, std::uint32_t dwFlags);
void DDBltCircle(DDSURFACEDATA* lpDstSD, int x, int y, int nHalfWidth, int nHalfHeight, int nRadius,
                 int nStrip, DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags);
void DDBltRotate(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nPivotX, int nPivotY,
                 int nAngle, DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags);
void DDBltAlpha(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
                int sy, std::uint32_t dwFlags, const std::uint8_t* lpBlendTable, int nAlpha);
void DDBltHalf(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
               int sy, std::uint32_t dwFlags, const std::uint8_t* lpBlendTable);
bool DDBltBlend(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
                int sy, std::uint32_t dwFlags, const gfx::PALETTEENTRY* lpPalette,
                const std::uint8_t* lpBlendTable, int nColor, int nCount);
void DDBltLens(DDSURFACEDATA* lpDstSD, int x, int y, int nRadius, int nDepth, DDSURFACEDATA* lpSrcSD, int sx,
               int sy, std::uint32_t dwFlags, int nMode);
void DDBlur(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nRadiusX, int nRadiusY,
            DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags);
void DDMosaic(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nBlock,
              DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags);

// ---- Shared by the effect files ----

// Texture stage 0 of one immediately drawn quad.
struct DDFXSTAGE {
    std::uint32_t dwColorOp, dwColorArg1, dwColorArg2;
    std::uint32_t dwAlphaOp, dwAlphaArg1, dwAlphaArg2;
};
// Draws one quad at once onto lpDstSD (already substituted and redirected) from lpSrcSD's texture
// (no texture when bTexture is false), through lpSrcSD's own vertex buffer; the resting render target
// is restored afterwards and stage 0's alpha returns to the texture's own. False when nothing was drawn.
bool DDFxDrawQuad(DDSURFACEDATA* lpDstSD, DDSURFACEDATA* lpSrcSD, const gfx::TLVERTEX* lpVertices4,
                  const DDFXSTAGE& stage, bool bTexture);
// The four vertices of an axis-aligned quad (top-left, bottom-left, top-right, bottom-right) over the
// target rectangle, with texture coordinates of the source rectangle of lpSrcSD.
void DDFxQuadVertices(gfx::TLVERTEX* v, int x, int y, int w, int h, const DDSURFACEDATA* lpSrcSD, int sx,
                      int sy, int sw, int sh, std::uint32_t dwDiffuse);

// Locked pixels of one surface: the visible size, the pixel pitch and the depth in bytes.
struct DDFxPixels {
    std::uint8_t* bits = nullptr;
    int pitch = 0; // in bytes
    int width = 0, height = 0;
    int bytes = 0; // per pixel
    bool Inside(int px, int py) const { return px >= 0 && py >= 0 && px < width && py < height; }
    std::uint8_t* At(int px, int py) const {
        return bits + static_cast<std::ptrdiff_t>(py) * pitch + static_cast<std::ptrdiff_t>(px) * bytes;
    }
};
// Locks the target and the source (one lock when they are the same surface). The caller then works on
// Dst() and Src(); both are released when the object goes.
class DDFxLockPair {
  public:
    DDFxLockPair(DDSURFACEDATA* lpDstSD, DDSURFACEDATA* lpSrcSD);
    bool Ok() const { return m_bOk; }
    // Direct3D at 16 bits full screen: the back buffer holds the display's layout, the textures
    // another one, so pixels taken from a texture are packed again when written there.
    bool Repack() const { return m_bRepack; }
    const DDFxPixels& Dst() const { return m_dst; }
    const DDFxPixels& Src() const { return m_src; }

  private:
    cSurfaceLock m_dstLock, m_srcLock;
    DDFxPixels m_dst, m_src;
    bool m_bOk = false;
    bool m_bRepack = false;
};
// A 16-bit pixel in the drawing channel layout, packed in the display's layout.
std::uint32_t DDFxToScreen16(std::uint32_t p);
