// The drawing library: the 640 x 480 display over the DirectDraw-like or the Direct3D-like back-end,
// surfaces, fills, palettes and the transparent colour, blits and the draw batch, frames, presenting
// and recovery after a loss. Every function takes `DDSURFACEDATA` pointers and tests `lpDTCon` first:
// set means the Direct3D path, null the DirectDraw path.
#pragma once

#include "app/checked_containers.h"
#include "draw/dd_clip.h"
#include "platform/gfx/d3d9.h"
#include "platform/gfx/d3dx9.h"
#include "platform/gfx/ddraw.h"
#include "platform/gfx/gdi.h"
#include "platform/win_types.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

// Direct3D memory types.
constexpr int DTMEMORYTYPE_VIDEO_RT = 0;
constexpr int DTMEMORYTYPE_SYSTEM = 1;
constexpr int DTMEMORYTYPE_VIDEO_NORT = 2;

// Set-up and surface result codes.
enum DDERRCODE {
    DDERR_OK = 0,
    CREATEEX_ERR = 1,
    SETCOOPLEVEL_ERR = 2,
    SETDISPLAYMODE_ERR = 3,
    CREATESURFACE_ERR = 4,
    GETATTACHEDSURFACE_ERR = 5,
    CREATEPALETTE_ERR = 6,
    SETPALETTE_ERR = 7,
    LOADIMAGE_ERR = 8,
    SETCOLORKEY_ERR = 9,
    CLIPPER_ERR = 10,
    SETHWND_ERR = 11,
    SETCLIPPER_ERR = 12,
};

// Blue, green, red bytes.
using RGBTRIPLE = gfx::RGBTRIPLE;

// Direct3D side of a surface.
struct DTSURFACEDATA {
    std::uint32_t dwSerial = 0;
    gfx::LPDIRECT3DSURFACE9 lpSurface = nullptr;
    gfx::LPDIRECT3DSURFACE9 lpSystemSurface = nullptr;
    gfx::LPDIRECT3DVERTEXBUFFER9 lpVB = nullptr;
    gfx::RefCounted* lpSpare = nullptr; // released when set; nothing here sets it
    gfx::LPDIRECT3DTEXTURE9 lpTexture = nullptr;
    gfx::D3DSURFACE_DESC desc;
    std::int32_t nMemoryType = 0;
    std::int32_t bColorKey = 0;
    std::int32_t bRenderTarget = 0;
    std::vector<std::uint8_t> indexMap; // palette index per pixel (row length = allocated width)
};

// DirectDraw side of a surface.
struct DDSIDEDATA {
    gfx::LPDIRECTDRAWSURFACE7 lpSurface = nullptr;
    std::vector<std::uint8_t> indexMap;
};

// One surface. The caller owns the record; the library owns what hangs from it.
struct DDSURFACEDATA {
    DTSURFACEDATA* lpDT = nullptr;
    DDSIDEDATA* lpDDSide = nullptr;
    char szSurfaceType[260] = {};
    std::int32_t nWidth = 0, nHeight = 0;               // asked size
    std::int32_t nSurfaceWidth = 0, nSurfaceHeight = 0; // allocated size
    char szFileName[260] = {};
    std::int32_t nMemoryType = 0; // DirectDraw memory: 0 video, 1 system
    std::int32_t nMirrorCellW = 0, nMirrorCellH = 0;
    DDSURFACEDATA* lpMirrorSrc = nullptr;
    std::int32_t bLost = 0;
};

// Creation record of a system or container surface.
struct SURFACEDEF {
    char szFileName[260] = {};
    std::int32_t bColorKey = 0;
    std::int32_t nDDMemory = 0;
    std::int32_t nD3DMemory = 0;
    std::int32_t bNoResources = 0;
    std::int32_t bIndexMap = 0;
    std::int32_t bNoError = 0;
    std::int32_t nMirrorCellW = 0;
    std::int32_t nMirrorCellH = 0;
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
};

// Channel shifts and maxima: red, green, blue, alpha shift, then red, green, blue, alpha maximum.
struct PIXCHANNELS {
    std::int32_t nShiftR = 0, nShiftG = 0, nShiftB = 0, nShiftA = 0;
    std::int32_t nMaxR = 0, nMaxG = 0, nMaxB = 0, nMaxA = 0;
};
extern PIXCHANNELS g_DispChannels;
extern PIXCHANNELS g_PixChannels;

// The Direct3D context; its presence is the mode test.
struct DTCONTEXT {
    gfx::D3DFORMAT fmtBackBuffer = gfx::D3DFMT_UNKNOWN;
    gfx::D3DFORMAT fmtTexture = gfx::D3DFMT_UNKNOWN;
    gfx::D3DPRESENT_PARAMETERS pp;
    gfx::UINT nAdapter = 0;
    gfx::D3DDEVTYPE devType = gfx::D3DDEVTYPE_HAL;
    gfx::D3DFORMAT fmtBackBufferCopy = gfx::D3DFMT_UNKNOWN;
    gfx::D3DCAPS9 caps;
    std::int32_t bPow2 = 0, bSquareOnly = 0, bDynamicTextures = 0;
    std::int32_t bVirBackBuffer = 0;
    DDSURFACEDATA* lpRenderTarget = nullptr; // the resting render target
    std::int32_t bCopyVirBack = 0;
    RGBTRIPLE rgbTransmit;
    RGBTRIPLE rgbTransmit16;
    std::uint32_t dwIndex0Color = 0;
    std::uint32_t dwColorKey = 0xFF000000;
    std::uint16_t wReserved = 0;
    std::uint16_t wTransmit_16 = 0;
    std::int32_t bSceneBegun = 0;
    std::uint32_t dwDiffuse = 0xFFFFFFFF;
    std::uint32_t dwColorOp = gfx::D3DTOP_MODULATE;
    std::uint32_t dwAlphaOp = gfx::D3DTOP_SELECTARG1;
    std::uint32_t dwSurfaceSerial = 1;
    std::uint32_t dwFontSerial = 0;
    std::string strTexErrMsg;
    bool bTransmit16Given = false; // rgbTransmit16 was set (project colour or a picture's top-left)
    gfx::LPDIRECT3D9 lpD3D = nullptr;
    gfx::LPDIRECT3DDEVICE9 lpDevice = nullptr;
};
extern DTCONTEXT* lpDTCon;

// The DirectDraw context.
struct DDCONTEXT {
    RGBTRIPLE rgbTransmit;
    RGBTRIPLE rgbTransmit16;
    std::uint32_t dwFontSerial = 0;
    bool bTransmit16Given = false;
    gfx::LPDIRECTDRAW7 lpDD = nullptr;
    gfx::LPDIRECTDRAWCLIPPER lpClipper = nullptr;
    gfx::LPDIRECTDRAWPALETTE lpPalette = nullptr;
};
extern DDCONTEXT* g_lpDDCon;
// The transparent colour as a DirectDraw pixel value.
extern std::uint32_t g_dwTransmitPixel;

// Settings kept by DDInit.
struct DDSETTINGS {
    int bUseD3D = 0;
    win::HWND hWnd = nullptr;
    int nWidth = 640, nHeight = 480;
    int nBpp = 32, nBytesPerPixel = 4;
    int bVSync = 0;
    int nWindowMode = 1;
    int nBackBuffers = 1;
    int nRefreshRate = 60;
    int bUseRefreshRate = 0;
    DDSURFACEDATA* lpSystemSD = nullptr;
    const SURFACEDEF* lpCreateTable = nullptr;
    int nSystemSD = 0;
    int bInitialized = 0;
    int bSetUpOnce = 0;
};
extern DDSETTINGS g_DDSettings;

// System surfaces.
extern DDSURFACEDATA g_BackBuffer;
extern DDSURFACEDATA g_VirBackBuffer;
extern DDSURFACEDATA g_WorkSD;
extern DDSURFACEDATA g_PrimarySD;
extern DDSURFACEDATA g_ScreenCopySD;

// Palettes: as loaded, and the copy that fades change.
extern gfx::PALETTEENTRY g_BasePalette[256];
extern gfx::PALETTEENTRY g_Palette[256];

// Live Direct3D surfaces, walked by device recovery.
extern std::list<DDSURFACEDATA*> g_SurfaceList;

// ---- Display set-up ----
bool DDInit(int bUseD3D, win::HWND hWnd, int nWidth, int nHeight, int nBpp, int bVSync, int nWindowMode,
            int nBackBuffers, int nRefreshRate, int bUseRefreshRate, DDSURFACEDATA* lpSystemSD,
            const SURFACEDEF* lpCreateTable, int nSystemSD, int nUnused);
void DDEnd();
bool DDCheckInitResult(int code);
void DDSetDefaultRenderStates();
// The device (Direct3D) or null.
gfx::LPDIRECT3DDEVICE9 DDGetDevice();

// ---- Surfaces ----
bool DDCreateSurface(DDSURFACEDATA* lpSD, int nWidth, int nHeight, int bColorKey, int nDDMemory,
                     int nD3DMemory, int bNoResources, int bRemake);
// Whether the last DDCreateSurface of this thread failed for want of memory (no box has told it: the
// caller does).
bool DDSurfaceFailedForMemory();
int DDCreateSurfaceFromFile(DDSURFACEDATA* lpSD, const char* szFile, int bColorKey, int nBpp, int nDDMemory,
                            int nD3DMemory, int bNoResources, int bIndexMap, int nMirrorCellW,
                            int nMirrorCellH, int bRemake);
bool DDCheckResult(int code);
// A surface the program cannot go on without could not be made: says so in the report log and in
// a box, naming what it was for and its size, then closes the program.
void DDCloseForSurface(const char* what, int w, int h);
void DDFitTextureSize(int& w, int& h);
bool DDCheckTextureSize(int w, int h);
bool CopyBitmap(DDSURFACEDATA* lpSD, const char* szFile, int nBpp, int bIndexMap, int nMirrorCellW,
                int nMirrorCellH);
bool DDReloadSurfaceBitmap(DDSURFACEDATA* lpSD, int nBpp);
bool DDBuildPalIndexMap(std::vector<std::uint8_t>& map, DDSURFACEDATA* lpSD);
bool DDMakeMirror(DDSURFACEDATA* lpSD, DDSURFACEDATA* lpSrcSD, int nCellW, int nCellH);
// (Re)loads the listed entries of a system-surface array from its creation records. Entries outside
// the array are refused.
bool DDLoadSystemSurfaces(DDSURFACEDATA* lpArray, const int* lpIndexList, int nCount);
bool DDCheckBitmapSize(int& bTooLarge, const char* szFile, int nMaxW, int nMaxH);
void DDMakeSideRecord(DDSURFACEDATA* lpSD);
void DDReleaseSurface(DDSURFACEDATA* lpSD);

// Surface containers. Records keep their addresses for as long as they are in the container (the
// live-surface list and mirror records point at them).
using DDSurfaceVec = cStableVector<DDSURFACEDATA>;
using DDSurfaceDefVec = cStableVector<SURFACEDEF>;
using DDSurfaceList = std::list<DDSURFACEDATA>;
using DDSurfaceDefList = std::list<SURFACEDEF>;

bool DDCreateSurfaceVec(DDSurfaceVec& vecSD, DDSurfaceDefVec& vecDef, int w, int h, int bColorKey,
                        int nDDMemory, int nD3DMemory, int bNoResources);
bool DDCreateSurfaceList(DDSurfaceList& listSD, DDSurfaceDefList& listDef, int w, int h, int bColorKey,
                         int nDDMemory, int nD3DMemory, int bNoResources);
int DDRemoveSurface(DDSurfaceList& listSD, DDSurfaceDefList& listDef, DDSURFACEDATA* lpSD);
void DDReleaseSurfaceVec(DDSurfaceVec& vec);
void DDReleaseSurfaceList(DDSurfaceList& list);

// ---- Fills, palette, transparent colour, draw state ----
std::uint32_t PalNumToRGB(std::uint32_t dwPalNum);
void DDFillRect(DDSURFACEDATA* lpSD, int x, int y, int w, int h, std::uint32_t dwPalNum);
// Says that every pixel of the surface is about to be drawn anew: under DirectDraw a surface that
// shares its pixels with another (the back buffer after a window's present) then takes a store of its
// own without copying the pixels that are about to go; under Direct3D the render target keeps the
// frame's draws back until it is shown, and runs them only in the rows that changed.
void DDDiscardPixels(DDSURFACEDATA* lpSD);
void DDClear(DDSURFACEDATA* lpSD, std::uint32_t dwPalNum);
void DDFillRectRGB(DDSURFACEDATA* lpSD, int x, int y, int w, int h, std::uint32_t dwColor);
void DDClearRGB(DDSURFACEDATA* lpSD, std::uint32_t dwColor);
void DDBeginFillBatch();
void DDEndFillBatch();
bool DDLoadPaletteFromFile(gfx::PALETTEENTRY* lpPalette, const char* szFile, int nUnused);
void DDSetTransmit(std::uint8_t cbRed, std::uint8_t cbGreen, std::uint8_t cbBlue);
bool DDSetTransmitFromFile(const SURFACEDEF* lpDef);
// Start-up's transparent colour: from the first system picture, or the project's colour when given.
bool DDSetUpTransmit(const SURFACEDEF* lpFirstDef, bool bGiven, std::uint8_t r, std::uint8_t g,
                     std::uint8_t b);
void DDSetDrawColor(std::uint32_t dwARGB);
void DDResetDrawColor();
void DDSetColorOp(std::uint32_t op);
void DDResetColorOp();
void DDSetAlphaOp(std::uint32_t op);
void DDResetAlphaOp();
void DDSetPalette_UnPal(gfx::PALETTEENTRY* lpPalette, DDSURFACEDATA* lpSD);
void DDGetPixelFormatShifts(PIXCHANNELS* lpChannels);

// ---- Blits and the draw batch ----
void DDBlt(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
           int sy, std::uint32_t dwFlags);
void DDBltStretch(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                  int sx, int sy, int nSrcWidth, int nSrcHeight, std::uint32_t dwFlags);
void DDBltEx(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD, int sx,
             int sy, std::uint32_t dwFlags, const std::uint32_t* lpParam);
void DDBltStretchEx(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, DDSURFACEDATA* lpSrcSD,
                    int sx, int sy, int nSrcWidth, int nSrcHeight, std::uint32_t dwFlags,
                    const std::uint32_t* lpParam);
void DDBeginBatch(int bSort);
void DDBatchAddSurface(DDSURFACEDATA* lpSD);
void DDEndBatch();
bool DDLock(DDSURFACEDATA* lpSD, gfx::DDSURFACEDESC2* lpDDSD, void** lplpBits, int nBpp);

// Pixel access to a surface of either back-end.
class cSurfaceLock {
  public:
    cSurfaceLock() = default;
    explicit cSurfaceLock(DDSURFACEDATA* lpSD) { Lock(lpSD); }
    ~cSurfaceLock() { Unlock(); }
    cSurfaceLock(const cSurfaceLock&) = delete;
    cSurfaceLock& operator=(const cSurfaceLock&) = delete;
    bool Lock(DDSURFACEDATA* lpSD);
    void Unlock();
    bool Locked() const { return m_pBits != nullptr; }
    std::uint8_t* Bits() const { return static_cast<std::uint8_t*>(m_pBits); }
    int PitchBytes() const { return m_nPitchBytes; }
    int PitchPixels() const { return m_nPitchPixels; }

  private:
    DDSURFACEDATA* m_lpSD = nullptr;
    void* m_pBits = nullptr;
    int m_nPitchBytes = 0;
    int m_nPitchPixels = 0;
    gfx::LPDIRECT3DSURFACE9 m_lpLocked = nullptr;
};

// ---- Frames, presenting, recovery ----
bool DDBeginScene();
void DDEndScene();
bool DDSetRenderTarget(int nIndex, DDSURFACEDATA* lpSD);
void DDSetBackBufferMode(int bOn);
bool DDPresent(int nFrameRate, int bShowFps, DDSURFACEDATA* lpFontSheet);
bool DDRestoreSurface();
bool DDRestore();
bool DDSetDialogMode(int bOn);
// Shows a message box over the display; the pressed button, 0 when the box could not be shown.
int DDMesBox(const char* lpText, const char* lpCaption, win::UINT uType);
// The DirectDraw present step: flip or copy BackBuffer to the primary.
void DDPresentDirectDraw(int bSelfTimed);
// Hooks the frame loop's restore and present steps to this library.
void DDInstallFrameHooks();

// Font objects restore themselves after a loss; the font code registers its restore here.
using DDFontRestoreFn = void (*)();
using DDFontLostFn = void (*)();
void DDSetFontRecovery(DDFontLostFn lost, DDFontRestoreFn restore);

// Shared helpers.
inline bool DDIsD3D() {
    return lpDTCon != nullptr;
}
// The record that drawing really uses: its mirror source, and the virtual back buffer for BackBuffer.
DDSURFACEDATA* DDSubstitute(DDSURFACEDATA* lpSD);
DDSURFACEDATA* DDRedirect(DDSURFACEDATA* lpSD);
