// Palette effects and colour conversion.
#include "draw/dd_palette_fx.h"

#include "draw/blink_colours.h"

#include "app/log.h"
#include "draw/dd_effects.h"
#include "draw/dd_internal.h"
#include "platform/crt_rand.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

BlinkColour g_BlinkColours[BLINK_COLOUR_COUNT];

using namespace gfx;

std::uint8_t g_BlendTable[BLEND_TABLE_SIZE];

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kNoChangeColorDD =
    "DDrawでは DDChangeColor(DDSURFACEDATA *lpDstSD,int x,int y,int nWidth,int "
    "nHeight,int nAlpha,BYTE bRed,BYTE bGreen,BYTE bBlue) は未対応";

// Fade phases in degrees, one per direction and back-end.
double g_dFadeOutPhaseD3D = 90.0;
double g_dFadeOutPhaseDD = 90.0;
double g_dFadeInPhaseD3D = 0.0;
double g_dFadeInPhaseDD = 0.0;

// Direct3D: darkens the whole screen by a black quad of alpha 255 - k.
void DrawFadeOverlay(int k) {
    DDSURFACEDATA* target = DDRedirect(&g_BackBuffer);
    if (!target->lpDT || !target->lpDT->lpVB) return;
    TLVERTEX v[4];
    const std::uint32_t diffuse = static_cast<std::uint32_t>(255 - k) << 24;
    const float x1 = static_cast<float>(target->nWidth) - 0.5f,
                y1 = static_cast<float>(target->nHeight) - 0.5f;
    v[0] = {-0.5f, -0.5f, 0.0f, 1.0f, diffuse, 0.0f, 0.0f};
    v[1] = {-0.5f, y1, 0.0f, 1.0f, diffuse, 0.0f, 1.0f};
    v[2] = {x1, -0.5f, 0.0f, 1.0f, diffuse, 1.0f, 0.0f};
    v[3] = {x1, y1, 0.0f, 1.0f, diffuse, 1.0f, 1.0f};
    const DDFXSTAGE stage{D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                          D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE};
    DDFxDrawQuad(target, target, v, stage, false);
}

// DirectDraw: one fade step at weight w (256 = the picture, 0 = the colour).
void FadeStepDD(PALETTEENTRY* lpPalette, int nFirst, int nLast, int w, std::uint8_t r, std::uint8_t g,
                std::uint8_t b, const PALETTEENTRY* lpBase) {
    if (g_DDSettings.nBpp == 8) {
        if (!lpPalette || !lpBase) return;
        BlendPaletteToColor(lpPalette, nFirst, nLast, w, r, g, b, lpBase);
        const int first = std::clamp(nFirst, 0, 255), last = std::clamp(nLast, 0, 255);
        if (LPDIRECTDRAWPALETTE pal = DDGetDisplayPalette(); pal && first <= last)
            pal->SetEntries(0, static_cast<DWORD>(first), static_cast<DWORD>(last - first + 1),
                            lpPalette + first);
    } else {
        DDFade_UnPal(&g_BackBuffer, w, r, g, b, &g_ScreenCopySD);
    }
}

void CopyScreenForFade() {
    if (g_DDSettings.nBpp == 8) return;
    DDBlt(&g_ScreenCopySD, 0, 0, g_ScreenCopySD.nWidth, g_ScreenCopySD.nHeight, &g_BackBuffer, 0, 0, 0);
}

} // namespace

void DDResetFadePhases() {
    g_dFadeOutPhaseD3D = g_dFadeOutPhaseDD = 90.0;
    g_dFadeInPhaseD3D = g_dFadeInPhaseDD = 0.0;
}

bool DDFadeOut(PALETTEENTRY* lpPalette, int nFirst, int nLast, std::uint8_t bRed, std::uint8_t bGreen,
               std::uint8_t bBlue, double dStep, const PALETTEENTRY* lpBasePalette, int bSkip) {
    double& p = lpDTCon ? g_dFadeOutPhaseD3D : g_dFadeOutPhaseDD;
    if (bSkip) p = 0.0;
    if (lpDTCon) {
        DrawFadeOverlay(static_cast<int>(std::sin(p * kPi / 180.0) * 255.0));
    } else {
        if (p == 90.0) CopyScreenForFade();
        const int w = static_cast<int>(std::sin(p * kPi / 180.0) * 256.0);
        FadeStepDD(lpPalette, nFirst, nLast, w, bRed, bGreen, bBlue, lpBasePalette);
    }
    if (p > 0.0) {
        p = std::max(0.0, p - dStep);
        return false;
    }
    p = 90.0;
    return true;
}

bool DDFadeIn(PALETTEENTRY* lpPalette, int nFirst, int nLast, std::uint8_t bRed, std::uint8_t bGreen,
              std::uint8_t bBlue, double dStep, const PALETTEENTRY* lpBasePalette, int bSkip) {
    double& p = lpDTCon ? g_dFadeInPhaseD3D : g_dFadeInPhaseDD;
    if (bSkip) p = 90.0;
    if (lpDTCon) {
        DrawFadeOverlay(static_cast<int>(std::sin(p * kPi / 180.0) * 255.0));
    } else {
        if (p == 0.0) CopyScreenForFade();
        const int w = static_cast<int>(std::sin(p * kPi / 180.0) * 256.0);
        FadeStepDD(lpPalette, nFirst, nLast, w, bRed, bGreen, bBlue, lpBasePalette);
    }
    if (p < 90.0) {
        p = std::min(90.0, p + dStep);
        return false;
    }
    p = 0.0;
    return true;
}

void BlendPaletteToColor(PALETTEENTRY* lpPalette, int nFirst, int nLast, int nWeight, std::uint8_t bRed,
                         std::uint8_t bGreen, std::uint8_t bBlue, const PALETTEENTRY* lpBasePalette) {
    if (!lpPalette || !lpBasePalette) return;
    // The range is kept inside the 256 entries.
    const int first = std::max(nFirst, 0), last = std::min(nLast, 255);
    const int w = nWeight, cw = 256 - nWeight;
    for (int i = first; i <= last; ++i) {
        const PALETTEENTRY& b = lpBasePalette[i];
        lpPalette[i].peRed = static_cast<BYTE>((b.peRed * w + bRed * cw) >> 8);
        lpPalette[i].peGreen = static_cast<BYTE>((b.peGreen * w + bGreen * cw) >> 8);
        lpPalette[i].peBlue = static_cast<BYTE>((b.peBlue * w + bBlue * cw) >> 8);
        lpPalette[i].peFlags = 1;
    }
}

void RotatePalette(PALETTEENTRY* lpPalette, int nFirst, int nLast, int nCount, int nDirection,
                   const PALETTEENTRY* lpBasePalette) {
    const int bpp = g_DDSettings.nBpp;
    if (bpp != 8 && bpp != 16 && bpp != 32) return;
    if (!lpPalette || !lpBasePalette) return;
    if (lpPalette != lpBasePalette) std::memcpy(lpPalette, lpBasePalette, 256 * sizeof(PALETTEENTRY));
    const int first = std::max(nFirst, 0), last = std::min(nLast, 255);
    if (first > last) return;
    const int len = last - first + 1;
    // A count of a whole turn or more turns by what is left over.
    const int n = ((nCount % len) + len) % len;
    PALETTEENTRY* b = lpPalette + first;
    PALETTEENTRY* e = lpPalette + last + 1;
    if (nDirection == 0)
        std::rotate(b, e - n, e); // every entry n places up, the last n to the front
    else if (nDirection == 1)
        std::rotate(b, b + n, e); // every entry n places down, the first n to the end
}

void DDFade_UnPal(DDSURFACEDATA* lpDstSD, int nWeight, std::uint8_t bRed, std::uint8_t bGreen,
                  std::uint8_t bBlue, DDSURFACEDATA* lpSrcSD) {
    if (lpDTCon) {
        ECLog("D3DではDDFade_UnPalは未対応");
        return;
    }
    const int bpp = g_DDSettings.nBpp;
    if (bpp != 16 && bpp != 32) return;
    if (!lpDstSD || !lpSrcSD) return;
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const int w = std::min(d.width, s.width), h = std::min(d.height, s.height);
    const std::uint32_t wt = static_cast<std::uint32_t>(nWeight);
    const std::uint32_t cw = static_cast<std::uint32_t>(256 - nWeight);
    if (bpp == 32) {
        const std::uint32_t cr = bRed * cw, cg = bGreen * cw, cb = bBlue * cw;
        for (int j = 0; j < h; ++j) {
            std::uint8_t* dp = d.At(0, j);
            const std::uint8_t* sp = s.At(0, j);
            for (int i = 0; i < w; ++i) {
                dp[4 * i + 0] = static_cast<std::uint8_t>((sp[4 * i + 0] * wt + cb) >> 8);
                dp[4 * i + 1] = static_cast<std::uint8_t>((sp[4 * i + 1] * wt + cg) >> 8);
                dp[4 * i + 2] = static_cast<std::uint8_t>((sp[4 * i + 2] * wt + cr) >> 8);
            }
        }
        return;
    }
    const PIXCHANNELS& c = g_PixChannels;
    if (c.nMaxR <= 0 || c.nMaxG <= 0 || c.nMaxB <= 0) return;
    auto channel = [&](std::uint32_t p, int shift, int max, std::uint32_t colour) {
        const std::uint32_t v =
            ((p >> shift) & static_cast<std::uint32_t>(max)) * 255u / static_cast<std::uint32_t>(max);
        const std::uint32_t m = (v * wt + colour * cw) >> 8;
        return (m * static_cast<std::uint32_t>(max) / 255u) << shift;
    };
    for (int j = 0; j < h; ++j) {
        auto* dp = reinterpret_cast<std::uint16_t*>(d.At(0, j));
        const auto* sp = reinterpret_cast<const std::uint16_t*>(s.At(0, j));
        for (int i = 0; i < w; ++i) {
            const std::uint32_t p = sp[i];
            dp[i] = static_cast<std::uint16_t>(channel(p, c.nShiftR, c.nMaxR, bRed) |
                                               channel(p, c.nShiftG, c.nMaxG, bGreen) |
                                               channel(p, c.nShiftB, c.nMaxB, bBlue));
        }
    }
}

bool DDChangeColor(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nAlpha,
                   std::uint8_t bRed, std::uint8_t bGreen, std::uint8_t bBlue) {
    if (!lpDTCon) {
        ECLog(kNoChangeColorDD);
        return true;
    }
    return DDChangeColor(lpDstSD, x, y, nWidth, nHeight, lpDstSD, nAlpha, bRed, bGreen, bBlue);
}

bool DDChangeColor(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                   int nAlpha, std::uint8_t bRed, std::uint8_t bGreen, std::uint8_t bBlue) {
    if (!lpDTCon) {
        ECLog(kNoChangeColorDD);
        return true;
    }
    if (!lpDstSD || !lpSrcSD) return true;
    DDSURFACEDATA* dst = DDRedirect(DDSubstitute(lpDstSD));
    DDSURFACEDATA* src = DDRedirect(DDSubstitute(lpSrcSD));
    if (!dst->lpDT || !src->lpDT) return true;
    const std::uint32_t diffuse = static_cast<std::uint32_t>((255 - nAlpha) & 0xFF) << 24 |
                                  static_cast<std::uint32_t>(bRed) << 16 |
                                  static_cast<std::uint32_t>(bGreen) << 8 | bBlue;
    TLVERTEX v[4];
    DDFxQuadVertices(v, x, y, nWidth, nHeight, src, x, y, nWidth, nHeight, diffuse);
    const DDFXSTAGE stage{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                          D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE};
    DDFxDrawQuad(dst, src, v, stage, true);
    return true;
}

bool DDLoadBlendTable(std::uint8_t* lpTable, const char* lpFileName) {
    if (lpDTCon) return true;
    if (!lpTable || !lpFileName) return false;
    std::FILE* f = fsys::Open(lpFileName, "rb");
    if (!f) return false;
    const std::size_t got = std::fread(lpTable, 1, BLEND_TABLE_SIZE, f);
    std::fclose(f);
    // A short table would mix colours from whatever the buffer held before.
    if (got != static_cast<std::size_t>(BLEND_TABLE_SIZE)) {
        std::memset(lpTable, 0, BLEND_TABLE_SIZE);
        return false;
    }
    return true;
}

int RandRange(int nA, int nB) {
    const std::int64_t lo = std::min(nA, nB), hi = std::max(nA, nB);
    // The span of the whole int range does not fit an int.
    const std::int64_t span = hi - lo + 1;
    return static_cast<int>(crt::rand() % span + lo);
}
