#include "draw/dd_startup.h"

#include "app/log.h"
#include "platform/window.h"

#include <cstring>

DDSURFACEDATA g_SystemSurfaces[SYSTEM_BITMAP_COUNT];
SURFACEDEF g_SystemSurfaceDefs[SYSTEM_BITMAP_COUNT];

const char* const DD_TEXTURE_FAILURE_TEXT =
    "テクスチャの作成に失敗しました！\nビデオカードの性能が十分ではないかもしれません。\nSystem."
    "iniファイルで「Direct3D=0」に変更してDirect3Dを無効にすれば改善される可能性があります。";

void DDTableFromSystemBitmaps(SURFACEDEF* out, const SYSTEMBITMAP* in, int count) {
    for (int k = 0; k < count; ++k) {
        SURFACEDEF& d = out[k];
        const SYSTEMBITMAP& s = in[k];
        d = SURFACEDEF{};
        if (std::strcmp(s.szFileName, "E") != 0) {
            std::memcpy(d.szFileName, s.szFileName, sizeof d.szFileName);
            d.szFileName[sizeof d.szFileName - 1] = 0;
        }
        d.bColorKey = s.nKey;
        d.nDDMemory = s.nMemory;
        d.nD3DMemory = s.nD3DMemory;
        d.bNoResources = s.nView;
        d.bIndexMap = s.nValue5;
        d.bNoError = s.nOptional;
        d.nMirrorCellW = s.nMirrorCellW;
        d.nMirrorCellH = s.nMirrorCellH;
        d.nWidth = s.nWidth;
        d.nHeight = s.nHeight;
    }
}

bool DDStartUpDisplay(int& bUseD3D, win::HWND hWnd, int nBpp, int bVSync, int nWindowMode) {
    DDTableFromSystemBitmaps(g_SystemSurfaceDefs, SystemBitmapTable, SYSTEM_BITMAP_COUNT);
    auto init = [&] {
        return DDInit(bUseD3D, hWnd, 640, 480, nBpp, bVSync, nWindowMode, 1, 60, bVSync, g_SystemSurfaces,
                      g_SystemSurfaceDefs, SYSTEM_BITMAP_COUNT, 0);
    };
    if (!init()) {
        if (!bUseD3D) {
            ECLog("DDInit失敗");
            return false;
        }
        DDEnd();
        win::ShowWindow(hWnd, true);
        bUseD3D = 0;
        if (!init()) {
            ECLog("DDInit失敗");
            return false;
        }
    }
    if (lpDTCon) lpDTCon->strTexErrMsg = DD_TEXTURE_FAILURE_TEXT;
    DDInstallFrameHooks();
    return true;
}

void DDShutDown() {
    for (auto& sd : g_SystemSurfaces)
        DDReleaseSurface(&sd);
    DDEnd();
}
