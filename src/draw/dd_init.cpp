// Display set-up and shut-down over either back-end, the set-up result codes and the default
// render states.
#include "app/display_report.h"
#include "app/log.h"
#include "draw/dd_internal.h"
#include "platform/gfx/gdi.h"
#include "platform/message_box.h"

#include <cstring>

using namespace gfx;

PIXCHANNELS g_DispChannels;
PIXCHANNELS g_PixChannels;
DTCONTEXT* lpDTCon = nullptr;
DDCONTEXT* g_lpDDCon = nullptr;
std::uint32_t g_dwTransmitPixel = 0;
DDSETTINGS g_DDSettings;
DDSURFACEDATA g_BackBuffer;
DDSURFACEDATA g_VirBackBuffer;
DDSURFACEDATA g_WorkSD;
DDSURFACEDATA g_PrimarySD;
DDSURFACEDATA g_ScreenCopySD;
PALETTEENTRY g_BasePalette[256];
PALETTEENTRY g_Palette[256];
std::list<DDSURFACEDATA*> g_SurfaceList;

namespace {

int g_nCursorCount = 0;

const char* const kInitCodeNames[] = {
    nullptr,
    "CREATEEX_ERR",
    "SETCOOPLEVEL_ERR",
    "SETDISPLAYMODE_ERR",
    "CREATESURFACE_ERR",
    "GETATTACHEDSURFACE_ERR",
    "CREATEPALETTE_ERR",
    "SETPALETTE_ERR",
    "LOADIMAGE_ERR",
    "SETCOLORKEY_ERR",
    "CLIPPER_ERR",
    "SETHWND_ERR",
    "SETCLIPPER_ERR",
};

void SetDDSurface(DDSURFACEDATA& sd, LPDIRECTDRAWSURFACE7 s, int w, int h, int mem) {
    DDMakeSideRecord(&sd);
    sd.lpDDSide->lpSurface = s;
    sd.nWidth = sd.nSurfaceWidth = w;
    sd.nHeight = sd.nSurfaceHeight = h;
    sd.nMemoryType = mem;
}

// Sizes the display records to the settings, creates the DirectDraw object into the context and
// sets its cooperative level; 0, or the code of the step that failed (reported).
int OpenDirectDraw(DWORD coopFlags) {
    const auto& st = g_DDSettings;
    g_PrimarySD.nWidth = g_BackBuffer.nWidth = g_ScreenCopySD.nWidth = st.nWidth;
    g_PrimarySD.nHeight = g_BackBuffer.nHeight = g_ScreenCopySD.nHeight = st.nHeight;
    void* p = nullptr;
    if (FAILED(DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr))) {
        ReportErr("DirectDrawCreateEx Err");
        return CREATEEX_ERR;
    }
    g_lpDDCon->lpDD = static_cast<LPDIRECTDRAW7>(p);
    if (FAILED(g_lpDDCon->lpDD->SetCooperativeLevel(st.hWnd, coopFlags))) {
        ReportErr("SetCooperativeLevel Err");
        return SETCOOPLEVEL_ERR;
    }
    return 0;
}

int SetUpFullScreenDD() {
    auto& st = g_DDSettings;
    const int w = st.nWidth, h = st.nHeight;
    if (int r = OpenDirectDraw(DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT)) return r;
    LPDIRECTDRAW7 dd = g_lpDDCon->lpDD;
    HRESULT hr;
    if (st.bUseRefreshRate) {
        hr = dd->SetDisplayMode(w, h, st.nBpp, st.nRefreshRate, 0);
        if (FAILED(hr)) hr = dd->SetDisplayMode(w, h, st.nBpp, 0, 0);
    } else {
        hr = dd->SetDisplayMode(w, h, st.nBpp, 0, 0);
    }
    if (FAILED(hr)) {
        ReportErr("SetDisplayMode Err");
        return SETDISPLAYMODE_ERR;
    }
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    d.dwBackBufferCount = st.nBackBuffers == 1 ? 1 : 2;
    LPDIRECTDRAWSURFACE7 primary = nullptr;
    if (FAILED(dd->CreateSurface(&d, &primary, nullptr))) {
        ReportErr("Primary CreateSurface Err");
        return CREATESURFACE_ERR;
    }
    SetDDSurface(g_PrimarySD, primary, w, h, 0);
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    LPDIRECTDRAWSURFACE7 back = nullptr;
    if (FAILED(primary->GetAttachedSurface(&caps, &back))) {
        ReportErr("GetAttachedSurface Err");
        return GETATTACHEDSURFACE_ERR;
    }
    SetDDSurface(g_BackBuffer, back, w, h, 0);
    if (!DDCreateSurface(&g_ScreenCopySD, w, h, 0, 1, 1, 0, 0)) return CREATESURFACE_ERR;
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) {
        entries[i].peRed = static_cast<BYTE>(i);
        entries[i].peGreen = static_cast<BYTE>(i);
        entries[i].peBlue = 0;
        entries[i].peFlags = PC_RESERVED;
    }
    entries[0].peRed = entries[0].peGreen = 0;
    entries[0].peBlue = 255;
    if (FAILED(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &g_lpDDCon->lpPalette, nullptr))) {
        ReportErr("CreatePalette Err");
        return CREATEPALETTE_ERR;
    }
    if (st.nBpp <= 8) {
        if (FAILED(primary->SetPalette(g_lpDDCon->lpPalette))) {
            ReportErr("SetPalette Err");
            return SETPALETTE_ERR;
        }
    } else {
        DDGetPixelFormatShifts(&g_PixChannels);
    }
    DDHideCursorFully();
    return 0;
}

int SetUpWindowDD() {
    auto& st = g_DDSettings;
    const int w = st.nWidth, h = st.nHeight;
    // The desktop runs at the configured depth here.
    SetDisplayBitsPerPixel(st.nBpp);
    const int desktopBpp = GetDeviceCaps(nullptr, BITSPIXEL);
    if (int r = OpenDirectDraw(DDSCL_NORMAL)) return r;
    LPDIRECTDRAW7 dd = g_lpDDCon->lpDD;
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    LPDIRECTDRAWSURFACE7 primary = nullptr;
    if (FAILED(dd->CreateSurface(&d, &primary, nullptr))) {
        ReportErr("Primary CreateSurface Err");
        return CREATESURFACE_ERR;
    }
    SetDDSurface(g_PrimarySD, primary, w, h, 0);
    if (!DDCreateSurface(&g_BackBuffer, w, h, 0, 0, 0, 0, 0)) return CREATESURFACE_ERR;
    if (!DDCreateSurface(&g_ScreenCopySD, w, h, 0, 1, 1, 0, 0)) return CREATESURFACE_ERR;
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) {
        bool fixed = i < 10 || i >= 246;
        entries[i].peRed = static_cast<BYTE>(i);
        entries[i].peGreen = fixed ? 0 : static_cast<BYTE>(i);
        entries[i].peBlue = 0;
        entries[i].peFlags = fixed ? PC_EXPLICIT : PC_RESERVED;
    }
    if (FAILED(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &g_lpDDCon->lpPalette, nullptr))) {
        ReportErr("CreatePalette Err");
        return CREATEPALETTE_ERR;
    }
    if (desktopBpp <= 8) {
        if (FAILED(primary->SetPalette(g_lpDDCon->lpPalette))) {
            ReportErr("SetPalette Err");
            return SETPALETTE_ERR;
        }
    } else {
        DDGetPixelFormatShifts(&g_PixChannels);
    }
    if (FAILED(dd->CreateClipper(0, &g_lpDDCon->lpClipper, nullptr))) {
        ReportErr("CreateClipper Err");
        return CLIPPER_ERR;
    }
    if (FAILED(g_lpDDCon->lpClipper->SetHWnd(0, st.hWnd))) {
        ReportErr("SetHWnd Err");
        return SETHWND_ERR;
    }
    if (FAILED(primary->SetClipper(g_lpDDCon->lpClipper))) {
        ReportErr("SetClipper Err");
        return SETCLIPPER_ERR;
    }
    DDShowCursorFully();
    return 0;
}

const char* FormatName(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_X8R8G8B8:
        return "X8R8G8B8";
    case D3DFMT_R5G6B5:
        return "R5G6B5";
    case D3DFMT_A1R5G5B5:
        return "A1R5G5B5";
    default:
        return "";
    }
}

bool SetUpD3D() {
    auto& st = g_DDSettings;
    // The display driver's interface level.
    const int ddiVersion = QueryDxDiag();
    if (ddiVersion < 9) {
        ReportErr("ビデオカードのドライバがDirectX9をサポートしていません！ %d", ddiVersion);
        return false;
    }
    LPDIRECT3D9 d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        ReportErr("ビデオカードがDirectX9をサポートしていません！");
        return false;
    }
    lpDTCon = new DTCONTEXT();
    DTCONTEXT& c = *lpDTCon;
    c.lpD3D = d3d;
    c.dwAlphaOp = D3DTOP_MODULATE;
    D3DPRESENT_PARAMETERS& pp = c.pp;
    if (st.nWindowMode == 1) {
        pp.Windowed = 1;
        pp.BackBufferWidth = 0;
        pp.BackBufferHeight = 0;
        pp.FullScreen_RefreshRateInHz = 0;
        if (st.bVSync) {
            // The display already runs at 60 Hz here.
            D3DDISPLAYMODE mode;
            d3d->GetAdapterDisplayMode(0, &mode);
            Report("RefreshRate : %d", static_cast<int>(mode.RefreshRate));
            if (mode.RefreshRate != 60) {
                st.bVSync = 0;
                ReportErr("リフレッシュレートの変更に失敗しました！垂直同期が無効になります！");
            }
        }
    } else {
        pp.Windowed = 0;
        pp.BackBufferWidth = st.nWidth;
        pp.BackBufferHeight = st.nHeight;
        pp.FullScreen_RefreshRateInHz = 60;
    }
    pp.PresentationInterval = st.bVSync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;
    c.nAdapter = 0;
    c.devType = D3DDEVTYPE_HAL;
    if (FAILED(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &c.caps))) ECLogF("GetDeviceCaps Err");
    c.bPow2 = (c.caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0;
    c.bSquareOnly = (c.caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0;
    c.bDynamicTextures = (c.caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES) != 0;
    if (st.nBpp == 16) {
        if (st.nWindowMode == 1) {
            c.fmtBackBuffer = D3DFMT_A1R5G5B5;
            g_DispChannels = {10, 5, 0, 15, 31, 31, 31, 1};
        } else {
            c.fmtBackBuffer = D3DFMT_R5G6B5;
            g_DispChannels = {11, 5, 0, 16, 31, 63, 31, 0};
        }
        c.fmtTexture = D3DFMT_A1R5G5B5;
        g_PixChannels = {10, 5, 0, 15, 31, 31, 31, 1};
    } else if (st.nBpp == 32) {
        c.fmtBackBuffer = D3DFMT_X8R8G8B8;
        c.fmtTexture = D3DFMT_A8R8G8B8;
        g_PixChannels = {16, 8, 0, 24, 255, 255, 255, 255};
    } else {
        return false;
    }
    c.fmtBackBufferCopy = c.fmtBackBuffer;
    pp.BackBufferFormat = c.fmtBackBuffer;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = (c.caps.Caps3 & D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD) ? D3DSWAPEFFECT_DISCARD
                                                                               : D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = nullptr;
    pp.EnableAutoDepthStencil = 0;
    pp.AutoDepthStencilFormat = c.fmtBackBuffer;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    LPDIRECT3DDEVICE9 dev = nullptr;
    if (SUCCEEDED(
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, st.hWnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev))) {
        Report("Device HAL-HARD");
    } else if (SUCCEEDED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, st.hWnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                           &pp, &dev))) {
        Report("Device HAL-SOFT");
    } else {
        ECLogF("CreateDevice Err");
        return false;
    }
    Report("%s", FormatName(c.fmtBackBuffer));
    c.lpDevice = dev;
    DDSetDefaultRenderStates();
    DDResetDrawColor();
    DDResetColorOp();
    DDResetAlphaOp();

    DDMakeSideRecord(&g_BackBuffer);
    g_BackBuffer.nWidth = g_BackBuffer.nSurfaceWidth = pp.BackBufferWidth ? pp.BackBufferWidth : st.nWidth;
    g_BackBuffer.nHeight = g_BackBuffer.nSurfaceHeight =
        pp.BackBufferHeight ? pp.BackBufferHeight : st.nHeight;
    g_BackBuffer.nMemoryType = 0;
    std::strcpy(g_BackBuffer.szSurfaceType, "BackBuffer");
    DTSURFACEDATA& bd = *g_BackBuffer.lpDT;
    bd.dwSerial = 0;
    bd.bColorKey = 0;
    bd.bRenderTarget = 1;
    HRESULT hr =
        dev->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, D3DFVF_TLVERTEX, D3DPOOL_MANAGED, &bd.lpVB, nullptr);
    if (FAILED(hr)) {
        ReportErr("Back CreateVertexBuffer Err %x", static_cast<unsigned>(hr));
        return false;
    }
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bd.lpSurface);
    if (bd.lpSurface) bd.lpSurface->GetDesc(&bd.desc);
    c.dwSurfaceSerial = 1;
    c.dwFontSerial = 0;
    DDSetBackBufferMode(0);
    c.bCopyVirBack = 0;
    const int bw = g_BackBuffer.nWidth, bh = g_BackBuffer.nHeight;
    if (!DDCreateSurface(&g_VirBackBuffer, bw, bh, 0, 0, DTMEMORYTYPE_VIDEO_RT, 0, 0)) return false;
    std::strcpy(g_VirBackBuffer.szSurfaceType, "VirBackBuffer");
    if (!DDCreateSurface(&g_WorkSD, bw, bh, 0, 0, DTMEMORYTYPE_VIDEO_RT, 0, 0)) return false;
    std::strcpy(g_WorkSD.szSurfaceType, "WorkSD");
    // The resting target can now be made current.
    DDSetBackBufferMode(0);
    if (st.nWindowMode != 1) DDHideCursorFully();
    return true;
}

} // namespace

int DDShowCursor(bool bShow) {
    g_nCursorCount += bShow ? 1 : -1;
    return g_nCursorCount;
}
void DDHideCursorFully() {
    while (DDShowCursor(false) >= 0) {
    }
}
void DDShowCursorFully() {
    while (DDShowCursor(true) < 0) {
    }
}

bool DDCheckInitResult(int code) {
    if (code <= 0 || code > SETCLIPPER_ERR || code == LOADIMAGE_ERR || code == SETCOLORKEY_ERR) return true;
    ECLog(kInitCodeNames[code]);
    return false;
}

void DDSetDefaultRenderStates() {
    if (!lpDTCon || !lpDTCon->lpDevice) return;
    LPDIRECT3DDEVICE9 dev = lpDTCon->lpDevice;
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ZENABLE, 0);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    dev->SetRenderState(D3DRS_COLORVERTEX, 1);
    for (DWORD s = 0; s < 2; ++s) {
        dev->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        dev->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        dev->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        dev->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    }
}

LPDIRECT3DDEVICE9 DDGetDevice() {
    return lpDTCon ? lpDTCon->lpDevice : nullptr;
}

bool DDInit(int bUseD3D, win::HWND hWnd, int nWidth, int nHeight, int nBpp, int bVSync, int nWindowMode,
            int nBackBuffers, int nRefreshRate, int bUseRefreshRate, DDSURFACEDATA* lpSystemSD,
            const SURFACEDEF* lpCreateTable, int nSystemSD, int) {
    auto& st = g_DDSettings;
    st.bUseD3D = bUseD3D;
    st.hWnd = hWnd;
    st.nWidth = nWidth;
    st.nHeight = nHeight;
    st.nBpp = nBpp;
    st.nBytesPerPixel = nBpp / 8;
    st.bVSync = bVSync;
    st.nWindowMode = nWindowMode;
    st.nBackBuffers = nBackBuffers;
    st.nRefreshRate = nRefreshRate;
    st.bUseRefreshRate = bUseRefreshRate;
    st.lpSystemSD = lpSystemSD;
    st.lpCreateTable = lpCreateTable;
    st.nSystemSD = nSystemSD;
    Report("VSync : %d", bVSync);
    if (bUseD3D) {
        if (!SetUpD3D()) return false;
    } else {
        if (st.bSetUpOnce && g_lpDDCon) {
            if (nWindowMode == 1 && g_lpDDCon->lpDD) g_lpDDCon->lpDD->RestoreDisplayMode();
            DDEnd();
        }
        g_lpDDCon = new DDCONTEXT();
        if (nWindowMode == 0) {
            if (!DDCheckInitResult(SetUpFullScreenDD())) return false;
        } else if (nWindowMode == 1) {
            if (!DDCheckInitResult(SetUpWindowDD())) return false;
        }
        SetFullScreenMessageBox(nWindowMode == 0 ? DDMesBox : nullptr);
    }
    if (bUseD3D) SetFullScreenMessageBox(nWindowMode == 0 ? DDMesBox : nullptr);
    st.bInitialized = 1;
    st.bSetUpOnce = 1;
    return true;
}

void DDEnd() {
    auto& st = g_DDSettings;
    if (g_lpDDCon) {
        for (int i = 0; i < st.nSystemSD && st.lpSystemSD; ++i)
            DDReleaseSurface(&st.lpSystemSD[i]);
        SafeRelease(g_lpDDCon->lpClipper);
        SafeRelease(g_lpDDCon->lpPalette);
        DDReleaseSurface(&g_BackBuffer);
        DDReleaseSurface(&g_PrimarySD);
        DDReleaseSurface(&g_ScreenCopySD);
        if (g_lpDDCon->lpDD) {
            // Every surface has been released: nothing may hold the device any more.
            if (g_lpDDCon->lpDD->Release() != 0) {
                win::MessageBox(st.hWnd, "解放漏れがあります", "DirectDraw", win::MB_OK | win::MB_ICONERROR);
            }
            g_lpDDCon->lpDD = nullptr;
        }
        delete g_lpDDCon;
        g_lpDDCon = nullptr;
    }
    if (lpDTCon) {
        for (int i = 0; i < st.nSystemSD && st.lpSystemSD; ++i)
            DDReleaseSurface(&st.lpSystemSD[i]);
        DDReleaseSurface(&g_WorkSD);
        DDReleaseSurface(&g_VirBackBuffer);
        DDReleaseSurface(&g_BackBuffer);
        SafeRelease(lpDTCon->lpDevice);
        SafeRelease(lpDTCon->lpD3D);
        delete lpDTCon;
        lpDTCon = nullptr;
    }
    g_SurfaceList.clear();
    SetFullScreenMessageBox(nullptr);
    st.bInitialized = 0;
}
