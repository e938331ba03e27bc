// Surfaces: blank and from bitmap files, texture sizes, mirrored cells, palette-index maps, the
// live-surface list, the system surfaces, the surface containers and release.
#include "app/checked_containers.h"
#include "app/globals.h"
#include "app/log.h"
#include "app/memory_reserve.h"
#include "draw/dd_internal.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/gdi.h"
#include "platform/messages.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

using namespace gfx;

namespace {

void CopyName(char (&dst)[260], const char* src) {
    std::size_t n = src ? std::strlen(src) : 0;
    if (n > 259) n = 259;
    if (n) std::memcpy(dst, src, n);
    dst[n] = 0;
}

// Whether the last DDCreateSurface of this thread failed for want of memory.
thread_local bool t_bSurfaceMemoryRanOut = false;

// A surface that failed for want of memory is no failing of the display: no box blames it, and the
// caller, which knows what the surface was for, tells the user (as for a DirectDraw surface).
bool MemoryRanOut(HRESULT hr) {
    if (hr == E_OUTOFMEMORY) t_bSurfaceMemoryRanOut = true;
    return hr == E_OUTOFMEMORY;
}

// Shows the texture-failure message when start-up set one, then closes the program.
void FatalTextureFailure() {
    if (lpDTCon && !lpDTCon->strTexErrMsg.empty()) ErrorBoxText(lpDTCon->strTexErrMsg.c_str());
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

bool CreateQuadBuffer(DTSURFACEDATA& t, HRESULT* hrOut) {
    HRESULT hr = lpDTCon->lpDevice->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, D3DFVF_TLVERTEX,
                                                       D3DPOOL_MANAGED, &t.lpVB, nullptr);
    if (hrOut) *hrOut = hr;
    return SUCCEEDED(hr);
}

// Takes the top level of a texture just made, and its description; a failure is reported and its
// code goes to hrOut.
bool TakeTopLevel(DTSURFACEDATA& t, HRESULT* hrOut) {
    const HRESULT hr = t.lpTexture->GetSurfaceLevel(0, &t.lpSurface);
    if (hrOut) *hrOut = hr;
    if (FAILED(hr)) {
        ReportErr("GetSurfaceLevel Err hr = %x", static_cast<unsigned>(hr));
        return false;
    }
    t.lpTexture->GetLevelDesc(0, &t.desc);
    return true;
}

void Unlist(DDSURFACEDATA* lpSD) {
    g_SurfaceList.remove(lpSD);
}

// Releases the Direct3D interfaces a record owns (none when it stands for another record) and takes
// it off the live-surface list.
void ReleaseInterfaces(DDSURFACEDATA* lpSD) {
    DTSURFACEDATA* t = lpSD->lpDT;
    if (!lpSD->lpMirrorSrc) {
        SafeRelease(t->lpTexture);
        SafeRelease(t->lpSpare);
        SafeRelease(t->lpVB);
        SafeRelease(t->lpSystemSurface);
        SafeRelease(t->lpSurface);
    }
    t->lpTexture = nullptr;
    t->lpSpare = nullptr;
    t->lpVB = nullptr;
    t->lpSystemSurface = t->lpSurface = nullptr;
    // Removed by the record's own address: serial numbers can be shared.
    Unlist(lpSD);
}

BitmapObject* LoadBitmapFile(const char* szFile) {
    if (!szFile || !*szFile) return nullptr;
    return static_cast<BitmapObject*>(
        LoadImageA(nullptr, szFile, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

// The definition kept beside a blank surface of a surface container.
SURFACEDEF BlankSurfaceDef(int w, int h, int bColorKey, int nDDMemory, int nD3DMemory, int bNoResources) {
    SURFACEDEF def;
    def.bColorKey = bColorKey;
    def.nDDMemory = nDDMemory;
    def.nD3DMemory = nD3DMemory;
    def.bNoResources = bNoResources;
    def.nWidth = w;
    def.nHeight = h;
    return def;
}

// FNV-1a over a run of bytes, continuing from `h`.
std::uint64_t HashBytes(std::uint64_t h, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

template <class T> std::uint64_t HashValue(std::uint64_t h, const T& v) {
    return HashBytes(h, &v, sizeof v);
}

// What makes the pixels a picture file loads into a DirectDraw surface: the decoded picture, the
// surface's depth, the mirrored cells and the colours a 16-bit load converts with.
std::uint64_t DDPictureFingerprint(const Dib& dib, int nBpp, int nMirrorCellW, int nMirrorCellH) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int v : {dib.width, dib.height, dib.bitCount, dib.stride, nBpp, nMirrorCellW, nMirrorCellH})
        h = HashValue(h, v);
    for (std::uint32_t m : {dib.redMask, dib.greenMask, dib.blueMask})
        h = HashValue(h, m);
    h = HashBytes(h, dib.bits.data(), dib.bits.size());
    for (const PALETTEENTRY& e : dib.colours)
        for (std::uint8_t c : {e.peRed, e.peGreen, e.peBlue})
            h = HashValue(h, c);
    // What a 16-bit load converts the colours with.
    const PIXCHANNELS& c = g_PixChannels;
    for (int v : {c.nShiftR, c.nShiftG, c.nShiftB, c.nMaxR, c.nMaxG, c.nMaxB})
        h = HashValue(h, v);
    h = HashValue(h, g_dwTransmitPixel);
    if (g_lpDDCon)
        for (std::uint8_t v : {g_lpDDCon->rgbTransmit16.rgbtRed, g_lpDDCon->rgbTransmit16.rgbtGreen,
                               g_lpDDCon->rgbTransmit16.rgbtBlue})
            h = HashValue(h, v);
    return h;
}

// The pictures loaded into DirectDraw surfaces, by fingerprint: the pixel store each was loaded into
// and the state it had then. A picture named by several slots is held once; the slot written first
// takes pixels of its own.
struct LoadedPicture {
    std::weak_ptr<const gfx::SurfaceStore> store;
    std::uint64_t version = 0;
};
std::unordered_map<std::uint64_t, LoadedPicture> g_LoadedPictures;

// Gives the surface just made the pixels of a picture loaded before with the same fingerprint,
// when those are still as loaded. 8-bit surfaces take their colours through the palette of the
// moment and are always loaded anew.
bool TakeLoadedPicture(DDSURFACEDATA* lpSD, std::uint64_t fingerprint, int nBpp) {
    if (nBpp == 8) return false;
    const auto it = g_LoadedPictures.find(fingerprint);
    if (it == g_LoadedPictures.end()) return false;
    const std::shared_ptr<const gfx::SurfaceStore> store = it->second.store.lock();
    if (!store || store->version != it->second.version) {
        g_LoadedPictures.erase(it);
        return false;
    }
    return lpSD->lpDDSide->lpSurface->TakePixels(store);
}

void RememberLoadedPicture(const DDSURFACEDATA* lpSD, std::uint64_t fingerprint, int nBpp) {
    if (nBpp == 8) return;
    std::erase_if(g_LoadedPictures, [](const auto& e) { return e.second.store.expired(); });
    std::shared_ptr<const gfx::SurfaceStore> store = lpSD->lpDDSide->lpSurface->StoreToShare();
    g_LoadedPictures[fingerprint] = LoadedPicture{store, store->version};
}

} // namespace

void DDMakeSideRecord(DDSURFACEDATA* lpSD) {
    if (!lpSD) return;
    if (lpDTCon) {
        if (!lpSD->lpDT) lpSD->lpDT = new DTSURFACEDATA();
    } else if (!lpSD->lpDDSide) {
        lpSD->lpDDSide = new DDSIDEDATA();
    }
}

bool DDCheckResult(int code) {
    switch (code) {
    case CREATESURFACE_ERR:
        ECLog("CREATESURFACE_ERR");
        return false;
    case LOADIMAGE_ERR:
        ECLog("LOADIMAGE_ERR");
        return false;
    case SETCOLORKEY_ERR:
        ECLog("SETCOLORKEY_ERR");
        return false;
    default:
        // Any other failure (a failed texture, a failed mirror) is a failure too.
        return code == 0;
    }
}

void DDCloseForSurface(const char* what, int w, int h) {
    // The box and the close find the memory held back for them: a surface that cannot be made
    // mostly found none.
    ReleaseMemoryReserve();
    ReportErrBox("%s（%d×%d）のサーフェスが作成できないため終了します", what, w, h);
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

void DDFitTextureSize(int& w, int& h) {
    if (!lpDTCon) return;
    DDFitTextureSizeRule(w, h, lpDTCon->bPow2 != 0, lpDTCon->bSquareOnly != 0);
}

bool DDCheckTextureSize(int w, int h) {
    if (!lpDTCon) return true;
    const int maxW = static_cast<int>(lpDTCon->caps.MaxTextureWidth);
    const int maxH = static_cast<int>(lpDTCon->caps.MaxTextureHeight);
    bool wideOk = true;
    if (maxW > 0 && w > maxW) {
        ReportErr("このビデオカードでは横幅%dを超える画像はサポートされていません！", maxW);
        wideOk = false;
    }
    if (maxH > 0 && h > maxH) {
        ReportErr("このビデオカードでは縦幅%dを超える画像はサポートされていません！", maxH);
        return false;
    }
    return wideOk;
}

bool DDSurfaceFailedForMemory() {
    return t_bSurfaceMemoryRanOut;
}

bool DDCreateSurface(DDSURFACEDATA* lpSD, int nWidth, int nHeight, int bColorKey, int nDDMemory,
                     int nD3DMemory, int bNoResources, int bRemake) {
    if (!lpSD) return false;
    t_bSurfaceMemoryRanOut = false;
    DDMakeSideRecord(lpSD);
    if (!lpDTCon) {
        if (!g_lpDDCon || !g_lpDDCon->lpDD) return false;
        DDSURFACEDESC2 d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.dwWidth = static_cast<DWORD>(nWidth);
        d.dwHeight = static_cast<DWORD>(nHeight);
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (nDDMemory == 1 ? DDSCAPS_SYSTEMMEMORY : 0);
        SafeRelease(lpSD->lpDDSide->lpSurface);
        LPDIRECTDRAWSURFACE7 s = nullptr;
        int mem = nDDMemory;
        if (HRESULT hr = g_lpDDCon->lpDD->CreateSurface(&d, &s, nullptr); FAILED(hr)) {
            if (nDDMemory == 1) {
                ReportErr("CreateSurface System Err");
                MemoryRanOut(hr);
                return false;
            }
            d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
            if (HRESULT again = g_lpDDCon->lpDD->CreateSurface(&d, &s, nullptr); FAILED(again)) {
                ReportErr("CreateSurface Video -> System Err");
                MemoryRanOut(again);
                return false;
            }
            mem = 1;
        }
        if (bColorKey) {
            DDCOLORKEY key;
            key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = g_dwTransmitPixel;
            if (FAILED(s->SetColorKey(DDCKEY_SRCBLT, &key))) ReportErr("SetColorKey Err");
        }
        lpSD->lpDDSide->lpSurface = s;
        lpSD->nWidth = lpSD->nSurfaceWidth = nWidth;
        lpSD->nHeight = lpSD->nSurfaceHeight = nHeight;
        lpSD->nMemoryType = mem;
        DDFillRect(lpSD, 0, 0, nWidth, nHeight, 0);
        return true;
    }

    DTSURFACEDATA& t = *lpSD->lpDT;
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    if (!bRemake) {
        std::strcpy(lpSD->szSurfaceType, "OffScreen");
        std::strcpy(lpSD->szFileName, "E");
        t.nMemoryType = nD3DMemory;
        // A record created again without a release gives up what it held first.
        ReleaseInterfaces(lpSD);
        t.bColorKey = bColorKey == 1;
        if (!bNoResources) {
            t.dwSerial = lpDTCon->dwSurfaceSerial++;
            HRESULT hr;
            if (!CreateQuadBuffer(t, &hr)) {
                ReportErr("CreateVertexBuffer Err");
                MemoryRanOut(hr);
                return false;
            }
        }
    }
    if (bNoResources) {
        lpSD->nWidth = lpSD->nSurfaceWidth = nWidth;
        lpSD->nHeight = lpSD->nSurfaceHeight = nHeight;
        lpSD->nMemoryType = nDDMemory;
        if (!bRemake) g_SurfaceList.push_back(lpSD);
        return true;
    }
    int w = nWidth, h = nHeight;
    DDFitTextureSize(w, h);
    if (!DDCheckTextureSize(w, h)) ReportErr("上記の理由でテクスチャの描画が失敗する可能性があります。(空)");
    if (t.nMemoryType == DTMEMORYTYPE_VIDEO_NORT) t.nMemoryType = DTMEMORYTYPE_VIDEO_RT;
    if (t.nMemoryType == DTMEMORYTYPE_VIDEO_RT) {
        t.bRenderTarget = 1;
        HRESULT hr = D3DXCreateTexture(dev, w, h, 1, D3DUSAGE_RENDERTARGET, lpDTCon->fmtTexture,
                                       D3DPOOL_DEFAULT, &t.lpTexture);
        if (hr == D3DERR_OUTOFVIDEOMEMORY) {
            ReportErr("VRAM不足のためシステムメモリにテクスチャを作成します。(空)");
            t.nMemoryType = DTMEMORYTYPE_SYSTEM;
        } else if (FAILED(hr)) {
            ReportErr("D3DXCreateTexture Err hr = %x", static_cast<unsigned>(hr));
            MemoryRanOut(hr);
            return false;
        }
    }
    if (t.nMemoryType == DTMEMORYTYPE_SYSTEM && !bRemake) {
        t.bRenderTarget = 0;
        HRESULT hr = D3DXCreateTexture(dev, w, h, 1, D3DUSAGE_DYNAMIC, lpDTCon->fmtTexture, D3DPOOL_SYSTEMMEM,
                                       &t.lpTexture);
        if (FAILED(hr)) {
            ReportErr("D3DXCreateTexture Err hr = %x", static_cast<unsigned>(hr));
            if (!MemoryRanOut(hr)) FatalTextureFailure();
            return false;
        }
    }
    if (!t.lpTexture || !TakeTopLevel(t, nullptr)) return false;
    if (t.nMemoryType == DTMEMORYTYPE_VIDEO_RT && !t.lpSystemSurface) {
        HRESULT hr = dev->CreateOffscreenPlainSurface(t.desc.Width, t.desc.Height, lpDTCon->fmtTexture,
                                                      D3DPOOL_SYSTEMMEM, &t.lpSystemSurface, nullptr);
        if (FAILED(hr)) {
            ReportErr("CreateOffscreenPlainSurface Err hr = %x", static_cast<unsigned>(hr));
            if (!MemoryRanOut(hr)) FatalTextureFailure();
            return false;
        }
    }
    lpSD->nWidth = nWidth;
    lpSD->nHeight = nHeight;
    lpSD->nSurfaceWidth = static_cast<int>(t.desc.Width);
    lpSD->nSurfaceHeight = static_cast<int>(t.desc.Height);
    lpSD->nMemoryType = nDDMemory;
    if (DDSetRenderTarget(0, lpSD)) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, lpDTCon->dwColorKey, 1.0f, 0);
        if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
    }
    if (!bRemake) g_SurfaceList.push_back(lpSD);
    return true;
}

int DDCreateSurfaceFromFile(DDSURFACEDATA* lpSD, const char* szFile, int bColorKey, int nBpp, int nDDMemory,
                            int nD3DMemory, int bNoResources, int bIndexMap, int nMirrorCellW,
                            int nMirrorCellH, int bRemake) {
    if (!lpSD) return LOADIMAGE_ERR;
    if (!szFile) szFile = "";
    if (!lpDTCon) {
        BitmapObject* bmp = LoadBitmapFile(szFile);
        if (!bmp) {
            ECLog(szFile);
            return LOADIMAGE_ERR;
        }
        const int bw = bmp->dib.width, bh = bmp->dib.height;
        const std::uint64_t fingerprint = DDPictureFingerprint(bmp->dib, nBpp, nMirrorCellW, nMirrorCellH);
        DeleteObject(bmp);
        if (!DDCreateSurface(lpSD, bw, bh, bColorKey, nDDMemory, 0, 0, 0)) return CREATESURFACE_ERR;
        if (TakeLoadedPicture(lpSD, fingerprint, nBpp)) {
            if (bIndexMap && nBpp != 8)
                DDBuildPalIndexMap(lpSD->lpDDSide->indexMap, lpSD);
            else
                lpSD->lpDDSide->indexMap.clear();
        } else {
            if (!CopyBitmap(lpSD, szFile, nBpp, bIndexMap, nMirrorCellW, nMirrorCellH)) return LOADIMAGE_ERR;
            RememberLoadedPicture(lpSD, fingerprint, nBpp);
        }
        lpSD->nMirrorCellW = nMirrorCellW;
        lpSD->nMirrorCellH = nMirrorCellH;
        lpSD->nWidth = lpSD->nSurfaceWidth = bw;
        lpSD->nHeight = lpSD->nSurfaceHeight = bh;
        CopyName(lpSD->szFileName, szFile);
        lpSD->nMemoryType = nDDMemory;
        return 0;
    }

    DDMakeSideRecord(lpSD);
    DTSURFACEDATA& t = *lpSD->lpDT;
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    if (!bRemake) {
        std::strcpy(lpSD->szSurfaceType, "OffScreenFromFile");
        CopyName(lpSD->szFileName, szFile);
        t.nMemoryType = nD3DMemory;
        ReleaseInterfaces(lpSD);
        t.bColorKey = bColorKey == 1;
        if (!bNoResources) {
            t.dwSerial = lpDTCon->dwSurfaceSerial++;
            HRESULT hr;
            if (!CreateQuadBuffer(t, &hr)) {
                ReportErr("CreateVertexBuffer Err %x", static_cast<unsigned>(hr));
                return CREATESURFACE_ERR;
            }
        }
    }
    BitmapObject* bmp = LoadBitmapFile(szFile);
    if (!bmp) {
        if (*szFile) ReportErr("LoadImage Err %s", szFile);
        return LOADIMAGE_ERR;
    }
    const int bw = bmp->dib.width, bh = bmp->dib.height;
    DeleteObject(bmp);
    if (bNoResources) {
        lpSD->nWidth = lpSD->nSurfaceWidth = bw;
        lpSD->nHeight = lpSD->nSurfaceHeight = bh;
    } else {
        int w = bw, h = bh;
        DDFitTextureSize(w, h);
        if (!DDCheckTextureSize(w, h))
            ReportErr("上記の理由でテクスチャの描画が失敗する可能性があります。(%s)", szFile);
        const RGBTRIPLE& k = nBpp == 16 ? lpDTCon->rgbTransmit16 : lpDTCon->rgbTransmit;
        // Every picture file is loaded with the colour key: its key-coloured pixels become
        // transparent texels whether or not the surface is drawn as a transparent one. (The picture
        // that gives the transparent colour is read once, before any key is set.)
        const DWORD key = 0xFF000000u | (k.rgbtRed << 16) | (k.rgbtGreen << 8) | k.rgbtBlue;
        if (t.nMemoryType == DTMEMORYTYPE_VIDEO_NORT) {
            ECLog("DDCreateSurfaceFromFile Err DTMEMORYTYPE_VIDEO_NORTの指定は未対応です。"
                  "DTMEMORYTYPE_VIDEO_RTでテクスチャを作成します。");
            t.nMemoryType = DTMEMORYTYPE_VIDEO_RT;
        }
        if (t.nMemoryType == DTMEMORYTYPE_VIDEO_RT) {
            t.bRenderTarget = 0;
            HRESULT hr = D3DXCreateTextureFromFileExA(dev, szFile, w, h, 1, 0, lpDTCon->fmtTexture,
                                                      D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT, key,
                                                      nullptr, nullptr, &t.lpTexture);
            if (hr == D3DERR_OUTOFVIDEOMEMORY) {
                ReportErr("VRAM不足のためシステムメモリにテクスチャを作成します。(%s)", szFile);
                t.nMemoryType = DTMEMORYTYPE_SYSTEM;
            } else if (FAILED(hr)) {
                ReportErr("テクスチャの作成に失敗。(%s)", szFile);
                return hr;
            }
        }
        if (t.nMemoryType == DTMEMORYTYPE_SYSTEM && !bRemake) {
            t.bRenderTarget = 0;
            HRESULT hr = D3DXCreateTextureFromFileExA(
                dev, szFile, w, h, 1, D3DUSAGE_DYNAMIC, lpDTCon->fmtTexture, D3DPOOL_SYSTEMMEM,
                D3DX_FILTER_NONE, D3DX_DEFAULT, key, nullptr, nullptr, &t.lpTexture);
            if (FAILED(hr)) {
                ReportErr("D3DXCreateTextureFromFileEx Err %x %s", static_cast<unsigned>(hr), szFile);
                FatalTextureFailure();
                return hr;
            }
        }
        if (!t.lpTexture) return LOADIMAGE_ERR;
        if (HRESULT hr = D3D_OK; !TakeTopLevel(t, &hr)) return hr;
        lpSD->nWidth = bw;
        lpSD->nHeight = bh;
        lpSD->nSurfaceWidth = static_cast<int>(t.desc.Width);
        lpSD->nSurfaceHeight = static_cast<int>(t.desc.Height);
        if (nMirrorCellW || nMirrorCellH) {
            DDSURFACEDATA temp;
            int r = DDCreateSurfaceFromFile(&temp, szFile, bColorKey, nBpp, nDDMemory, nD3DMemory, 0,
                                            bIndexMap, 0, 0, 0);
            bool ok = r == 0 && DDMakeMirror(lpSD, &temp, nMirrorCellW, nMirrorCellH);
            // The temporary record is released on every path.
            DDReleaseSurface(&temp);
            if (!ok) {
                ReportErr("CreateMirror Err");
                return 1;
            }
        }
    }
    if (!bRemake) g_SurfaceList.push_back(lpSD);
    lpSD->nMirrorCellW = nMirrorCellW;
    lpSD->nMirrorCellH = nMirrorCellH;
    lpSD->nMemoryType = nDDMemory;
    if (bIndexMap && nBpp != 8 && !bNoResources)
        DDBuildPalIndexMap(t.indexMap, lpSD);
    else
        t.indexMap.clear();
    return 0;
}

bool CopyBitmap(DDSURFACEDATA* lpSD, const char* szFile, int nBpp, int bIndexMap, int nMirrorCellW,
                int nMirrorCellH) {
    if (lpDTCon || !szFile || !*szFile) return true;
    if (!DDHasSurface(lpSD)) return false;
    BitmapObject* bmp = LoadBitmapFile(szFile);
    if (!bmp) return false;
    const Dib& dib = bmp->dib;
    LPDIRECTDRAWSURFACE7 surf = lpSD->lpDDSide->lpSurface;
    if (nBpp == 16 && (dib.bitCount == 24 || dib.bitCount == 32)) {
        DDSURFACEDESC2 desc;
        void* bits = nullptr;
        if (DDLock(lpSD, &desc, &bits, nBpp) && bits) {
            const PIXCHANNELS& c = g_PixChannels;
            const RGBTRIPLE key = g_lpDDCon ? g_lpDDCon->rgbTransmit16 : RGBTRIPLE{};
            const int sw = lpSD->nWidth, sh = lpSD->nHeight;
            for (int y = 0; y < dib.height && y < sh; ++y) {
                auto* row =
                    reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(bits) + y * desc.lPitch);
                for (int x = 0; x < dib.width; ++x) {
                    const std::uint32_t argb = dib.PixelArgb(x, y);
                    const std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
                    std::uint32_t v;
                    if (r == key.rgbtRed && g == key.rgbtGreen && b == key.rgbtBlue) {
                        v = g_dwTransmitPixel;
                    } else {
                        v = ((r * c.nMaxR / 255) << c.nShiftR | (g * c.nMaxG / 255) << c.nShiftG |
                             (b * c.nMaxB / 255) << c.nShiftB) &
                            0xFFFF;
                        if (v == g_dwTransmitPixel)
                            v = ((v >> c.nShiftB) & c.nMaxB) == std::uint32_t(c.nMaxB) ? v - 1 : v + 1;
                    }
                    int tx = x;
                    if (nMirrorCellW) tx = (x / nMirrorCellW + 1) * nMirrorCellW - x % nMirrorCellW - 1;
                    if (tx < 0 || tx >= sw) continue;
                    row[tx] = static_cast<std::uint16_t>(v);
                }
            }
            surf->Unlock(nullptr);
        }
    } else {
        HDC dc = nullptr;
        if (SUCCEEDED(surf->GetDC(&dc))) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, bmp);
            if (!nMirrorCellW && !nMirrorCellH) {
                BitBlt(dc, 0, 0, dib.width, dib.height, mem, 0, 0, SRCCOPY);
            } else {
                const int cw = nMirrorCellW ? nMirrorCellW : dib.width;
                const int ch = nMirrorCellH ? nMirrorCellH : dib.height;
                for (int cy = 0; cy < dib.height; cy += ch) {
                    for (int cx = 0; cx < dib.width; cx += cw) {
                        const int sx = nMirrorCellW ? cx + cw - 1 : cx;
                        const int sy = nMirrorCellH ? cy + ch - 1 : cy;
                        StretchBlt(dc, cx, cy, cw, ch, mem, sx, sy, nMirrorCellW ? -cw : cw,
                                   nMirrorCellH ? -ch : ch, SRCCOPY);
                    }
                }
            }
            SelectObject(mem, old);
            DeleteDC(mem);
            surf->ReleaseDC(dc);
        }
    }
    if (lpSD->nWidth != dib.width || lpSD->nHeight != dib.height)
        ECLogF("CopyBitmap Err %s Surface(%d,%d) Bmp(%d,%d)", szFile, lpSD->nWidth, lpSD->nHeight, dib.width,
               dib.height);
    DeleteObject(bmp);
    if (bIndexMap && nBpp != 8)
        DDBuildPalIndexMap(lpSD->lpDDSide->indexMap, lpSD);
    else
        lpSD->lpDDSide->indexMap.clear();
    return true;
}

bool DDReloadSurfaceBitmap(DDSURFACEDATA* lpSD, int nBpp) {
    if (lpDTCon) return true;
    if (!lpSD || !lpSD->lpDDSide) return false;
    return CopyBitmap(lpSD, lpSD->szFileName, nBpp, !lpSD->lpDDSide->indexMap.empty(), lpSD->nMirrorCellW,
                      lpSD->nMirrorCellH);
}

bool DDBuildPalIndexMap(std::vector<std::uint8_t>& map, DDSURFACEDATA* lpSD) {
    if (!lpSD) return false;
    const int rowLen = std::max(lpSD->nSurfaceWidth, lpSD->nWidth);
    const int rows = std::max(lpSD->nSurfaceHeight, lpSD->nHeight);
    // Unmatched pixels read as index 0.
    map.assign(static_cast<std::size_t>(rowLen) * rows, 0);
    cSurfaceLock lock;
    if (!lock.Lock(lpSD)) return false;
    const int bpp = g_DDSettings.nBpp;
    const bool transparent16 = lpSD->lpDT ? lpSD->lpDT->bColorKey != 0 : false;
    const PIXCHANNELS& c = g_PixChannels;
    for (int y = 0; y < lpSD->nHeight; ++y) {
        const std::uint8_t* row = lock.Bits() + static_cast<std::size_t>(y) * lock.PitchBytes();
        for (int x = 0; x < lpSD->nWidth; ++x) {
            int r, g, b;
            if (bpp == 16) {
                const std::uint32_t p = reinterpret_cast<const std::uint16_t*>(row)[x];
                if (transparent16 && p == 0) {
                    map[static_cast<std::size_t>(y) * rowLen + x] = 0;
                    continue;
                }
                r = static_cast<int>(((p >> c.nShiftR) & c.nMaxR) * 255 / std::max(1, c.nMaxR));
                g = static_cast<int>(((p >> c.nShiftG) & c.nMaxG) * 255 / std::max(1, c.nMaxG));
                b = static_cast<int>(((p >> c.nShiftB) & c.nMaxB) * 255 / std::max(1, c.nMaxB));
            } else if (bpp == 24) {
                b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
            } else if (bpp == 32) {
                b = row[x * 4], g = row[x * 4 + 1], r = row[x * 4 + 2];
            } else {
                continue;
            }
            for (int i = 0; i < 256; ++i) {
                const PALETTEENTRY& e = g_BasePalette[i];
                if (e.peRed == r && e.peGreen == g && e.peBlue == b) {
                    map[static_cast<std::size_t>(y) * rowLen + x] = static_cast<std::uint8_t>(i);
                    break;
                }
            }
        }
    }
    return true;
}

bool DDMakeMirror(DDSURFACEDATA* lpSD, DDSURFACEDATA* lpSrcSD, int nCellW, int nCellH) {
    if (!lpDTCon || nCellW == 0 || nCellH != 0) return true;
    if (!lpSD || !lpSrcSD) return false;
    if (DDSetRenderTarget(0, lpSD)) {
        lpDTCon->lpDevice->Clear(0, nullptr, D3DCLEAR_TARGET, lpDTCon->dwIndex0Color, 1.0f, 0);
        if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
    }
    const int cells = lpSrcSD->nWidth / nCellW;
    for (int i = 0; i < cells; ++i)
        DDBltStretch(lpSD, i * nCellW, 0, nCellW, lpSrcSD->nHeight, lpSrcSD, (i + 1) * nCellW, 0, -nCellW,
                     lpSrcSD->nHeight, 0);
    return true;
}

bool DDLoadSystemSurfaces(DDSURFACEDATA* lpArray, const int* lpIndexList, int nCount) {
    const SURFACEDEF* table = g_DDSettings.lpCreateTable;
    const int tableCount = g_DDSettings.nSystemSD;
    if (!lpArray || !table) return false;
    for (int n = 0; n < nCount; ++n) {
        // A close stops a long load between two pictures: shut-down waits for this thread, and
        // what is not loaded yet is never needed.
        if (win::IsAborting()) return false;
        const int k = lpIndexList[n];
        // An entry outside the table is refused instead of read.
        if (k < 0 || k >= tableCount) {
            ReportBadIndex('V', k, tableCount, sizeof(SURFACEDEF));
            return false;
        }
        DDSURFACEDATA* sd = &lpArray[k];
        const SURFACEDEF& def = table[k];
        DDReleaseSurface(sd);
        if (def.szFileName[0] && std::strcmp(def.szFileName, "E") != 0) {
            int r = DDCreateSurfaceFromFile(sd, def.szFileName, def.bColorKey, g_DDSettings.nBpp,
                                            def.nDDMemory, def.nD3DMemory, def.bNoResources, def.bIndexMap,
                                            def.nMirrorCellW, def.nMirrorCellH, 0);
            if (!DDCheckResult(r) && !def.bNoError) {
                if (gfx::PictureLoadRanOutOfMemory() || DDSurfaceFailedForMemory())
                    OutOfMemory();
                else
                    ErrorBox("%s の読み込みに失敗！", def.szFileName);
                return false;
            }
        } else if (def.nWidth < 1 || def.nHeight < 1) {
            // A picture slot left without a file (a stage with fewer pictures, a world map without a
            // background) has nothing to make: it stays released, as a picture whose file is missing.
            continue;
        } else {
            if (!DDCreateSurface(sd, def.nWidth, def.nHeight, def.bColorKey, def.nDDMemory, def.nD3DMemory,
                                 def.bNoResources, 0) &&
                !def.bNoError) {
                OutOfMemory();
                return false;
            }
        }
    }
    return true;
}

bool DDCheckBitmapSize(int& bTooLarge, const char* szFile, int nMaxW, int nMaxH) {
    if (lpDTCon) return true;
    BitmapObject* bmp = LoadBitmapFile(szFile);
    if (!bmp) {
        bTooLarge = 0;
        return false;
    }
    bTooLarge = (bmp->dib.width > nMaxW || bmp->dib.height > nMaxH) ? 1 : 0;
    DeleteObject(bmp);
    return true;
}

void DDReleaseSurface(DDSURFACEDATA* lpSD) {
    if (!lpSD) return;
    if (lpSD->lpDT) {
        DTSURFACEDATA* t = lpSD->lpDT;
        ReleaseInterfaces(lpSD);
        delete t;
        lpSD->lpDT = nullptr;
    }
    if (lpSD->lpDDSide) {
        SafeRelease(lpSD->lpDDSide->lpSurface);
        delete lpSD->lpDDSide;
        lpSD->lpDDSide = nullptr;
    }
}

bool DDCreateSurfaceVec(DDSurfaceVec& vecSD, DDSurfaceDefVec& vecDef, int w, int h, int bColorKey,
                        int nDDMemory, int nD3DMemory, int bNoResources) {
    DDSURFACEDATA& sd = vecSD.push_back(DDSURFACEDATA{});
    vecDef.push_back(BlankSurfaceDef(w, h, bColorKey, nDDMemory, nD3DMemory, bNoResources));
    if (!DDCreateSurface(&sd, w, h, bColorKey, nDDMemory, nD3DMemory, bNoResources, 0))
        ECLogF("DDCreateSurfaceVec Err (%d,%d)", w, h);
    return true;
}

bool DDCreateSurfaceList(DDSurfaceList& listSD, DDSurfaceDefList& listDef, int w, int h, int bColorKey,
                         int nDDMemory, int nD3DMemory, int bNoResources) {
    DDSURFACEDATA& sd = listSD.emplace_back();
    listDef.push_back(BlankSurfaceDef(w, h, bColorKey, nDDMemory, nD3DMemory, bNoResources));
    if (!DDCreateSurface(&sd, w, h, bColorKey, nDDMemory, nD3DMemory, bNoResources, 0))
        ECLogF("DDCreateSurfaceList Err (%d,%d)", w, h);
    return true;
}

int DDRemoveSurface(DDSurfaceList& listSD, DDSurfaceDefList& listDef, DDSURFACEDATA* lpSD) {
    int k = 0;
    for (auto it = listSD.begin(); it != listSD.end(); ++it, ++k) {
        if (&*it != lpSD) continue;
        DDReleaseSurface(&*it);
        listSD.erase(it);
        if (k < static_cast<int>(listDef.size())) {
            auto d = listDef.begin();
            std::advance(d, k);
            listDef.erase(d);
        }
        return 1;
    }
    return 0;
}

void DDReleaseSurfaceVec(DDSurfaceVec& vec) {
    for (auto& sd : vec)
        DDReleaseSurface(&sd);
}

void DDReleaseSurfaceList(DDSurfaceList& list) {
    for (auto& sd : list)
        DDReleaseSurface(&sd);
}
