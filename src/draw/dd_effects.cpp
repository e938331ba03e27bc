// Effect blits on both back-ends: arrangements of ordinary blits inside a draw batch, single device
// quads, and pixel paths over locked surfaces.
#include "draw/dd_effects.h"

#include "app/log.h"
#include "draw/dd_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace gfx;

namespace {

constexpr double kWaveRadians = 0.017453292519943295;
constexpr double kRotateRadians = 0.017453292519943278;

int FloorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
int FloorMod(int a, int b) {
    return a - FloorDiv(a, b) * b;
}

// Bytes per pixel of the pixel paths (8, 16 and 32 bits); 0 for other depths.
int PixelBytes() {
    const int bpp = g_DDSettings.nBpp;
    return (bpp == 8 || bpp == 16 || bpp == 32) ? bpp / 8 : 0;
}

std::uint32_t ReadPixel(const std::uint8_t* p, int bytes) {
    switch (bytes) {
    case 1:
        return *p;
    case 2:
        return *reinterpret_cast<const std::uint16_t*>(p);
    default:
        return *reinterpret_cast<const std::uint32_t*>(p);
    }
}
void WritePixel(std::uint8_t* p, int bytes, std::uint32_t v) {
    switch (bytes) {
    case 1:
        *p = static_cast<std::uint8_t>(v);
        break;
    case 2:
        *reinterpret_cast<std::uint16_t*>(p) = static_cast<std::uint16_t>(v);
        break;
    default:
        *reinterpret_cast<std::uint32_t*>(p) = v;
        break;
    }
}

// The transparent colour as the pixel paths see it: alpha 0 in Direct3D textures (at 16 bits neither
// bit 15 nor bit 13 set), the transparent pixel value under DirectDraw.
bool IsTransparent(std::uint32_t p, int bytes) {
    if (lpDTCon) return bytes == 4 ? (p >> 24) == 0 : bytes == 2 ? (p & TEXEL16_OPAQUE_BITS) == 0 : false;
    switch (bytes) {
    case 1:
        return p == (g_dwTransmitPixel & 0xFF);
    case 2:
        return p == (g_dwTransmitPixel & 0xFFFF);
    default:
        return (p & 0xFFFFFF) == (g_dwTransmitPixel & 0xFFFFFF);
    }
}

// The device can draw the pair as a quad.
bool QuadPath(const DDSURFACEDATA* dst, const DDSURFACEDATA* src) {
    return lpDTCon && DDIsRenderTarget(dst) && src->lpDT && src->lpDT->nMemoryType != DTMEMORYTYPE_SYSTEM &&
           src->lpDT->lpTexture;
}

// The surfaces Direct3D drawing really uses (mirror source, virtual back buffer).
DDSURFACEDATA* Resolve(DDSURFACEDATA* lpSD) {
    return lpDTCon ? DDRedirect(DDSubstitute(lpSD)) : lpSD;
}

// Under Direct3D, for an effect that copies a piece of src onto dst: the source piece of r after the
// mirror rule of a mirrored source, and the surfaces drawing really uses. False where either of
// them has no texture side.
bool ResolveForDevice(DDSURFACEDATA*& dst, DDSURFACEDATA*& src, DDBLTRECT& r) {
    if (src->lpMirrorSrc) {
        DDApplyMirrorRule(r.sx, r.sw, src->nMirrorCellW);
        DDApplyMirrorRule(r.sy, r.sh, src->nMirrorCellH);
    }
    dst = Resolve(dst);
    src = Resolve(src);
    return dst->lpDT && src->lpDT;
}

// Same-size clipping of a quad's rectangles under Direct3D (the source cut to its visible size).
bool ClipQuad(DDBLTRECT& r, const DDSURFACEDATA* dst, const DDSURFACEDATA* src) {
    return DDClipBlt(r, dst->nWidth, dst->nHeight, src->nWidth, src->nHeight, true);
}

} // namespace

// ---- Shared helpers ----

void DDFxQuadVertices(TLVERTEX* v, int x, int y, int w, int h, const DDSURFACEDATA* lpSrcSD, int sx, int sy,
                      int sw, int sh, std::uint32_t dwDiffuse) {
    DDBATCHCMD c;
    c.lpSrcSD = const_cast<DDSURFACEDATA*>(lpSrcSD);
    c.rect = DDBLTRECT{x, y, w, h, sx, sy, sw, sh};
    c.dwDiffuse = dwDiffuse;
    DDBuildQuad(v, c);
}

bool DDFxDrawQuad(DDSURFACEDATA* lpDstSD, DDSURFACEDATA* lpSrcSD, const TLVERTEX* lpVertices4,
                  const DDFXSTAGE& st, bool bTexture) {
    if (!lpDTCon || !lpDTCon->lpDevice || !lpDstSD || !lpSrcSD || !lpSrcSD->lpDT) return false;
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    DTSURFACEDATA* s = lpSrcSD->lpDT;
    if (!s->lpVB) return false;
    void* p = nullptr;
    if (FAILED(s->lpVB->Lock(0, 112, &p, 0))) return false;
    std::memcpy(p, lpVertices4, 112);
    s->lpVB->Unlock();
    if (!DDBeginScene() || !DDSetRenderTarget(0, lpDstSD)) return false;
    dev->SetTextureStageState(0, D3DTSS_COLOROP, st.dwColorOp);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, st.dwColorArg1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, st.dwColorArg2);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, st.dwAlphaOp);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, st.dwAlphaArg1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, st.dwAlphaArg2);
    dev->SetTexture(0, bTexture ? s->lpTexture : nullptr);
    dev->SetStreamSource(0, s->lpVB, 0, 28);
    dev->SetFVF(D3DFVF_TLVERTEX);
    dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
    return true;
}

DDFxLockPair::DDFxLockPair(DDSURFACEDATA* lpDstSD, DDSURFACEDATA* lpSrcSD) {
    const int bytes = PixelBytes();
    if (!lpDstSD || !lpSrcSD || bytes == 0) return;
    if (!m_dstLock.Lock(lpDstSD)) return;
    m_dst = {m_dstLock.Bits(), m_dstLock.PitchBytes(), lpDstSD->nWidth, lpDstSD->nHeight, bytes};
    if (lpSrcSD == lpDstSD) {
        m_src = m_dst;
    } else {
        if (!m_srcLock.Lock(lpSrcSD)) {
            m_dstLock.Unlock();
            return;
        }
        m_src = {m_srcLock.Bits(), m_srcLock.PitchBytes(), lpSrcSD->nWidth, lpSrcSD->nHeight, bytes};
    }
    m_bRepack = lpDTCon && bytes == 2 && lpDstSD == &g_BackBuffer && lpSrcSD != lpDstSD &&
                g_DDSettings.nWindowMode == 0;
    m_bOk = true;
}

std::uint32_t DDFxToScreen16(std::uint32_t p) {
    const PIXCHANNELS& pc = g_PixChannels;
    const PIXCHANNELS& dc = g_DispChannels;
    return ((p >> pc.nShiftR) & pc.nMaxR) << dc.nShiftR | ((p >> pc.nShiftG) & pc.nMaxG) << (dc.nShiftG + 1) |
           ((p >> pc.nShiftB) & pc.nMaxB) << dc.nShiftB;
}

// ---- Frames ----

void DDFrameRect(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nThick,
                 std::uint32_t dwPalNum) {
    DDBeginFillBatch();
    DDFillRect(lpDstSD, x, y, nWidth, nThick, dwPalNum);
    DDFillRect(lpDstSD, x, y + nHeight - nThick, nWidth, nThick, dwPalNum);
    DDFillRect(lpDstSD, x, y, nThick, nHeight, dwPalNum);
    DDFillRect(lpDstSD, x + nWidth - nThick, y, nThick, nHeight, dwPalNum);
    DDEndFillBatch();
}

void DDBltFramed(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                 int nThick, std::uint32_t dwPalNum) {
    DDBlt(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, 0, 0, 0);
    DDFrameRect(lpDstSD, x - nThick, y - nThick, nWidth + 2 * nThick, nHeight + 2 * nThick, nThick, dwPalNum);
}

// ---- Arrangements of blits ----

void DDBltWave(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nPeriods, double dAmplitude,
               int nPhase, int nStrip, DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags,
               int bHorizontal) {
    if (nStrip < 1) return;
    const int size = bHorizontal ? nWidth : nHeight;
    // The angle step divides by the picture's size: an empty picture has no strips.
    if (size < 1) return;
    const double step = 360.0 / size;
    double a = 0.0;
    // Neighbouring strips moved by the same offset are copied as one: the pixels are the same and
    // a wave of single columns costs a handful of copies instead of one per column.
    int runStart = 0, runLen = 0, runD = 0;
    auto flush = [&]() {
        if (runLen == 0) return;
        if (bHorizontal)
            DDBlt(lpDstSD, x + runStart, y + runD, runLen, nHeight, lpSrcSD, sx + runStart, sy, dwFlags);
        else
            DDBlt(lpDstSD, x + runD, y + runStart, nWidth, runLen, lpSrcSD, sx, sy + runStart, dwFlags);
        runLen = 0;
    };
    DDBeginBatch(0);
    for (int o = 0; o < size; o += nStrip) {
        a = a + step * nStrip;
        const int d = static_cast<int>(std::sin((nPhase + a) * nPeriods * kWaveRadians) * dAmplitude);
        const int len = std::min(nStrip, size - o);
        if (runLen > 0 && d != runD) flush();
        if (runLen == 0) {
            runStart = o;
            runD = d;
        }
        runLen += len;
    }
    flush();
    DDEndBatch();
}

void DDBltStripShift(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nStrip, int nShift,
                     DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags, int bColumns) {
    if (nStrip == 0) {
        DDBlt(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, dwFlags);
        return;
    }
    DDBeginBatch(0);
    if (bColumns) {
        const int n = nWidth / nStrip;
        for (int k = 1; k < n; k += 2)
            DDBlt(lpDstSD, x + k * nStrip, y - nShift, nStrip, nHeight, lpSrcSD, sx + k * nStrip, sy,
                  dwFlags);
        for (int k = 0; k < n; k += 2)
            DDBlt(lpDstSD, x + k * nStrip, y + nShift, nStrip, nHeight, lpSrcSD, sx + k * nStrip, sy,
                  dwFlags);
    } else {
        const int n = nHeight / nStrip;
        for (int k = 1; k < n; k += 2)
            DDBlt(lpDstSD, x - nShift, y + k * nStrip, nWidth, nStrip, lpSrcSD, sx, sy + k * nStrip, dwFlags);
        for (int k = 0; k < n; k += 2)
            DDBlt(lpDstSD, x + nShift, y + k * nStrip, nWidth, nStrip, lpSrcSD, sx, sy + k * nStrip, dwFlags);
    }
    DDEndBatch();
}

void DDBltQuarters(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                   int sx, int sy, int nDistance, std::uint32_t dwFlags) {
    const int hw = nWidth >> 1, hh = nHeight >> 1, d = nDistance;
    DDBeginBatch(0);
    DDBlt(lpDstSD, x - d, y - d, hw, hh, lpSrcSD, sx, sy, dwFlags);
    DDBlt(lpDstSD, x + hw + d, y - d, hw, hh, lpSrcSD, sx + hw, sy, dwFlags);
    DDBlt(lpDstSD, x - d, y + hh + d, hw, hh, lpSrcSD, sx, sy + hh, dwFlags);
    DDBlt(lpDstSD, x + hw + d, y + hh + d, hw, hh, lpSrcSD, sx + hw, sy + hh, dwFlags);
    DDEndBatch();
}

void DDBltCircle(DDSURFACEDATA* lpDstSD, int x, int y, int nHalfWidth, int nHalfHeight, int nRadius,
                 int nStrip, DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags) {
    const int R = nRadius;
    if (R < 1 || nStrip < 1 || !lpDstSD || !lpSrcSD) return;
    DDSURFACEDATA* dst = DDSubstitute(lpDstSD);
    DDSURFACEDATA* src = DDSubstitute(lpSrcSD);
    const int left = std::max(sx - nHalfWidth, 0);
    const int right = std::min(sx + nHalfWidth, src->nWidth);
    DDBeginBatch(0);
    for (int t = R - nStrip; t >= -R; t -= nStrip) {
        if (!(t < nHalfHeight && t + nStrip > -nHalfHeight)) continue;
        const int tt = std::max(-nHalfHeight, std::min(t, nHalfHeight - nStrip));
        const int m = tt + nStrip / 2;
        const double under = static_cast<double>(R) * R - static_cast<double>(m) * m;
        int c = under > 0.0 ? static_cast<int>(std::sqrt(under)) : 0;
        if (c == R) --c;
        int s0 = sx - c, s1 = sx + c;
        int tx = x - c;
        if (s0 < left) {
            tx += left - s0;
            s0 = left;
        }
        if (s1 > right) s1 = right;
        const int w = s1 - s0;
        if (w < 1) continue;
        if (lpDTCon)
            DDBltStretch(dst, tx, y + tt, w, nStrip, src, s0, sy + tt, w, nStrip, dwFlags);
        else
            DDBlt(dst, tx, y + tt, w, nStrip, src, s0, sy + tt, dwFlags);
    }
    DDEndBatch();
}

void DDBltFlip(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpFrontSD,
               int fx, int fy, DDSURFACEDATA* lpBackSD, int bx, int by, int nSrcWidth, int nSrcHeight,
               std::uint32_t dwFlags, int nCounter, int nMode) {
    if (nMode != 0 && nMode != 1) return;
    const int size = nMode == 0 ? nWidth : nHeight;
    const int half = size / 2;
    // A card narrower than two pixels has no turn to show.
    if (half < 1) return;
    const int f = FloorMod(FloorDiv(nCounter, half), 2) == 0 ? FloorMod(nCounter, half)
                                                             : half - FloorMod(nCounter, half) - 1;
    const bool front = FloorMod(FloorDiv(half + nCounter, size), 2) == 0;
    DDSURFACEDATA* src = front ? lpFrontSD : lpBackSD;
    const int px = front ? fx : bx, py = front ? fy : by;
    if (nMode == 0)
        DDBltStretch(lpDstSD, x + f, y, nWidth - 2 * f, nHeight, src, px, py, nSrcWidth, nSrcHeight, dwFlags);
    else
        DDBltStretch(lpDstSD, x, y + f, nWidth, nHeight - 2 * f, src, px, py, nSrcWidth, nSrcHeight, dwFlags);
}

// ---- Rotation ----

void DDBltRotate(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nPivotX, int nPivotY,
                 int nAngle, DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags) {
    if (!lpDstSD || !lpSrcSD || nWidth < 1 || nHeight < 1) return;
    const double theta = nAngle * kRotateRadians;
    if (lpDTCon) {
        DDBLTRECT r{x, y, nWidth, nHeight, sx, sy, nWidth, nHeight};
        if (!ResolveForDevice(lpDstSD, lpSrcSD, r)) return;
        if (QuadPath(lpDstSD, lpSrcSD)) {
            TLVERTEX v[4];
            DDFxQuadVertices(v, 0, 0, nWidth, nHeight, lpSrcSD, r.sx, r.sy, r.sw, r.sh, lpDTCon->dwDiffuse);
            const double sn = std::sin(theta), cs = std::cos(theta);
            const double ox = x - 0.5 + (nPivotX - nWidth / 2), oy = y - 0.5 + (nPivotY - nHeight / 2);
            const int cx[4] = {0, 0, nWidth, nWidth}, cy[4] = {0, nHeight, 0, nHeight};
            for (int k = 0; k < 4; ++k) {
                const double dx = cx[k] - nPivotX, dy = cy[k] - nPivotY;
                v[k].x = static_cast<float>(ox + dx * cs - dy * sn);
                v[k].y = static_cast<float>(oy + dx * sn + dy * cs);
            }
            const DDFXSTAGE st{lpDTCon->dwColorOp, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                               lpDTCon->dwAlphaOp, D3DTA_TEXTURE, D3DTA_DIFFUSE};
            DDFxDrawQuad(lpDstSD, lpSrcSD, v, st, true);
            return;
        }
    }
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const int bytes = d.bytes;
    const int sn = static_cast<int>(std::sin(theta) * 1024.0),
              cs = static_cast<int>(std::cos(theta) * 1024.0);
    const int isn = static_cast<int>(std::sin(-theta) * 1024.0),
              ics = static_cast<int>(std::cos(-theta) * 1024.0);
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    const int cxs[4] = {0, nWidth - 1, 0, nWidth - 1}, cys[4] = {0, 0, nHeight - 1, nHeight - 1};
    for (int k = 0; k < 4; ++k) {
        const int dx = cxs[k] - nPivotX, dy = cys[k] - nPivotY;
        const int px = nPivotX + ((dx * cs - dy * sn) >> 10), py = nPivotY + ((dx * sn + dy * cs) >> 10);
        if (k == 0 || px < minX) minX = px;
        if (k == 0 || px > maxX) maxX = px;
        if (k == 0 || py < minY) minY = py;
        if (k == 0 || py > maxY) maxY = py;
    }
    minX -= 2, minY -= 2, maxX += 2, maxY += 2;
    for (int py = minY; py <= maxY; ++py) {
        const int dy = py - nPivotY;
        const int ty = y + dy;
        if (ty < 0 || ty >= d.height) continue;
        for (int px = minX; px <= maxX; ++px) {
            const int dx = px - nPivotX;
            const int tx = x + dx;
            if (tx < 0 || tx >= d.width) continue;
            const int u = nPivotX + ((dx * ics - dy * isn) >> 10);
            const int v = nPivotY + ((dy * ics + dx * isn) >> 10);
            if (u < 0 || u >= nWidth || v < 0 || v >= nHeight) continue;
            if (!s.Inside(sx + u, sy + v)) continue;
            const std::uint32_t p = ReadPixel(s.At(sx + u, sy + v), bytes);
            if (dwFlags == 1 && IsTransparent(p, bytes)) continue;
            WritePixel(d.At(tx, ty), bytes, lk.Repack() ? DDFxToScreen16(p) : p);
        }
    }
}

// ---- Translucency and tint ----

void DDBltAlpha(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
                int sy, std::uint32_t dwFlags, const std::uint8_t* lpBlendTable, int nAlpha) {
    if (!lpDstSD || !lpSrcSD) return;
    if (lpDTCon) {
        DDBLTRECT r{x, y, nWidth, nHeight, sx, sy, nWidth, nHeight};
        if (!ResolveForDevice(lpDstSD, lpSrcSD, r)) return;
        if (QuadPath(lpDstSD, lpSrcSD)) {
            if (!ClipQuad(r, lpDstSD, lpSrcSD)) return;
            TLVERTEX v[4];
            const std::uint32_t diffuse =
                static_cast<std::uint32_t>((255 - nAlpha) & 0xFF) << 24 | 0x00FFFFFFu;
            DDFxQuadVertices(v, r.x, r.y, r.w, r.h, lpSrcSD, r.sx, r.sy, r.sw, r.sh, diffuse);
            const DDFXSTAGE st{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                               D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE};
            DDFxDrawQuad(lpDstSD, lpSrcSD, v, st, true);
            return;
        }
    }
    const int bytes = PixelBytes();
    if (bytes == 1 && !lpBlendTable) return;
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const PIXCHANNELS& pc = g_PixChannels;
    const PIXCHANNELS& dc = g_DispChannels;
    const bool screen16 = lpDTCon && bytes == 2 && lpDstSD == &g_BackBuffer && g_DDSettings.nWindowMode == 0;
    auto ch16 = [](std::uint32_t v, int shift, int max) {
        return (v >> shift) & static_cast<std::uint32_t>(max);
    };
    for (int j = 0; j < nHeight; ++j) {
        const int ty = y + j, syy = sy + j;
        if (ty < 0 || ty >= d.height || syy < 0 || syy >= s.height) continue;
        for (int i = 0; i < nWidth; ++i) {
            const int tx = x + i, sxx = sx + i;
            if (tx < 0 || tx >= d.width || sxx < 0 || sxx >= s.width) continue;
            const std::uint32_t sp = ReadPixel(s.At(sxx, syy), bytes);
            std::uint8_t* dptr = d.At(tx, ty);
            const std::uint32_t tp = ReadPixel(dptr, bytes);
            if (bytes == 1) {
                if (dwFlags == 1 && sp == 0) continue;
                WritePixel(dptr, 1, tp == 0 ? sp : lpBlendTable[tp * 256 + sp]);
            } else if (bytes == 4) {
                if (dwFlags == 1 && IsTransparent(sp, 4)) continue;
                const std::uint32_t r = (((sp >> 16) & 0xFF) + ((tp >> 16) & 0xFF)) / 2;
                const std::uint32_t g = (((sp >> 8) & 0xFF) + ((tp >> 8) & 0xFF)) / 2;
                const std::uint32_t b = ((sp & 0xFF) + (tp & 0xFF)) / 2;
                WritePixel(dptr, 4, 0xFF000000u | r << 16 | g << 8 | b);
            } else if (!lpDTCon) {
                if (dwFlags == 1 && IsTransparent(sp, 2)) continue;
                if (tp == (g_dwTransmitPixel & 0xFFFF)) {
                    WritePixel(dptr, 2, sp);
                    continue;
                }
                auto mix = [&](int shift, int max) {
                    if (max <= 0) return 0u;
                    const std::uint32_t m = static_cast<std::uint32_t>(max);
                    const std::uint32_t t = ch16(tp, shift, max) * 255 / m,
                                        sv = ch16(sp, shift, max) * 255 / m;
                    return ((t + sv) / 2 * m / 255) << shift;
                };
                WritePixel(dptr, 2,
                           mix(pc.nShiftR, pc.nMaxR) | mix(pc.nShiftG, pc.nMaxG) | mix(pc.nShiftB, pc.nMaxB));
            } else {
                if (dwFlags == 1 && IsTransparent(sp, 2)) continue;
                const std::uint32_t sr = ch16(sp, pc.nShiftR, pc.nMaxR), sg = ch16(sp, pc.nShiftG, pc.nMaxG),
                                    sb = ch16(sp, pc.nShiftB, pc.nMaxB);
                if (screen16) {
                    const std::uint32_t r = (sr + ch16(tp, dc.nShiftR, dc.nMaxR)) / 2;
                    const std::uint32_t g = (sg * 2 + ch16(tp, dc.nShiftG, dc.nMaxG)) / 2;
                    const std::uint32_t b = (sb + ch16(tp, dc.nShiftB, dc.nMaxB)) / 2;
                    WritePixel(dptr, 2, r << dc.nShiftR | g << dc.nShiftG | b << dc.nShiftB);
                } else {
                    const std::uint32_t r = (sr + ch16(tp, pc.nShiftR, pc.nMaxR)) / 2;
                    const std::uint32_t g = (sg + ch16(tp, pc.nShiftG, pc.nMaxG)) / 2;
                    const std::uint32_t b = (sb + ch16(tp, pc.nShiftB, pc.nMaxB)) / 2;
                    WritePixel(dptr, 2,
                               r << pc.nShiftR | g << pc.nShiftG | b << pc.nShiftB |
                                   static_cast<std::uint32_t>(pc.nMaxA) << pc.nShiftA);
                }
            }
        }
    }
}

void DDBltHalf(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
               int sy, std::uint32_t dwFlags, const std::uint8_t* lpBlendTable) {
    DDBltAlpha(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, dwFlags, lpBlendTable, 128);
}

bool DDBltBlend(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
                int sy, std::uint32_t dwFlags, const PALETTEENTRY* lpPalette,
                const std::uint8_t* lpBlendTable, int nColor, int nCount) {
    if (nCount < 1 || !lpDstSD || !lpSrcSD) return true;
    // Palette entries and the strength tables have fixed sizes.
    const int colour = nColor & 0xFF;
    const int strength = std::min(nCount, 4);
    if (lpDTCon) {
        if (!lpPalette) return true;
        DDBLTRECT r{x, y, nWidth, nHeight, sx, sy, nWidth, nHeight};
        if (!ResolveForDevice(lpDstSD, lpSrcSD, r)) return true;
        const PALETTEENTRY& e = lpPalette[colour];
        if (QuadPath(lpDstSD, lpSrcSD)) {
            static constexpr std::uint32_t kFactor[4] = {0x80, 0x50, 0x30, 0x10};
            if (!ClipQuad(r, lpDstSD, lpSrcSD)) return true;
            const std::uint32_t factor = kFactor[strength - 1] << 24 | std::uint32_t(e.peRed) << 16 |
                                         std::uint32_t(e.peGreen) << 8 | e.peBlue;
            lpDTCon->lpDevice->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
            TLVERTEX v[4];
            DDFxQuadVertices(v, r.x, r.y, r.w, r.h, lpSrcSD, r.sx, r.sy, r.sw, r.sh, lpDTCon->dwDiffuse);
            const DDFXSTAGE st{D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR,
                               D3DTOP_SELECTARG1,       D3DTA_TEXTURE, D3DTA_DIFFUSE};
            DDFxDrawQuad(lpDstSD, lpSrcSD, v, st, true);
            return true;
        }
    }
    const int bytes = PixelBytes();
    if (bytes == 1 && !lpBlendTable) return true;
    if (bytes != 1 && !lpPalette) return true;
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return true;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const PIXCHANNELS& pc = g_PixChannels;
    // The colour in 0-255 per channel.
    std::uint32_t cr = 0, cg = 0, cb = 0;
    if (lpPalette) {
        const PALETTEENTRY& e = lpPalette[colour];
        cr = e.peRed, cg = e.peGreen, cb = e.peBlue;
        if (bytes == 2 && !lpDTCon && pc.nMaxR > 0 && pc.nMaxG > 0 && pc.nMaxB > 0) {
            cr = cr * 255 / pc.nMaxR, cg = cg * 255 / pc.nMaxG, cb = cb * 255 / pc.nMaxB;
        }
    }
    static constexpr double kWeight[4] = {0x80 / 255.0, 0x40 / 255.0, 0x20 / 255.0, 0x10 / 255.0};
    const double a = kWeight[strength - 1];
    auto average = [&](std::uint32_t p, std::uint32_t c) {
        for (int k = 0; k < nCount; ++k)
            p = (p + c) / 2;
        return p;
    };
    auto weigh = [&](std::uint32_t p, std::uint32_t c) {
        return static_cast<std::uint32_t>(p * a + c * (1.0 - a));
    };
    for (int j = 0; j < nHeight; ++j) {
        const int ty = y + j, syy = sy + j;
        if (ty < 0 || ty >= d.height || syy < 0 || syy >= s.height) continue;
        for (int i = 0; i < nWidth; ++i) {
            const int tx = x + i, sxx = sx + i;
            if (tx < 0 || tx >= d.width || sxx < 0 || sxx >= s.width) continue;
            std::uint32_t p = ReadPixel(s.At(sxx, syy), bytes);
            if (dwFlags == 1 && IsTransparent(p, bytes)) continue;
            std::uint8_t* dptr = d.At(tx, ty);
            if (bytes == 1) {
                for (int k = 0; k < nCount; ++k)
                    p = lpBlendTable[p * 256 + static_cast<std::uint32_t>(colour)];
                WritePixel(dptr, 1, p);
            } else if (bytes == 4) {
                std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                if (lpDTCon)
                    r = weigh(r, cr), g = weigh(g, cg), b = weigh(b, cb);
                else
                    r = average(r, cr), g = average(g, cg), b = average(b, cb);
                const std::uint32_t top = lpDTCon ? (p & 0xFF000000u) : (ReadPixel(dptr, 4) & 0xFF000000u);
                WritePixel(dptr, 4, top | r << 16 | g << 8 | b);
            } else {
                auto ch = [&](int shift, int max, std::uint32_t c) -> std::uint32_t {
                    if (max <= 0) return 0;
                    const std::uint32_t m = static_cast<std::uint32_t>(max);
                    const std::uint32_t v = (p >> shift) & m;
                    if (lpDTCon) return std::min(weigh(v, c * m / 255), m) << shift;
                    return (average(v * 255 / m, c) * m / 255) << shift;
                };
                std::uint32_t out = ch(pc.nShiftR, pc.nMaxR, cr) | ch(pc.nShiftG, pc.nMaxG, cg) |
                                    ch(pc.nShiftB, pc.nMaxB, cb);
                if (lpDTCon) out |= p & (static_cast<std::uint32_t>(pc.nMaxA) << pc.nShiftA);
                WritePixel(dptr, 2, lk.Repack() ? DDFxToScreen16(out) : out);
            }
        }
    }
    return true;
}

// ---- Lens, blur, mosaic (pixel paths on both back-ends) ----

void DDBltLens(DDSURFACEDATA* lpDstSD, int x, int y, int nRadius, int nDepth, DDSURFACEDATA* lpSrcSD, int sx,
               int sy, std::uint32_t dwFlags, int nMode) {
    const int R = nRadius, D = nDepth;
    // Both the radius and the depth are lengths.
    if (R < 0 || D < 0 || !lpDstSD || !lpSrcSD) return;
    const double K = std::trunc(std::sqrt(static_cast<double>(R) * R + static_cast<double>(D) * D));
    if (!(D < K)) return;
    lpDstSD = Resolve(lpDstSD);
    lpSrcSD = Resolve(lpSrcSD);
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const int bytes = d.bytes;
    const bool sprite = lpDTCon && bytes == 4 && nMode != 0;
    const bool test = !(lpDTCon && bytes == 2) || dwFlags == 1;
    const double K2 = K * K;
    for (int dy = -R; dy <= R; ++dy) {
        const int ty = y + dy;
        if (ty < 0 || ty >= d.height) continue;
        for (int dx = -R; dx <= R; ++dx) {
            const int tx = x + dx;
            if (tx < 0 || tx >= d.width) continue;
            std::uint8_t* dptr = d.At(tx, ty);
            if (dx * dx + dy * dy > R * R) {
                if (sprite) WritePixel(dptr, 4, 0);
                continue;
            }
            const double q = std::sqrt(K2 - dx * dx - dy * dy);
            int ox = dx, oy = dy;
            if (q != 0.0) {
                ox = static_cast<int>(dx * D / q + 0.5);
                oy = static_cast<int>(dy * D / q + 0.5);
            }
            if (!s.Inside(sx + ox, sy + oy)) {
                if (sprite) WritePixel(dptr, 4, 0);
                continue;
            }
            const std::uint32_t p = ReadPixel(s.At(sx + ox, sy + oy), bytes);
            if (test && IsTransparent(p, bytes)) {
                if (sprite) WritePixel(dptr, 4, 0);
                continue;
            }
            WritePixel(dptr, bytes, lk.Repack() ? DDFxToScreen16(p) : p);
        }
    }
}

void DDBlur(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nRadiusX, int nRadiusY,
            DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags) {
    if (nRadiusX == 0 || nRadiusY == 0 || !lpDstSD || !lpSrcSD) return;
    if (g_DDSettings.nBpp == 8) {
        ECLog("8ビットぼかしは不可能！");
        return;
    }
    if (nRadiusX < 0 || nRadiusY < 0 || nWidth < 1 || nHeight < 1) return;
    lpDstSD = Resolve(lpDstSD);
    lpSrcSD = Resolve(lpSrcSD);
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const int bytes = d.bytes;
    const PIXCHANNELS& pc = g_PixChannels;
    // Channel values of a pixel (three channels) and whether it takes part in the sums.
    auto channels = [&](std::uint32_t p, std::uint32_t* c) {
        if (bytes == 4) {
            c[0] = (p >> 16) & 0xFF, c[1] = (p >> 8) & 0xFF, c[2] = p & 0xFF;
        } else {
            c[0] = (p >> pc.nShiftR) & static_cast<std::uint32_t>(pc.nMaxR);
            c[1] = (p >> pc.nShiftG) & static_cast<std::uint32_t>(pc.nMaxG);
            c[2] = (p >> pc.nShiftB) & static_cast<std::uint32_t>(pc.nMaxB);
        }
    };
    // Summed-area tables of the three channels and of the count of pixels that take part, over the
    // picture with one row and column of zeros in front. The picture is read whole before any target
    // pixel is written.
    const int W = nWidth, H = nHeight;
    const std::size_t stride = static_cast<std::size_t>(W) + 1;
    std::vector<std::uint32_t> sat(stride * (static_cast<std::size_t>(H) + 1) * 4, 0);
    std::vector<std::uint8_t> keep(static_cast<std::size_t>(W) * H, 0);
    std::vector<std::uint32_t> orig(static_cast<std::size_t>(W) * H, 0);
    for (int j = 0; j < H; ++j) {
        std::uint32_t row[4] = {0, 0, 0, 0};
        for (int i = 0; i < W; ++i) {
            const int px = sx + i, py = sy + j;
            std::uint32_t c[3] = {0, 0, 0};
            std::uint32_t n = 0;
            if (s.Inside(px, py)) {
                const std::uint32_t p = ReadPixel(s.At(px, py), bytes);
                orig[static_cast<std::size_t>(j) * W + i] = p;
                if (!(dwFlags == 1 && IsTransparent(p, bytes))) {
                    channels(p, c);
                    n = 1;
                    keep[static_cast<std::size_t>(j) * W + i] = 1;
                }
            }
            row[0] += c[0], row[1] += c[1], row[2] += c[2], row[3] += n;
            const std::size_t at = ((static_cast<std::size_t>(j) + 1) * stride + i + 1) * 4;
            const std::size_t up = (static_cast<std::size_t>(j) * stride + i + 1) * 4;
            for (int k = 0; k < 4; ++k)
                sat[at + k] = sat[up + k] + row[k];
        }
    }
    auto sum = [&](int x0, int y0, int x1, int y1, int k) { // [x0, x1) x [y0, y1)
        auto at = [&](int i, int j) { return sat[(static_cast<std::size_t>(j) * stride + i) * 4 + k]; };
        return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
    };
    for (int j = 0; j < H; ++j) {
        const int ty = y + j;
        if (ty < 0 || ty >= d.height) continue;
        const int y0 = std::max(j - nRadiusY, 0), y1 = std::min(j + nRadiusY, H);
        for (int i = 0; i < W; ++i) {
            const int tx = x + i;
            if (tx < 0 || tx >= d.width) continue;
            if (!keep[static_cast<std::size_t>(j) * W + i]) continue;
            const int x0 = std::max(i - nRadiusX, 0), x1 = std::min(i + nRadiusX, W);
            const std::uint32_t n = sum(x0, y0, x1, y1, 3);
            if (n == 0) continue;
            const std::uint32_t r = sum(x0, y0, x1, y1, 0) / n, g = sum(x0, y0, x1, y1, 1) / n,
                                b = sum(x0, y0, x1, y1, 2) / n;
            std::uint8_t* dptr = d.At(tx, ty);
            if (bytes == 4) {
                const std::uint32_t top = ReadPixel(dptr, 4) & 0xFF000000u;
                WritePixel(dptr, 4, top | r << 16 | g << 8 | b);
            } else if (lk.Repack()) {
                WritePixel(dptr, 2, DDFxToScreen16(r << pc.nShiftR | g << pc.nShiftG | b << pc.nShiftB));
            } else {
                // Only Direct3D's textures have an alpha bit to keep.
                const std::uint32_t alphaMask =
                    lpDTCon ? (static_cast<std::uint32_t>(pc.nMaxA) << pc.nShiftA) & 0xFFFF : 0u;
                const std::uint32_t alpha = ReadPixel(dptr, 2) & alphaMask;
                WritePixel(dptr, 2, alpha | r << pc.nShiftR | g << pc.nShiftG | b << pc.nShiftB);
            }
        }
    }
}

void DDMosaic(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nBlock,
              DDSURFACEDATA* lpSrcSD, int sx, int sy, std::uint32_t dwFlags) {
    // A cell must be at least one pixel wide for the walk to move on.
    if (nBlock < 1 || !lpDstSD || !lpSrcSD) return;
    lpDstSD = Resolve(lpDstSD);
    lpSrcSD = Resolve(lpSrcSD);
    DDFxLockPair lk(lpDstSD, lpSrcSD);
    if (!lk.Ok()) return;
    const DDFxPixels& d = lk.Dst();
    const DDFxPixels& s = lk.Src();
    const int bytes = d.bytes;
    for (int j = 0; j < nHeight; j += nBlock) {
        for (int i = 0; i < nWidth; i += nBlock) {
            if (!s.Inside(sx + i, sy + j)) continue;
            std::uint32_t p = ReadPixel(s.At(sx + i, sy + j), bytes);
            if (dwFlags == 1 && IsTransparent(p, bytes)) continue;
            if (lk.Repack()) p = DDFxToScreen16(p);
            const int ye = std::min(j + nBlock, nHeight), xe = std::min(i + nBlock, nWidth);
            for (int b = j; b < ye; ++b) {
                const int ty = y + b;
                if (ty < 0 || ty >= d.height) continue;
                for (int a = i; a < xe; ++a) {
                    const int tx = x + a;
                    if (tx < 0 || tx >= d.width) continue;
                    WritePixel(d.At(tx, ty), bytes, p);
                }
            }
        }
    }
}
