// Scenes, render targets, the virtual back buffer, presenting, recovery after a lost device or
// lost surfaces, dialog mode over the display, and the debug text.
#include "app/game_loop.h"
#include "app/log.h"
#include "app/scene.h"
#include "draw/dd_internal.h"
#include "draw/frame_snapshot.h"
#include "platform/gfx/present_sdl.h"
#include "platform/message_box.h"
#include "platform/time.h"
#include "platform/window.h"

#include <cstdio>
#include <cstring>

using namespace gfx;

namespace {

DDFontLostFn g_pfnFontsLost = nullptr;
DDFontRestoreFn g_pfnFontsRestore = nullptr;

void CopyVirBackToScreen() {
    lpDTCon->bCopyVirBack = 1;
    DDSetAlphaOp(D3DTOP_DISABLE);
    DDBlt(&g_BackBuffer, 0, 0, g_VirBackBuffer.nWidth, g_VirBackBuffer.nHeight, &g_VirBackBuffer, 0, 0, 0);
    DDResetAlphaOp();
    lpDTCon->bCopyVirBack = 0;
}

bool HasRealFile(const DDSURFACEDATA* sd) {
    return sd->szFileName[0] && std::strcmp(sd->szFileName, "E") != 0;
}

} // namespace

void DDSetFontRecovery(DDFontLostFn lost, DDFontRestoreFn restore) {
    g_pfnFontsLost = lost;
    g_pfnFontsRestore = restore;
}
void DDFontsLost() {
    if (g_pfnFontsLost) g_pfnFontsLost();
}
void DDFontsRestore() {
    if (g_pfnFontsRestore) g_pfnFontsRestore();
}

gfx::LPDIRECTDRAWPALETTE DDGetDisplayPalette() {
    return g_lpDDCon ? g_lpDDCon->lpPalette : nullptr;
}

bool DDBeginScene() {
    if (!lpDTCon || !lpDTCon->lpDevice) return false;
    if (lpDTCon->bSceneBegun) return true;
    HRESULT hr = lpDTCon->lpDevice->BeginScene();
    if (FAILED(hr)) {
        ReportErr("BeginScene Err %x", static_cast<unsigned>(hr));
        return false;
    }
    lpDTCon->bSceneBegun = 1;
    return true;
}

void DDEndScene() {
    if (!lpDTCon || !lpDTCon->lpDevice || !lpDTCon->bSceneBegun) return;
    lpDTCon->lpDevice->EndScene();
    lpDTCon->bSceneBegun = 0;
}

bool DDSetRenderTarget(int, DDSURFACEDATA* lpSD) {
    if (!lpDTCon || !lpDTCon->lpDevice || !DDIsRenderTarget(lpSD)) return false;
    HRESULT hr = lpDTCon->lpDevice->SetRenderTarget(0, lpSD->lpDT->lpSurface);
    if (FAILED(hr)) {
        ReportErr("SetRenderTarget Err %x (%s)", static_cast<unsigned>(hr), lpSD->szFileName);
        return false;
    }
    return true;
}

void DDSetBackBufferMode(int bOn) {
    if (!lpDTCon) return;
    if (lpDTCon->bVirBackBuffer && !bOn && g_VirBackBuffer.lpDT && g_VirBackBuffer.lpDT->lpSurface)
        CopyVirBackToScreen();
    lpDTCon->bVirBackBuffer = bOn;
    lpDTCon->lpRenderTarget = bOn ? &g_BackBuffer : &g_VirBackBuffer;
    if (lpDTCon->lpRenderTarget->lpDT && lpDTCon->lpRenderTarget->lpDT->lpSurface)
        DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
}

bool DDPresent(int nFrameRate, int, DDSURFACEDATA*) {
    if (!lpDTCon) return true;
    if (lpDTCon->bVirBackBuffer) CopyVirBackToScreen();
    if (!g_DDSettings.bVSync) WaitPresentDue(nFrameRate);
    DDEndScene();
    HRESULT hr = lpDTCon->lpDevice->Present(nullptr, nullptr, nullptr, nullptr);
    if (hr != D3DERR_DEVICELOST) return true;
    if (g_DDSettings.nWindowMode != 1) win::ShowWindow(g_DDSettings.hWnd, false);
    return false;
}

bool DDRestoreSurface() {
    ECLog("Restore In");
    if (!lpDTCon) {
        ECLog("DDではDDRestoreSurfaceは未対応");
        return true;
    }
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    for (DDSURFACEDATA* sd : g_SurfaceList) {
        if (!sd->lpDT || sd->lpDT->nMemoryType == DTMEMORYTYPE_SYSTEM) continue;
        SafeRelease(sd->lpDT->lpTexture);
        SafeRelease(sd->lpDT->lpSurface);
    }
    // The device's own binding would keep the last default-pool texture alive through the reset.
    dev->SetTexture(0, nullptr);
    DDFontsLost();
    if (g_BackBuffer.lpDT) SafeRelease(g_BackBuffer.lpDT->lpSurface);
    if (dev->TestCooperativeLevel() != D3DERR_DEVICENOTRESET) {
        ECLog("復旧失敗…リセット可能な状態ではありません…");
        return false;
    }
    if (FAILED(dev->Reset(&lpDTCon->pp))) return false;
    lpDTCon->bSceneBegun = 0;
    DDSetDefaultRenderStates();
    if (g_BackBuffer.lpDT) dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &g_BackBuffer.lpDT->lpSurface);
    int i = 0;
    for (DDSURFACEDATA* sd : g_SurfaceList) {
        ECLogF("i = %d lpSD->szSurfaceType = %s lpSD->szFileName = %s Size = (%d,%d)", i++, sd->szSurfaceType,
               sd->szFileName, sd->nWidth, sd->nHeight);
        // System-memory surfaces survived the loss and keep what they hold.
        if (!sd->lpDT || sd->lpDT->nMemoryType == DTMEMORYTYPE_SYSTEM) continue;
        const int noRes = sd->lpMirrorSrc != nullptr;
        if (HasRealFile(sd)) {
            if (DDCreateSurfaceFromFile(sd, sd->szFileName, sd->lpDT->bColorKey, g_DDSettings.nBpp,
                                        sd->nMemoryType, sd->lpDT->nMemoryType, noRes,
                                        !sd->lpDT->indexMap.empty(), sd->nMirrorCellW, sd->nMirrorCellH,
                                        1) != 0)
                ECLog("Err");
        } else {
            if (!DDCreateSurface(sd, sd->nWidth, sd->nHeight, sd->lpDT->bColorKey, sd->nMemoryType,
                                 sd->lpDT->nMemoryType, noRes, 1))
                ECLog("Err");
            sd->bLost = 1;
        }
    }
    if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
    DDFontsRestore();
    if (g_DDSettings.nWindowMode != 1) win::ShowWindow(g_DDSettings.hWnd, true);
    ECLog("Restore Out");
    return true;
}

bool DDRestore() {
    if (lpDTCon) {
        ECLog("D3DではDDRestoreは未対応");
        return true;
    }
    auto lost = [](DDSURFACEDATA& sd) {
        return sd.lpDDSide && sd.lpDDSide->lpSurface && sd.lpDDSide->lpSurface->IsLost() == DDERR_SURFACELOST;
    };
    if (lost(g_PrimarySD)) {
        g_PrimarySD.lpDDSide->lpSurface->Restore();
        if (lost(g_BackBuffer)) g_BackBuffer.lpDDSide->lpSurface->Restore();
        const auto& st = g_DDSettings;
        for (int k = 0; k < st.nSystemSD && st.lpSystemSD; ++k) {
            DDSURFACEDATA& sd = st.lpSystemSD[k];
            if (!lost(sd)) continue;
            sd.lpDDSide->lpSurface->Restore();
            if (sd.nMemoryType == 0) {
                if (HasRealFile(&sd))
                    DDReloadSurfaceBitmap(&sd, st.nBpp);
                else
                    sd.bLost = 1;
            }
        }
    }
    if (g_DDSettings.nBpp == 8 && g_lpDDCon && g_lpDDCon->lpPalette)
        g_lpDDCon->lpPalette->SetEntries(0, 0, 256, g_Palette);
    DDFontsRestore();
    return true;
}

bool DDSetDialogMode(int bOn) {
    if (g_DDSettings.nWindowMode == 1) return true;
    if (lpDTCon) {
        if (bOn) {
            DDEndScene();
            if (FAILED(lpDTCon->lpDevice->SetDialogBoxMode(1))) {
                ECLog("D3D_OK != lpDevice->SetDialogBoxMode(TRUE)");
                return false;
            }
            DDShowCursor(true);
            return true;
        }
        DDHideCursorFully();
        return SUCCEEDED(lpDTCon->lpDevice->SetDialogBoxMode(0));
    }
    if (bOn) {
        if (!g_lpDDCon || !g_lpDDCon->lpDD || FAILED(g_lpDDCon->lpDD->FlipToGDISurface())) return false;
        DDShowCursor(true);
        return true;
    }
    DDHideCursorFully();
    return true;
}

int DDMesBox(const char* lpText, const char* lpCaption, win::UINT uType) {
    if (DDSetDialogMode(1)) {
        // The pressed button is passed on, so that a question in full screen can be answered.
        int r = win::MessageBox(g_DDSettings.hWnd, lpText, lpCaption, uType);
        DDSetDialogMode(0);
        return r;
    }
    ECLogF("DDMesBox 失敗! %s, %s", lpText ? lpText : "", lpCaption ? lpCaption : "");
    return 0;
}

void DDPresentDirectDraw(int bSelfTimed) {
    if (lpDTCon || !g_lpDDCon || !g_PrimarySD.lpDDSide || !g_BackBuffer.lpDDSide) return;
    LPDIRECTDRAWSURFACE7 primary = g_PrimarySD.lpDDSide->lpSurface;
    if (!primary) return;
    const auto& st = g_DDSettings;
    // A stage faster than 60 frames a second neither waits for the blank nor flips, so that the display
    // does not cap it.
    const bool fastStage = g_lpGameScene != nullptr && g_SceneManager.g_nFrameRate > 60;
    // The frame loop's own pacing (a whole 16 ms at 60 frames a second) would run the game at 62.5
    // frames a second: every frame but a fast stage's is shown on the blank, by the flip or by a
    // wait before the copy, so that play keeps 60 frames a second in a window and in full screen.
    if (st.nWindowMode == 0) {
        // Full screen flips on the blank unless it presents by copying (self-timed: vertical sync off, or
        // a display slower than the frame rate).
        if (!bSelfTimed && !fastStage) {
            primary->Flip(nullptr, DDFLIP_WAIT);
            return;
        }
        if (!fastStage) g_lpDDCon->lpDD->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        DDBlt(&g_PrimarySD, 0, 0, st.nWidth, st.nHeight, &g_BackBuffer, 0, 0, 0);
        return;
    }
    // A window is always self-timed.
    if (!fastStage) g_lpDDCon->lpDD->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    RECT client{0, 0, st.nWidth, st.nHeight};
    primary->Blt(&client, g_BackBuffer.lpDDSide->lpSurface, nullptr, DDBLT_WAIT, nullptr);
}

void DDInstallFrameHooks() {
    g_DrawingHooks.direct3DActive = [] { return lpDTCon != nullptr && g_DDSettings.bInitialized != 0; };
    g_DrawingHooks.directDrawActive = [] { return g_lpDDCon != nullptr && g_DDSettings.bInitialized != 0; };
    // The frame loop's lost-surface check: the restore (which also redraws every font's glyph sheets)
    // runs only when the primary surface has been lost.
    g_DrawingHooks.restoreSurfaces = [] {
        const DDSURFACEDATA& primary = g_PrimarySD;
        if (!primary.lpDDSide || !primary.lpDDSide->lpSurface ||
            primary.lpDDSide->lpSurface->IsLost() != DDERR_SURFACELOST)
            return true;
        return DDRestore();
    };
    g_DrawingHooks.presentDirect3D = [](int rate) {
        const bool shown = DDPresent(rate, 0, nullptr);
        if (shown) DDSnapshotPresentedFrame();
        return shown;
    };
    g_DrawingHooks.presentDirectDraw = [] {
        DDPresentDirectDraw(g_bSelfTimed);
        DDSnapshotPresentedFrame();
    };
    g_DrawingHooks.repaintDirectDraw = [] {
        if (lpDTCon || !g_lpDDCon || g_DDSettings.nWindowMode != 1) return;
        // The back buffer belongs to the thread that draws the next frame into it: the window shows
        // the last finished frame again instead.
        gfx::PresentLatestFrame(win::GetMainSdlWindow(), true);
    };
    g_DrawingHooks.applyPalette = [] {
        if (lpDTCon || !g_lpDDCon || !g_lpDDCon->lpPalette || !g_PrimarySD.lpDDSide || g_DDSettings.nBpp > 8)
            return;
        g_PrimarySD.lpDDSide->lpSurface->SetPalette(g_lpDDCon->lpPalette);
    };
    g_DrawingHooks.restoreDevice = [] { DDRestoreSurface(); };
}
