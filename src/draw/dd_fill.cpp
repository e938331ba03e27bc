// Fills, the palette and the transparent colour, the per-draw colour state and the fill batch.
#include "app/log.h"
#include "draw/dd_internal.h"
#include "platform/gfx/gdi.h"

#include <algorithm>
#include <cstring>

using namespace gfx;

namespace {

struct FILLREC {
    DDSURFACEDATA* lpSD;
    int x, y, w, h;
    std::uint32_t dwColor;
};

// The fill batch: open flag, the recorded fills, and the buffers of the run being drawn.
struct cFillBatch {
    bool bOpen = false;
    std::vector<FILLREC> recs;
    std::vector<TLVERTEX> vertices;
    LPDIRECT3DVERTEXBUFFER9 lpVB = nullptr;
    LPDIRECT3DINDEXBUFFER9 lpIB = nullptr;
    void ReleaseBuffers() {
        SafeRelease(lpVB);
        SafeRelease(lpIB);
        vertices.clear();
    }
    ~cFillBatch() { ReleaseBuffers(); }
};
cFillBatch g_FillBatch;

// Intersects a rectangle with a surface of w x h; false when nothing is left.
bool ClipToSurface(int& x, int& y, int& w, int& h, int sw, int sh) {
    int r = x + w, b = y + h;
    x = std::max(x, 0);
    y = std::max(y, 0);
    r = std::min(r, sw);
    b = std::min(b, sh);
    w = r - x;
    h = b - y;
    return w > 0 && h > 0;
}

void DDFillDirect(DDSURFACEDATA* lpSD, int x, int y, int w, int h, std::uint32_t raw) {
    if (!DDHasSurface(lpSD)) return;
    // The rectangle is cut to the surface on both sides, so that a fill that starts left of the
    // surface and ends right of it still fills what lies inside.
    if (!ClipToSurface(x, y, w, h, lpSD->nWidth, lpSD->nHeight)) return;
    RECT rc{x, y, x + w, y + h};
    DDBLTFX fx;
    fx.dwFillColor = raw;
    lpSD->lpDDSide->lpSurface->Blt(&rc, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

} // namespace

std::uint32_t DDPackScaled16(const PIXCHANNELS& c, std::uint32_t argb) {
    const std::uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    std::uint32_t v = (r * c.nMaxR / 255) << c.nShiftR | (g * c.nMaxG / 255) << c.nShiftG |
                      (b * c.nMaxB / 255) << c.nShiftB;
    if (c.nMaxA) v |= (a * c.nMaxA / 255) << c.nShiftA;
    return v & 0xFFFF;
}

std::uint32_t DDUnpack16(const PIXCHANNELS& c, std::uint32_t p) {
    auto ch = [&](int shift, int max) {
        return max ? ((p >> shift) & static_cast<std::uint32_t>(max)) * 255 / static_cast<std::uint32_t>(max)
                   : 0u;
    };
    std::uint32_t a = c.nMaxA ? ch(c.nShiftA, c.nMaxA) : 255;
    return a << 24 | ch(c.nShiftR, c.nMaxR) << 16 | ch(c.nShiftG, c.nMaxG) << 8 | ch(c.nShiftB, c.nMaxB);
}

std::uint32_t DDScreenKeyColour() {
    if (!lpDTCon) return 0;
    // The colour key as opaque ARGB at both depths (the 16-bit pixel value is not an ARGB colour).
    if (g_DDSettings.nBpp == 16) return 0xFF000000u | DDUnpack16(g_PixChannels, lpDTCon->wTransmit_16);
    return lpDTCon->dwColorKey | 0xFF000000u;
}

std::uint32_t PalNumToRGB(std::uint32_t i) {
    if (i >= 256) {
        if (lpDTCon) ECLogF("PalNumToRGB(DWORD dwPalNum) Err dwPalNum = %d", static_cast<int>(i));
        return 0;
    }
    const PALETTEENTRY& e = g_BasePalette[i];
    if (lpDTCon) {
        if (i == 0) return lpDTCon->dwIndex0Color;
        return 0xFF000000u + (e.peRed << 16) + (e.peGreen << 8) + e.peBlue;
    }
    const int bpp = g_DDSettings.nBpp;
    if (bpp == 8) return i;
    if (bpp == 16) {
        const PIXCHANNELS& c = g_PixChannels;
        return (((e.peBlue & c.nMaxB) << c.nShiftB) + ((e.peGreen & c.nMaxG) << c.nShiftG) +
                ((e.peRed & c.nMaxR) << c.nShiftR)) &
               0xFFFF;
    }
    return (e.peRed << 16) + (e.peGreen << 8) + e.peBlue;
}

void DDFillRect(DDSURFACEDATA* lpSD, int x, int y, int w, int h, std::uint32_t dwPalNum) {
    if (lpDTCon) {
        DDFillRectRGB(lpSD, x, y, w, h, PalNumToRGB(dwPalNum));
        return;
    }
    DDFillDirect(lpSD, x, y, w, h, PalNumToRGB(dwPalNum));
}

void DDDiscardPixels(DDSURFACEDATA* lpSD) {
    if (!lpSD) return;
    if (lpDTCon) {
        lpSD = DDRedirect(DDSubstitute(lpSD));
        if (lpSD->lpDT && lpSD->lpDT->lpSurface && DDIsRenderTarget(lpSD))
            lpSD->lpDT->lpSurface->DiscardPixels();
        return;
    }
    if (lpSD->lpDDSide && lpSD->lpDDSide->lpSurface) lpSD->lpDDSide->lpSurface->DiscardPixels();
}

void DDClear(DDSURFACEDATA* lpSD, std::uint32_t dwPalNum) {
    if (!lpSD) return;
    DDFillRect(lpSD, 0, 0, lpSD->nWidth, lpSD->nHeight, dwPalNum);
}

void DDFillRectRGB(DDSURFACEDATA* lpSD, int x, int y, int w, int h, std::uint32_t dwColor) {
    if (!lpDTCon) {
        DDFillDirect(lpSD, x, y, w, h, dwColor);
        return;
    }
    if (!lpSD) return;
    lpSD = DDRedirect(DDSubstitute(lpSD));
    if (!lpSD->lpDT) return;
    // Cut to the surface on both sides.
    if (!ClipToSurface(x, y, w, h, lpSD->nWidth, lpSD->nHeight)) return;
    const int bpp = g_DDSettings.nBpp;
    if (DDIsRenderTarget(lpSD) && lpSD->lpDT->bColorKey && (bpp == 16 || bpp == 32)) {
        const bool isBack = lpSD == &g_BackBuffer;
        if ((isBack && dwColor == lpDTCon->dwColorKey) || (!isBack && dwColor == lpDTCon->dwIndex0Color)) {
            if (!DDBeginScene()) return;
            if (!DDSetRenderTarget(0, lpSD)) return;
            DDClearRect(x, y, w, h, dwColor);
            if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
            return;
        }
    }
    if (g_FillBatch.bOpen) {
        g_FillBatch.recs.push_back({lpSD, x, y, w, h, dwColor});
        return;
    }
    cSurfaceLock lock(lpSD);
    if (!lock.Locked()) return;
    if (bpp == 32) {
        for (int j = 0; j < h; ++j) {
            auto* row = reinterpret_cast<std::uint32_t*>(lock.Bits() +
                                                         static_cast<std::size_t>(y + j) * lock.PitchBytes());
            std::fill(row + x, row + x + w, dwColor);
        }
    } else if (bpp == 16) {
        // The full-screen back buffer holds the display's 16-bit layout, not the textures'.
        const bool display = lpSD == &g_BackBuffer && g_DDSettings.nWindowMode == 0;
        const auto v =
            static_cast<std::uint16_t>(DDPackScaled16(display ? g_DispChannels : g_PixChannels, dwColor));
        for (int j = 0; j < h; ++j) {
            auto* row = reinterpret_cast<std::uint16_t*>(lock.Bits() +
                                                         static_cast<std::size_t>(y + j) * lock.PitchBytes());
            std::fill(row + x, row + x + w, v);
        }
    }
}

void DDClearRGB(DDSURFACEDATA* lpSD, std::uint32_t dwColor) {
    if (!lpSD) return;
    DDFillRectRGB(lpSD, 0, 0, lpSD->nWidth, lpSD->nHeight, dwColor);
}

void DDBeginFillBatch() {
    if (!lpDTCon) return;
    g_FillBatch.bOpen = true;
    g_FillBatch.ReleaseBuffers();
    g_FillBatch.recs.clear();
}

void DDEndFillBatch() {
    if (!lpDTCon) return;
    auto& fb = g_FillBatch;
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    std::size_t i = 0;
    while (i < fb.recs.size()) {
        std::size_t n = 1;
        while (i + n < fb.recs.size() && fb.recs[i + n].lpSD == fb.recs[i].lpSD)
            ++n;
        fb.vertices.assign(n * 4, TLVERTEX{});
        for (std::size_t k = 0; k < n; ++k) {
            const FILLREC& r = fb.recs[i + k];
            const float x0 = static_cast<float>(r.x) - 0.5f, y0 = static_cast<float>(r.y) - 0.5f;
            const float x1 = static_cast<float>(r.x + r.w) - 0.5f, y1 = static_cast<float>(r.y + r.h) - 0.5f;
            TLVERTEX* v = &fb.vertices[k * 4];
            v[0] = {x0, y0, 0.0f, 1.0f, r.dwColor, 0.0f, 0.0f};
            v[1] = {x0, y1, 0.0f, 1.0f, r.dwColor, 0.0f, 0.0f};
            v[2] = {x1, y0, 0.0f, 1.0f, r.dwColor, 0.0f, 0.0f};
            v[3] = {x1, y1, 0.0f, 1.0f, r.dwColor, 0.0f, 0.0f};
        }
        const UINT bytes = static_cast<UINT>(n * 112);
        if (FAILED(dev->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFVF_TLVERTEX, D3DPOOL_MANAGED,
                                           &fb.lpVB, nullptr))) {
            fb.ReleaseBuffers();
            Report("CreateVertexBuffer Err");
            break;
        }
        void* p = nullptr;
        if (SUCCEEDED(fb.lpVB->Lock(0, bytes, &p, 0))) {
            std::memcpy(p, fb.vertices.data(), bytes);
            fb.lpVB->Unlock();
        }
        if (SUCCEEDED(dev->CreateIndexBuffer(static_cast<UINT>(n * 8), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, &fb.lpIB, nullptr)) &&
            SUCCEEDED(fb.lpIB->Lock(0, static_cast<UINT>(n * 8), &p, 0))) {
            auto* idx = static_cast<std::uint16_t*>(p);
            for (std::size_t k = 0; k < n * 4; ++k)
                idx[k] = static_cast<std::uint16_t>(k);
            fb.lpIB->Unlock();
        }
        if (fb.lpIB && DDBeginScene() && DDSetRenderTarget(0, fb.recs[i].lpSD)) {
            dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
            dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            dev->SetTexture(0, g_WorkSD.lpDT ? g_WorkSD.lpDT->lpTexture : nullptr);
            dev->SetStreamSource(0, fb.lpVB, 0, 28);
            dev->SetIndices(fb.lpIB);
            dev->SetFVF(D3DFVF_TLVERTEX);
            for (UINT k = 0; k < n; ++k)
                dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4 * k, 4, 4 * k, 2);
        }
        fb.ReleaseBuffers();
        if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
        i += n;
    }
    fb.recs.clear();
    fb.bOpen = false;
}

bool DDLoadPaletteFromFile(PALETTEENTRY* lpPalette, const char* szFile, int) {
    auto* bmp = static_cast<BitmapObject*>(
        LoadImageA(nullptr, szFile, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bmp || !lpPalette) {
        if (bmp) DeleteObject(bmp);
        return false;
    }
    const Dib& dib = bmp->dib;
    const int bpp = g_DDSettings.nBpp;
    bool marked = false;
    // Only the colour entries the bitmap holds are read; the rest become 0.
    const int present = std::min<int>(256, static_cast<int>(dib.colours.size()));
    if (lpDTCon && dib.bitCount == 8) {
        for (int i = 0; i < 256; ++i) {
            PALETTEENTRY e{};
            if (i < present) e = dib.colours[i];
            lpPalette[i] = {e.peRed, e.peGreen, e.peBlue, 255};
        }
        // The colour table is the palette: reading the picture's pixels again would turn the 0-255
        // entries into 16-bit channel units.
        marked = true;
    } else if (!lpDTCon && bpp == 8 && dib.bitCount == 8) {
        for (int i = 0; i < 256; ++i) {
            PALETTEENTRY e{};
            if (i < present) e = dib.colours[i];
            const BYTE flag = (i < 10 || i >= 246) ? 2 : 1;
            lpPalette[i] = {e.peRed, e.peGreen, e.peBlue, flag};
        }
        marked = true;
    }
    DeleteObject(bmp);
    if (bpp == 8 && g_lpDDCon && g_lpDDCon->lpPalette) g_lpDDCon->lpPalette->SetEntries(0, 0, 256, lpPalette);
    if ((bpp == 16 || bpp == 24 || bpp == 32) && !marked) {
        DDSURFACEDATA temp;
        if (DDCreateSurfaceFromFile(&temp, szFile, 0, bpp, 1, 1, 0, 0, 0, 0, 0) == 0)
            DDSetPalette_UnPal(lpPalette, &temp);
        DDReleaseSurface(&temp);
    }
    return true;
}

void DDSetTransmit(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int bpp = g_DDSettings.nBpp;
    const PIXCHANNELS& c = g_PixChannels;
    if (lpDTCon) {
        lpDTCon->rgbTransmit = {b, g, r};
        ECLogF("SetTrans lpDTCon->rgbTransmit.rgbtRed = %d,lpDTCon->rgbTransmit.rgbtGreen = "
               "%d,lpDTCon->rgbTransmit.rgbtBlue = %d",
               r, g, b);
        lpDTCon->dwColorKey = 0xFF000000u | (r << 16) | (g << 8) | b;
        lpDTCon->dwIndex0Color = 0;
        if (bpp == 16) {
            lpDTCon->wTransmit_16 =
                static_cast<std::uint16_t>((b & c.nMaxB) << c.nShiftB | (g & c.nMaxG) << c.nShiftG |
                                           (r & c.nMaxR) << c.nShiftR | (c.nMaxA & 1) << c.nShiftA);
        } else if (bpp == 32) {
            lpDTCon->wTransmit_16 = 0;
            g_dwTransmitPixel = lpDTCon->dwIndex0Color;
        }
        return;
    }
    if (bpp == 16) {
        const std::uint32_t rr = r * c.nMaxR / 255, gg = g * c.nMaxG / 255, bb = b * c.nMaxB / 255;
        g_dwTransmitPixel = (bb << c.nShiftB | gg << c.nShiftG | rr << c.nShiftR) & 0xFFFF;
        ECLogF("Tr %d RGB32(%d,%d,%d) -> RGB16(%d,%d,%d)", static_cast<int>(g_dwTransmitPixel), r, g, b,
               static_cast<int>(rr), static_cast<int>(gg), static_cast<int>(bb));
    } else if (bpp == 32) {
        g_dwTransmitPixel = static_cast<std::uint32_t>(r) << 16 | g << 8 | b;
        if (g_lpDDCon) g_lpDDCon->rgbTransmit = {b, g, r};
    }
}

bool DDSetTransmitFromFile(const SURFACEDEF* lpDef) {
    if (!lpDef) return false;
    const int bpp = g_DDSettings.nBpp;
    DDSURFACEDATA temp;
    // Picture files are loaded with the colour key: the picture is read with the key of start-up
    // (none set yet), so that a key taken from it before does not make its own pixel transparent.
    const RGBTRIPLE keptKey = lpDTCon ? lpDTCon->rgbTransmit : RGBTRIPLE{};
    const RGBTRIPLE keptKey16 = lpDTCon ? lpDTCon->rgbTransmit16 : RGBTRIPLE{};
    if (lpDTCon) lpDTCon->rgbTransmit = lpDTCon->rgbTransmit16 = RGBTRIPLE{};
    const int loaded = DDCreateSurfaceFromFile(&temp, lpDef->szFileName, 0, bpp, 1, 1, 0, 0, 0, 0, 0);
    if (lpDTCon) lpDTCon->rgbTransmit = keptKey, lpDTCon->rgbTransmit16 = keptKey16;
    if (loaded != 0) {
        ECLogF("%s 作成失敗！", lpDef->szFileName);
        DDReleaseSurface(&temp);
        return false;
    }
    cSurfaceLock lock;
    if (!lock.Lock(&temp)) {
        ECLogF("Lock 失敗！");
        DDReleaseSurface(&temp);
        return false;
    }
    const std::uint8_t* p = lock.Bits();
    if (!lpDTCon) {
        if (bpp == 8) {
            g_dwTransmitPixel = p[0];
        } else if (bpp == 16) {
            g_dwTransmitPixel = *reinterpret_cast<const std::uint16_t*>(p);
        } else if (bpp == 32) {
            g_dwTransmitPixel = *reinterpret_cast<const std::uint32_t*>(p) & 0xFFFFFF;
            if (g_lpDDCon) g_lpDDCon->rgbTransmit = {p[0], p[1], p[2]};
        } else if (bpp == 24) {
            g_dwTransmitPixel = p[0] | p[1] << 8 | p[2] << 16;
        }
    } else if (bpp == 16) {
        const std::uint32_t v = *reinterpret_cast<const std::uint16_t*>(p);
        g_dwTransmitPixel = v;
        const PIXCHANNELS& c = g_PixChannels;
        DDSetTransmit(static_cast<std::uint8_t>((v >> c.nShiftR) & c.nMaxR),
                      static_cast<std::uint8_t>((v >> c.nShiftG) & c.nMaxG),
                      static_cast<std::uint8_t>((v >> c.nShiftB) & c.nMaxB));
        ECLogF("SetTrans(filename) lpDTCon->wTransmit_16 = (%x)", lpDTCon->wTransmit_16);
    } else {
        DDSetTransmit(p[2], p[1], p[0]);
    }
    lock.Unlock();
    DDReleaseSurface(&temp);
    // The key colour as the pictures hold it comes from the picture's top-left pixel unless the
    // project gave one (otherwise black would become transparent and the real key stay opaque).
    auto* bmp = static_cast<BitmapObject*>(
        LoadImageA(nullptr, lpDef->szFileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (bmp && bmp->dib.width > 0 && bmp->dib.height > 0) {
        const std::uint32_t argb = bmp->dib.PixelArgb(0, 0);
        const RGBTRIPLE topLeft{static_cast<std::uint8_t>(argb & 0xFF),
                                static_cast<std::uint8_t>((argb >> 8) & 0xFF),
                                static_cast<std::uint8_t>((argb >> 16) & 0xFF)};
        if (lpDTCon && !lpDTCon->bTransmit16Given) lpDTCon->rgbTransmit16 = topLeft;
        if (g_lpDDCon && !g_lpDDCon->bTransmit16Given) g_lpDDCon->rgbTransmit16 = topLeft;
    }
    if (bmp) DeleteObject(bmp);

    return true;
}

bool DDSetUpTransmit(const SURFACEDEF* lpFirstDef, bool bGiven, std::uint8_t r, std::uint8_t g,
                     std::uint8_t b) {
    const int bpp = g_DDSettings.nBpp;
    if (!bGiven) return DDSetTransmitFromFile(lpFirstDef);
    if (bpp == 16) {
        bool ok = DDSetTransmitFromFile(lpFirstDef);
        const RGBTRIPLE given{b, g, r};
        if (lpDTCon) {
            lpDTCon->rgbTransmit16 = given;
            lpDTCon->bTransmit16Given = true;
        } else if (g_lpDDCon) {
            g_lpDDCon->rgbTransmit16 = given;
            g_lpDDCon->bTransmit16Given = true;
        }
        return ok;
    }
    DDSetTransmit(r, g, b);
    return true;
}

void DDSetDrawColor(std::uint32_t argb) {
    if (lpDTCon) lpDTCon->dwDiffuse = argb;
}
void DDResetDrawColor() {
    if (lpDTCon) lpDTCon->dwDiffuse = 0xFFFFFFFF;
}
void DDSetColorOp(std::uint32_t op) {
    if (lpDTCon) lpDTCon->dwColorOp = op;
}
void DDResetColorOp() {
    if (lpDTCon) lpDTCon->dwColorOp = D3DTOP_MODULATE;
}
void DDSetAlphaOp(std::uint32_t op) {
    if (lpDTCon) lpDTCon->dwAlphaOp = op;
}
void DDResetAlphaOp() {
    if (lpDTCon) lpDTCon->dwAlphaOp = D3DTOP_SELECTARG1;
}

void DDSetPalette_UnPal(PALETTEENTRY* lpPalette, DDSURFACEDATA* lpSD) {
    if (!lpPalette || !lpSD) return;
    if (lpDTCon) lpSD = DDRedirect(DDSubstitute(lpSD));
    cSurfaceLock lock;
    if (!lock.Lock(lpSD)) {
        ECLog("DDSetPalette_UnPal Lock Err");
        return;
    }
    const int bpp = g_DDSettings.nBpp;
    const PIXCHANNELS& c = g_PixChannels;
    for (int i = 0; i < 256; ++i) {
        const int x = i % 16, y = 8 + i / 16;
        if (x >= lpSD->nWidth || y >= lpSD->nHeight) continue;
        const std::uint8_t* row = lock.Bits() + static_cast<std::size_t>(y) * lock.PitchBytes();
        if (bpp == 16) {
            const std::uint32_t v = reinterpret_cast<const std::uint16_t*>(row)[x];
            lpPalette[i].peRed = static_cast<BYTE>((v >> c.nShiftR) & c.nMaxR);
            lpPalette[i].peGreen = static_cast<BYTE>((v >> c.nShiftG) & c.nMaxG);
            lpPalette[i].peBlue = static_cast<BYTE>((v >> c.nShiftB) & c.nMaxB);
        } else if (bpp == 24) {
            const std::uint8_t* q = row + x * 3;
            lpPalette[i] = {q[2], q[1], q[0], 0};
        } else if (bpp == 32) {
            const std::uint8_t* q = row + x * 4;
            if (lpDTCon && q[3] == 0) continue;
            lpPalette[i] = {q[2], q[1], q[0], q[3]};
        }
    }
}

void DDGetPixelFormatShifts(PIXCHANNELS* lpChannels) {
    if (lpDTCon || !lpChannels || !g_PrimarySD.lpDDSide || !g_PrimarySD.lpDDSide->lpSurface) return;
    DDPIXELFORMAT pf;
    g_PrimarySD.lpDDSide->lpSurface->GetPixelFormat(&pf);
    auto take = [&](DWORD mask, std::int32_t& shift, std::int32_t& max) {
        int s = 0;
        while (s < static_cast<int>(pf.dwRGBBitCount) && s < 32 && !(mask & (1u << s)))
            ++s;
        shift = s;
        max = s < 32 ? static_cast<std::int32_t>(mask >> s) : 0;
    };
    take(pf.dwRBitMask, lpChannels->nShiftR, lpChannels->nMaxR);
    take(pf.dwGBitMask, lpChannels->nShiftG, lpChannels->nMaxG);
    take(pf.dwBBitMask, lpChannels->nShiftB, lpChannels->nMaxB);
}
