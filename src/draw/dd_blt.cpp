// Blits on both back-ends (device quads, recorded quads and the pixel path), pixel access to
// surfaces, and the draw batch.
#include "app/log.h"
#include "draw/dd_internal.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace gfx;

namespace {

// A group of the batch is drawn in parts of at most this many quads (a part's rectangles are
// checked against each other for overlaps).
constexpr std::size_t kBatchPart = 64;

// The draw batch (Direct3D only).
struct cDrawBatch {
    bool bActive = false;
    bool bSort = false;
    std::int32_t nCounter = 0;
    std::vector<DDBATCHCMD> cmds;
    std::vector<std::pair<DDSURFACEDATA*, std::int32_t>> keys;
    std::array<TLVERTEX, kBatchPart * 4> quads; // a part's vertices, four a quad
};
cDrawBatch g_Batch;

void SetStageStates(LPDIRECT3DDEVICE9 dev, DWORD colorOp, DWORD alphaOp) {
    dev->SetTextureStageState(0, D3DTSS_COLOROP, colorOp);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

// An opaque copy of a colour-keyed texture leaves the transparent colour where the texture is
// transparent (opaque on BackBuffer, fully transparent elsewhere).
bool KeysUnder(const DDBATCHCMD& c) {
    const int bpp = g_DDSettings.nBpp;
    return c.dwFlags == 0 && c.lpSrcSD->lpDT->bColorKey && (bpp == 16 || bpp == 32);
}

DWORD KeyUnder(const DDBATCHCMD& c) {
    return c.lpDstSD == &g_BackBuffer ? DDScreenKeyColour() : 0u;
}

// Before an opaque copy of a colour-keyed texture: the target rectangle takes the transparent colour.
void ClearForOpaqueKeyed(const DDBATCHCMD& c) {
    DDClearRect(c.rect.x, c.rect.y, c.rect.w, c.rect.h, KeyUnder(c));
}

// Whether a rectangle of the group overlaps one drawn before it. The group's rectangles are cleared
// together before any is drawn, so where they overlap a later copy shows the earlier one through its
// transparent texels; only groups without overlaps are drawn in one pass each.
bool RectsOverlap(const DDBATCHCMD* cmds, std::size_t n) {
    for (std::size_t k = 1; k < n; ++k)
        for (std::size_t j = 0; j < k; ++j) {
            const DDBLTRECT &a = cmds[j].rect, &b = cmds[k].rect;
            if (a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h) return true;
        }
    return false;
}

// Fills a command in place, its rectangles given and clipped where it is kept (a batch's is made
// where the batch keeps it, not copied there). False, and the command is not to be drawn, when the
// clip leaves nothing.
bool FillCommand(DDBATCHCMD& c, DDSURFACEDATA* dst, DDSURFACEDATA* src, std::uint32_t flags) {
    if (!DDClipBlt(c.rect, dst->nWidth, dst->nHeight, src->nWidth, src->nHeight, true)) return false;
    c.lpDstSD = dst;
    c.lpSrcSD = src;
    c.dwFlags = flags;
    c.dwDiffuse = lpDTCon->dwDiffuse;
    c.dwColorOp = lpDTCon->dwColorOp;
    c.dwAlphaOp = lpDTCon->dwAlphaOp;
    c.dwReserved = 0;
    return true;
}

void DrawImmediate(const DDBATCHCMD& c) {
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    DTSURFACEDATA* s = c.lpSrcSD->lpDT;
    if (!s->lpTexture) return;
    TLVERTEX quad[4];
    DDBuildQuad(quad, c);
    if (!DDBeginScene() || !DDSetRenderTarget(0, c.lpDstSD)) return;
    // The transparent colour goes under the copy in the same pass.
    const bool under = KeysUnder(c);
    const DWORD key = KeyUnder(c);
    if (under) dev->SetUnderColour(&key);
    SetStageStates(dev, c.dwColorOp, c.dwAlphaOp);
    dev->SetTexture(0, s->lpTexture);
    dev->DrawQuadStrips(quad, 1);
    if (under) dev->SetUnderColour(nullptr);
    if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
}

// Pixel path: surfaces the device cannot draw into, and system-memory sources.
void CopyPixels(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw,
                int sh, std::uint32_t flags) {
    const int bpp = g_DDSettings.nBpp;
    if (bpp != 16 && bpp != 32) return;
    if (w < 1 || h < 1 || sw == 0 || sh == 0) return;
    cSurfaceLock dl(dst);
    cSurfaceLock sl(src);
    if (!dl.Locked() || !sl.Locked()) {
        sl.Unlock();
        return;
    }
    const bool same = w == sw && h == sh;
    const double fx = static_cast<double>(sw) / w, fy = static_cast<double>(sh) / h;
    const bool repack = bpp == 16 && dst == &g_BackBuffer && g_DDSettings.nWindowMode == 0;
    const PIXCHANNELS& pc = g_PixChannels;
    const PIXCHANNELS& dc = g_DispChannels;
    for (int j = 0; j < h; ++j) {
        const int ty = y + j;
        if (ty < 0 || ty >= dst->nHeight) continue;
        const int syy = same ? sy + j : sy + static_cast<int>(j * fy);
        if (syy < 0 || syy >= src->nHeight) continue;
        std::uint8_t* drow = dl.Bits() + static_cast<std::size_t>(ty) * dl.PitchBytes();
        const std::uint8_t* srow = sl.Bits() + static_cast<std::size_t>(syy) * sl.PitchBytes();
        for (int i = 0; i < w; ++i) {
            const int tx = x + i;
            if (tx < 0 || tx >= dst->nWidth) continue;
            int sxx;
            if (same) {
                sxx = sx + i;
            } else {
                int it = static_cast<int>(i * fx);
                if (sw > 0) {
                    if (it < 0 || it >= sw) continue;
                } else {
                    if (!(sw < it && it <= 0)) continue;
                    it -= 1;
                }
                sxx = sx + it;
            }
            if (sxx < 0 || sxx >= src->nWidth) continue;
            if (bpp == 32) {
                const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(srow)[sxx];
                if (flags == 1 && (p >> 24) == 0) continue;
                reinterpret_cast<std::uint32_t*>(drow)[tx] = p;
            } else {
                std::uint32_t p = reinterpret_cast<const std::uint16_t*>(srow)[sxx];
                // A 16-bit texel is transparent when neither bit 15 nor bit 13 is set.
                if (flags == 1 && !(p & TEXEL16_OPAQUE_BITS)) continue;
                if (repack) {
                    p = ((p >> pc.nShiftR) & pc.nMaxR) << dc.nShiftR |
                        ((p >> pc.nShiftG) & pc.nMaxG) << (dc.nShiftG + 1) |
                        ((p >> pc.nShiftB) & pc.nMaxB) << dc.nShiftB;
                }
                reinterpret_cast<std::uint16_t*>(drow)[tx] = static_cast<std::uint16_t>(p);
            }
        }
    }
    sl.Unlock();
    dl.Unlock();
}

} // namespace

void DDBuildQuad(TLVERTEX* v, const DDBATCHCMD& c) {
    const DDBLTRECT& r = c.rect;
    const float x0 = static_cast<float>(r.x) - 0.5f, y0 = static_cast<float>(r.y) - 0.5f;
    const float x1 = static_cast<float>(r.x + r.w) - 0.5f, y1 = static_cast<float>(r.y + r.h) - 0.5f;
    const float aw = static_cast<float>(std::max(1, c.lpSrcSD->nSurfaceWidth));
    const float ah = static_cast<float>(std::max(1, c.lpSrcSD->nSurfaceHeight));
    const float u0 = static_cast<float>(r.sx) / aw, u1 = static_cast<float>(r.sx + r.sw) / aw;
    const float v0 = static_cast<float>(r.sy) / ah, v1 = static_cast<float>(r.sy + r.sh) / ah;
    v[0] = {x0, y0, 0.0f, 1.0f, c.dwDiffuse, u0, v0};
    v[1] = {x0, y1, 0.0f, 1.0f, c.dwDiffuse, u0, v1};
    v[2] = {x1, y0, 0.0f, 1.0f, c.dwDiffuse, u1, v0};
    v[3] = {x1, y1, 0.0f, 1.0f, c.dwDiffuse, u1, v1};
}

void DDClearRect(int x, int y, int w, int h, std::uint32_t argb) {
    D3DRECT r{x, y, x + w, y + h};
    lpDTCon->lpDevice->Clear(1, &r, D3DCLEAR_TARGET, argb, 1.0f, 0);
}

bool cSurfaceLock::Lock(DDSURFACEDATA* lpSD) {
    Unlock();
    if (!lpSD) return false;
    const int bytesPP = std::max(1, g_DDSettings.nBpp / 8);
    if (lpDTCon) {
        DTSURFACEDATA* t = lpSD->lpDT;
        if (!t || !t->lpSurface) return false;
        D3DLOCKED_RECT lr;
        if (lpSD == &g_BackBuffer || !t->bRenderTarget) {
            if (FAILED(t->lpSurface->LockRect(&lr, nullptr, 0))) {
                DebugErrorBox("FAILED( lpSD->lpDT->lpSurface->LockRect(&(lock), NULL, 0) )");
                return false;
            }
            m_lpLocked = t->lpSurface;
        } else {
            if (!t->lpSystemSurface ||
                FAILED(lpDTCon->lpDevice->GetRenderTargetData(t->lpSurface, t->lpSystemSurface))) {
                ECLog("FAILED( "
                      "lpDevice->GetRenderTargetData(lpSD->lpDT->lpSurface,lpSD->lpDT->lpSystemSurface) )");
                return false;
            }
            if (FAILED(t->lpSystemSurface->LockRect(&lr, nullptr, 0))) {
                ECLog("FAILED( lpSD->lpDT->lpSystemSurface->LockRect(&lock, NULL, 0) )");
                return false;
            }
            m_lpLocked = t->lpSystemSurface;
        }
        m_pBits = lr.pBits;
        m_nPitchBytes = lr.Pitch;
    } else {
        DDSURFACEDESC2 desc;
        void* bits = nullptr;
        if (!DDLock(lpSD, &desc, &bits, g_DDSettings.nBpp) || !bits) return false;
        m_pBits = bits;
        m_nPitchBytes = desc.lPitch;
    }
    m_lpSD = lpSD;
    m_nPitchPixels = m_nPitchBytes / bytesPP;
    return true;
}

void cSurfaceLock::Unlock() {
    if (!m_lpSD || !m_pBits) {
        m_lpSD = nullptr;
        m_pBits = nullptr;
        return;
    }
    if (!lpDTCon) {
        if (m_lpSD->lpDDSide && m_lpSD->lpDDSide->lpSurface) m_lpSD->lpDDSide->lpSurface->Unlock(nullptr);
    } else if (m_lpSD->lpDT) {
        DTSURFACEDATA* t = m_lpSD->lpDT;
        if (m_lpLocked == t->lpSystemSurface && t->lpSystemSurface) {
            if (FAILED(t->lpSystemSurface->UnlockRect()))
                ECLog("D3D_OK != m_lpSD->lpDT->lpSystemSurface->UnlockRect();");
            if (FAILED(lpDTCon->lpDevice->UpdateSurface(t->lpSystemSurface, nullptr, t->lpSurface, nullptr)))
                DebugErrorBox("FAILED( lpDevice->UpdateSurface(m_lpSD->lpDT->lpSystemSurface, NULL, "
                              "m_lpSD->lpDT->lpSurface, NULL)");
        } else if (t->lpSurface) {
            if (FAILED(t->lpSurface->UnlockRect()))
                ECLog(m_lpSD == &g_BackBuffer ? "Back :: D3D_OK != m_lpSD->lpDT->lpSurface->UnlockRect();"
                                              : "D3D_OK != m_lpSD->lpDT->lpSurface->UnlockRect();");
        }
    }
    m_lpSD = nullptr;
    m_pBits = nullptr;
    m_lpLocked = nullptr;
}

bool DDLock(DDSURFACEDATA* lpSD, DDSURFACEDESC2* lpDDSD, void** lplpBits, int nBpp) {
    if (lpDTCon) {
        ECLog("D3DではDDLockは未対応");
        return true;
    }
    if (!DDHasSurface(lpSD) || !lpDDSD) return false;
    *lpDDSD = DDSURFACEDESC2{};
    if (FAILED(lpSD->lpDDSide->lpSurface->Lock(nullptr, lpDDSD, DDLOCK_WAIT, nullptr))) return false;
    if (lplpBits && (nBpp == 8 || nBpp == 16 || nBpp == 24 || nBpp == 32)) *lplpBits = lpDDSD->lpSurface;
    return true;
}

DDSURFACEDATA* DDSubstitute(DDSURFACEDATA* lpSD) {
    if (lpSD && lpSD->lpMirrorSrc) return lpSD->lpMirrorSrc;
    return lpSD;
}

DDSURFACEDATA* DDRedirect(DDSURFACEDATA* lpSD) {
    if (lpDTCon && lpDTCon->bVirBackBuffer && lpSD == &g_BackBuffer) return &g_VirBackBuffer;
    return lpSD;
}

void DDBlt(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
           int sy, std::uint32_t dwFlags) {
    if (lpDTCon) {
        DDBltStretch(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, nWidth, nHeight, dwFlags);
        return;
    }
    if (!DDHasSurface(lpDstSD) || !DDHasSurface(lpSrcSD)) return;
    if (!DDInsideSameSize(x, y, nWidth, nHeight, sx, sy, lpDstSD->nWidth, lpDstSD->nHeight, lpSrcSD->nWidth,
                          lpSrcSD->nHeight)) {
        DDBLTRECT r{x, y, nWidth, nHeight, sx, sy, nWidth, nHeight};
        if (!DDClipSameSize(r, lpDstSD->nWidth, lpDstSD->nHeight, lpSrcSD->nWidth, lpSrcSD->nHeight)) return;
        x = r.x, y = r.y, sx = r.sx, sy = r.sy, nWidth = r.sw, nHeight = r.sh;
    }
    RECT src{sx, sy, sx + nWidth, sy + nHeight};
    lpDstSD->lpDDSide->lpSurface->BltFast(x, y, lpSrcSD->lpDDSide->lpSurface, &src, dwFlags | DDBLTFAST_WAIT);
}

void DDBltStretch(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                  int sx, int sy, int nSrcWidth, int nSrcHeight, std::uint32_t dwFlags) {
    if (!lpDTCon) {
        if (!DDHasSurface(lpDstSD) || !DDHasSurface(lpSrcSD)) return;
        DDBLTRECT r{x, y, nWidth, nHeight, sx, sy, nSrcWidth, nSrcHeight};
        if (!DDClipBlt(r, lpDstSD->nWidth, lpDstSD->nHeight, lpSrcSD->nWidth, lpSrcSD->nHeight, false))
            return;
        RECT dst{r.x, r.y, r.x + r.w, r.y + r.h};
        RECT src{r.sx, r.sy, r.sx + r.sw, r.sy + r.sh};
        lpDstSD->lpDDSide->lpSurface->Blt(&dst, lpSrcSD->lpDDSide->lpSurface, &src,
                                          DDBLT_WAIT | (dwFlags == 1 ? DDBLT_KEYSRC : 0), nullptr);
        return;
    }
    if (!lpDstSD || !lpSrcSD) return;
    if (lpSrcSD->lpMirrorSrc) {
        DDApplyMirrorRule(sx, nSrcWidth, lpSrcSD->nMirrorCellW);
        DDApplyMirrorRule(sy, nSrcHeight, lpSrcSD->nMirrorCellH);
    }
    DDSURFACEDATA* dst = DDSubstitute(lpDstSD);
    DDSURFACEDATA* src = DDSubstitute(lpSrcSD);
    if (lpDTCon->bCopyVirBack) {
        dst = &g_BackBuffer;
        src = &g_VirBackBuffer;
    } else {
        dst = DDRedirect(dst);
        src = DDRedirect(src);
    }
    if (!dst->lpDT || !src->lpDT) return;
    if (DDIsRenderTarget(dst) && src->lpDT->nMemoryType != DTMEMORYTYPE_SYSTEM) {
        const DDBLTRECT r{x, y, nWidth, nHeight, sx, sy, nSrcWidth, nSrcHeight};
        if (g_Batch.bActive) {
            DDBATCHCMD& c = g_Batch.cmds.emplace_back();
            c.rect = r;
            if (!FillCommand(c, dst, src, dwFlags)) {
                g_Batch.cmds.pop_back();
                return;
            }
            if (g_Batch.bSort) {
                for (auto& k : g_Batch.keys)
                    if (k.first == src) c.nRegKey = k.second;
            }
            c.nSortKey = g_Batch.nCounter + c.nRegKey;
            ++g_Batch.nCounter;
            return;
        }
        DDBATCHCMD c;
        c.rect = r;
        if (FillCommand(c, dst, src, dwFlags)) DrawImmediate(c);
        return;
    }
    CopyPixels(dst, x, y, nWidth, nHeight, src, sx, sy, nSrcWidth, nSrcHeight, dwFlags);
}

void DDBltEx(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
             int sy, std::uint32_t dwFlags, const std::uint32_t* lpParam) {
    if (lpDTCon)
        DDBltStretchEx(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, nWidth, nHeight, dwFlags, lpParam);
    else
        DDBlt(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, dwFlags);
}

void DDBltStretchEx(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                    int sx, int sy, int nSrcWidth, int nSrcHeight, std::uint32_t dwFlags,
                    const std::uint32_t* lpParam) {
    if (lpDTCon && lpParam) {
        DDSetDrawColor(lpParam[0]);
        DDSetColorOp(lpParam[1]);
        DDBltStretch(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, nSrcWidth, nSrcHeight, dwFlags);
        DDResetDrawColor();
        DDResetColorOp();
        return;
    }
    DDBltStretch(lpDstSD, x, y, nWidth, nHeight, lpSrcSD, sx, sy, nSrcWidth, nSrcHeight, dwFlags);
}

void DDBeginBatch(int bSort) {
    if (!lpDTCon) return;
    g_Batch.bActive = true;
    g_Batch.bSort = bSort != 0;
    g_Batch.cmds.clear();
    g_Batch.keys.clear();
    g_Batch.nCounter = 0;
}

void DDBatchAddSurface(DDSURFACEDATA* lpSD) {
    if (!lpDTCon || !g_Batch.bActive || !g_Batch.bSort || !lpSD) return;
    lpSD = DDRedirect(DDSubstitute(lpSD));
    for (auto& k : g_Batch.keys)
        if (k.first == lpSD) return;
    const auto n = static_cast<std::int32_t>(g_Batch.keys.size());
    g_Batch.keys.emplace_back(lpSD, (n + 1) * 100000);
}

void DDEndBatch() {
    auto& b = g_Batch;
    if (!lpDTCon || b.cmds.empty()) {
        b.bActive = false;
        b.cmds.clear();
        b.keys.clear();
        b.nCounter = 0;
        return;
    }
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    if (b.bSort) DDSortBatch(b.cmds);
    // After a part the render target goes back to the frame's own. Once that has succeeded it always
    // does (nothing here changes either surface), and every part sets its own target before it draws:
    // later parts leave it owed to the end of the batch.
    DDSURFACEDATA* const home = lpDTCon->lpRenderTarget;
    bool homeSets = false, owed = false;
    std::size_t i = 0;
    while (i < b.cmds.size()) {
        const std::size_t n = std::min(DDBatchGroupLength(b.cmds, i), kBatchPart);
        const DDBATCHCMD& first = b.cmds[i];
        for (std::size_t k = 0; k < n; ++k)
            DDBuildQuad(b.quads.data() + k * 4, b.cmds[i + k]);
        if (!DDBeginScene() || !DDSetRenderTarget(0, first.lpDstSD)) {
            i += 1;
            continue;
        }
        // An opaque keyed group takes the transparent colour under each copy in the same pass, unless
        // its rectangles overlap (the group's copies share their target, and so its transparent colour).
        const bool keyed = KeysUnder(first);
        const bool under = keyed && !RectsOverlap(&b.cmds[i], n);
        if (keyed && !under)
            for (std::size_t k = 0; k < n; ++k)
                ClearForOpaqueKeyed(b.cmds[i + k]);
        SetStageStates(dev, first.dwColorOp, first.dwAlphaOp);
        dev->SetTexture(0, first.lpSrcSD->lpDT->lpTexture);
        const DWORD key = KeyUnder(first);
        if (under) dev->SetUnderColour(&key);
        dev->DrawQuadStrips(b.quads.data(), n);
        if (under) dev->SetUnderColour(nullptr);
        if (home && homeSets) {
            owed = true;
        } else if (home) {
            if (!DDSetRenderTarget(0, home)) {
                i += 1;
                continue;
            }
            homeSets = true;
        }
        i += n;
    }
    if (owed) DDSetRenderTarget(0, home);
    b.cmds.clear();
    b.keys.clear();
    b.nCounter = 0;
    b.bActive = false;
}
