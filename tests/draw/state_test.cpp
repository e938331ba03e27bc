// Surface lists and containers, palettes and the transparent colour, set-up and its fall-back, the
// scene and render-target state, dialog boxes and the debug text.
#include "draw_fixture.h"

#include "app/game_loop.h"
#include "app/log.h"
#include "platform/gfx/sim.h"
#include "platform/message_box.h"
#include "platform/time.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace {

const DrawConfig kD3D32{"d3d32_window", 1, 32, 1};
const DrawConfig kD3D16Full{"d3d16_full", 1, 16, 0};
const DrawConfig kDD32{"dd32_full", 0, 32, 0};
const std::uint32_t kBlue = 0x0000FF, kRed = 0xFF0000;

bool Listed(const DDSURFACEDATA* sd) {
    return std::find(g_SurfaceList.begin(), g_SurfaceList.end(), sd) != g_SurfaceList.end();
}

using SurfaceTest = DrawTest;

TEST_F(SurfaceTest, ReleaseUnlistsOnlyTheReleasedRecord) {
    ASSERT_TRUE(Open(kD3D32));
    // Records made without resources all have serial number 0.
    DDSURFACEDATA a, b;
    ASSERT_TRUE(DDCreateSurface(&a, 16, 16, 0, 0, 0, 1, 0));
    ASSERT_TRUE(DDCreateSurface(&b, 16, 16, 0, 0, 0, 1, 0));
    ASSERT_EQ(a.lpDT->dwSerial, b.lpDT->dwSerial);
    DDReleaseSurface(&a);
    EXPECT_FALSE(Listed(&a));
    EXPECT_TRUE(Listed(&b));
    DDReleaseSurface(&a); // a second release does nothing
    DDReleaseSurface(&b);
    EXPECT_FALSE(Listed(&b));
}

TEST_F(SurfaceTest, ContainerRecordsKeepTheirAddresses) {
    ASSERT_TRUE(Open(kD3D32));
    DDSurfaceVec vec;
    DDSurfaceDefVec defs;
    ASSERT_TRUE(DDCreateSurfaceVec(vec, defs, 8, 8, 0, 0, 0, 0));
    DDSURFACEDATA* first = &vec.at(0);
    for (int i = 0; i < 200; ++i)
        DDCreateSurfaceVec(vec, defs, 8, 8, 0, 0, 0, 0);
    EXPECT_EQ(&vec.at(0), first);
    EXPECT_EQ(vec.Count(), 201);
    EXPECT_EQ(defs.Count(), 201);
    for (auto& sd : vec)
        EXPECT_TRUE(Listed(&sd));
    DDReleaseSurfaceVec(vec);
    for (auto& sd : vec)
        EXPECT_FALSE(Listed(&sd));

    DDSurfaceList list;
    DDSurfaceDefList listDefs;
    for (int i = 0; i < 3; ++i)
        DDCreateSurfaceList(list, listDefs, 8 + i, 8, 0, 0, 0, 0);
    DDSURFACEDATA* middle = &*std::next(list.begin());
    EXPECT_EQ(DDRemoveSurface(list, listDefs, middle), 1);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(listDefs.size(), 2u);
    EXPECT_EQ(std::next(listDefs.begin())->nWidth, 10);
    EXPECT_EQ(DDRemoveSurface(list, listDefs, middle), 0);
    DDReleaseSurfaceList(list);
}

TEST_F(SurfaceTest, SystemSurfaceListsAreChecked) {
    ASSERT_TRUE(Open(kDD32));
    const int bad[] = {1, 99};
    EXPECT_FALSE(DDLoadSystemSurfaces(g_TestSurfaces, bad, 2));
    const int negative[] = {-1};
    EXPECT_FALSE(DDLoadSystemSurfaces(g_TestSurfaces, negative, 1));
    const int good[] = {SYS_WORK};
    EXPECT_TRUE(DDLoadSystemSurfaces(g_TestSurfaces, good, 1));
}

TEST_F(SurfaceTest, MissingPictureIsAFailureUnlessAllowed) {
    ASSERT_TRUE(Open(kD3D32));
    std::snprintf(g_TestTable[SYS_SHEET24].szFileName, 260, "%s/missing.bmp", m_dir.c_str());
    const int one[] = {SYS_SHEET24};
    setenv("MIRELDA4_ANSWERS", "ok", 1);
    win::ResetMessageBoxAnswersForTests();
    EXPECT_FALSE(DDLoadSystemSurfaces(g_TestSurfaces, one, 1));
    g_TestTable[SYS_SHEET24].bNoError = 1;
    EXPECT_TRUE(DDLoadSystemSurfaces(g_TestSurfaces, one, 1));
    unsetenv("MIRELDA4_ANSWERS");
    // Any non-zero load result is a failure.
    EXPECT_FALSE(DDCheckResult(1));
    EXPECT_FALSE(DDCheckResult(static_cast<int>(0x8876017Cu)));
    EXPECT_TRUE(DDCheckResult(0));
}

TEST_F(SurfaceTest, TextureSizesFollowTheDeviceAndAskedSizesStay) {
    gfx::sim::SetTextureCaps(true, false, true);
    ASSERT_TRUE(Open(kD3D32));
    DDSURFACEDATA sd;
    ASSERT_TRUE(DDCreateSurface(&sd, 100, 50, 0, 0, 0, 0, 0));
    EXPECT_EQ(sd.nWidth, 100);
    EXPECT_EQ(sd.nHeight, 50);
    EXPECT_EQ(sd.nSurfaceWidth, 128);
    EXPECT_EQ(sd.nSurfaceHeight, 64);
    DDReleaseSurface(&sd);
}

TEST_F(SurfaceTest, PaletteIndexMapStartsZeroed) {
    ASSERT_TRUE(Open(kD3D32));
    DDSURFACEDATA sd;
    ASSERT_EQ(DDCreateSurfaceFromFile(&sd, g_TestTable[SYS_SHEET].szFileName, 1, 32, 0, 0, 0, 1, 0, 0, 0), 0);
    ASSERT_EQ(sd.lpDT->indexMap.size(), static_cast<std::size_t>(sd.nSurfaceWidth) * sd.nSurfaceHeight);
    const int row = sd.nSurfaceWidth;
    EXPECT_EQ(sd.lpDT->indexMap[3 * row + 3], PAL_RED);
    EXPECT_EQ(sd.lpDT->indexMap[10 * row + 40], PAL_CYAN);
    EXPECT_EQ(sd.lpDT->indexMap[0], 0); // transparent texel
    DDReleaseSurface(&sd);
}

using ColourTest = DrawTest;

TEST_F(ColourTest, PaletteReadsOnlyTheEntriesPresent) {
    ASSERT_TRUE(Open(kD3D32));
    std::vector<std::uint32_t> colours(16, 0x123456);
    WriteBmp8(m_dir + "/small.bmp", 4, 4, colours, std::vector<std::uint8_t>(16, 3));
    gfx::PALETTEENTRY pal[256];
    std::fill(std::begin(pal), std::end(pal), gfx::PALETTEENTRY{9, 9, 9, 9});
    ASSERT_TRUE(DDLoadPaletteFromFile(pal, (m_dir + "/small.bmp").c_str(), 0));
    EXPECT_EQ(pal[15].peRed, 0x12);
    EXPECT_EQ(pal[15].peBlue, 0x56);
    EXPECT_EQ(pal[16].peRed, 0);
    EXPECT_EQ(pal[255].peGreen, 0);
    EXPECT_FALSE(DDLoadPaletteFromFile(pal, (m_dir + "/none.bmp").c_str(), 0));
}

TEST_F(ColourTest, PaletteEntriesAsPixels) {
    ASSERT_TRUE(Open(kD3D32));
    EXPECT_EQ(PalNumToRGB(0), 0u); // transparent black
    EXPECT_EQ(PalNumToRGB(PAL_RED), 0xFFFF0000u);
    EXPECT_EQ(PalNumToRGB(256), 0u);
    DDEnd();
    ASSERT_TRUE(Open(DrawConfig{"dd16_full", 0, 16, 0}));
    EXPECT_EQ(PalNumToRGB(PAL_RED), 0xF800u);
    EXPECT_EQ(PalNumToRGB(PAL_GREEN), 0x07E0u);
    EXPECT_EQ(PalNumToRGB(300), 0u);
}

TEST_F(ColourTest, TransparentColourAtSixteenBits) {
    ASSERT_TRUE(Open(kD3D16Full));
    // Derived from the palette picture's top-left pixel (magenta).
    EXPECT_EQ(lpDTCon->wTransmit_16, 0xFC1F);
    EXPECT_EQ(lpDTCon->rgbTransmit16.rgbtRed, 255);
    EXPECT_EQ(lpDTCon->rgbTransmit16.rgbtGreen, 0);
    EXPECT_EQ(lpDTCon->rgbTransmit16.rgbtBlue, 255);
    DDSetTransmit(31, 0, 31);
    EXPECT_EQ(lpDTCon->wTransmit_16, 0xFC1F);
    DDSetTransmit(255, 0, 255); // channels are masked, not scaled
    EXPECT_EQ(lpDTCon->wTransmit_16, 0xFC1F);
}

TEST_F(ColourTest, DrawStateIsCapturedPerQuad) {
    ASSERT_TRUE(Open(kD3D32));
    const std::uint32_t tint[2] = {0xFF000000u, gfx::D3DTOP_MODULATE};
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDBeginBatch(0);
    DDBltEx(&g_BackBuffer, 100, 100, 32, 32, &g_TestSurfaces[SYS_SHEET], 0, 0, 1, tint);
    DDBlt(&g_BackBuffer, 200, 100, 32, 32, &g_TestSurfaces[SYS_SHEET], 0, 0, 1);
    DDEndBatch();
    EXPECT_EQ(lpDTCon->dwDiffuse, 0xFFFFFFFFu);
    EXPECT_EQ(lpDTCon->dwColorOp, static_cast<std::uint32_t>(gfx::D3DTOP_MODULATE));
    const auto f = PresentAndRead();
    EXPECT_EQ(At(f, 103, 103), 0x000000u); // modulated by black
    EXPECT_EQ(At(f, 203, 103), 0xFF0000u);
}

using FrameTest = DrawTest;

TEST_F(FrameTest, SceneAndRenderTargetState) {
    ASSERT_TRUE(Open(kD3D32));
    EXPECT_TRUE(DDBeginScene());
    EXPECT_EQ(lpDTCon->bSceneBegun, 1);
    EXPECT_TRUE(DDBeginScene());
    DDEndScene();
    EXPECT_EQ(lpDTCon->bSceneBegun, 0);
    EXPECT_FALSE(DDSetRenderTarget(0, &g_TestSurfaces[SYS_SHEET])); // a file texture
    EXPECT_FALSE(DDSetRenderTarget(0, nullptr));
    EXPECT_TRUE(DDSetRenderTarget(0, &g_TestSurfaces[SYS_WORK]));
}

TEST_F(FrameTest, VirtualBackBufferIsCopiedWhenSwitchedOff) {
    ASSERT_TRUE(Open(kD3D32));
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDSetBackBufferMode(1);
    DDFillRect(&g_BackBuffer, 0, 0, 640, 480, PAL_GREEN); // lands in the virtual back buffer
    cSurfaceLock lock(&g_BackBuffer);
    ASSERT_TRUE(lock.Locked());
    EXPECT_EQ(*reinterpret_cast<std::uint32_t*>(lock.Bits()) & 0xFFFFFF, 0x0000FFu);
    lock.Unlock();
    DDSetBackBufferMode(0);
    const auto f = PresentAndRead();
    EXPECT_EQ(At(f, 320, 240), 0x00FF00u);
}

TEST_F(FrameTest, LostDeviceInAWindowReturnsFalse) {
    ASSERT_TRUE(Open(kD3D32));
    gfx::sim::LoseDevice(3);
    EXPECT_FALSE(DDPresent(0, 0, nullptr));
    EXPECT_FALSE(DDRestoreSurface());
    // The default-pool surfaces were released; system-memory ones kept theirs.
    EXPECT_EQ(g_TestSurfaces[SYS_WORK].lpDT->lpTexture, nullptr);
    EXPECT_NE(g_TestSurfaces[SYS_SYSMEM].lpDT->lpTexture, nullptr);
    gfx::LPDIRECT3DTEXTURE9 kept = g_TestSurfaces[SYS_SYSMEM].lpDT->lpTexture;
    EXPECT_FALSE(DDRestoreSurface());
    EXPECT_FALSE(DDRestoreSurface());
    EXPECT_TRUE(DDRestoreSurface());
    EXPECT_NE(g_TestSurfaces[SYS_WORK].lpDT->lpTexture, nullptr);
    EXPECT_EQ(g_TestSurfaces[SYS_SYSMEM].lpDT->lpTexture, kept);
    EXPECT_EQ(g_TestSurfaces[SYS_SYSMEM].bLost, 0);
}

TEST_F(FrameTest, FailedDeviceFallsBackToDirectDraw) {
    const std::string ec = m_dir + "/EC_Game.txt";
    g_bECLogStarted = 0; // a new log file: the first line creates it
    ECLogSet(1, ec.c_str());
    gfx::sim::FailCreateDevice(2, false);
    EXPECT_FALSE(DDInit(1, nullptr, 640, 480, 32, 0, 1, 1, 60, 0, g_TestSurfaces, g_TestTable, SYS_COUNT, 0));
    DDEnd();
    EXPECT_EQ(lpDTCon, nullptr);
    ASSERT_TRUE(DDInit(0, nullptr, 640, 480, 32, 0, 1, 1, 60, 0, g_TestSurfaces, g_TestTable, SYS_COUNT, 0));
    EXPECT_EQ(lpDTCon, nullptr);
    EXPECT_NE(g_lpDDCon, nullptr);
    ECLogSet(0, ec.c_str());
    std::ifstream f(ec);
    std::stringstream text;
    text << f.rdbuf();
    EXPECT_NE(text.str().find("CreateDevice Err"), std::string::npos);
    // Direct3D refuses 24 bits.
    DDEnd();
    EXPECT_FALSE(DDInit(1, nullptr, 640, 480, 24, 0, 1, 1, 60, 0, g_TestSurfaces, g_TestTable, SYS_COUNT, 0));
}

TEST_F(FrameTest, MessageBoxInFullScreenReturnsThePressedButton) {
    ASSERT_TRUE(Open(kD3D16Full));
    setenv("MIRELDA4_ANSWERS", "no", 1);
    win::ResetMessageBoxAnswersForTests();
    EXPECT_EQ(DDMesBox("text", "caption", win::MB_YESNO), win::IDNO);
    setenv("MIRELDA4_ANSWERS", "yes", 1);
    win::ResetMessageBoxAnswersForTests();
    EXPECT_EQ(MessageBoxActive("text", "caption", win::MB_YESNO), win::IDYES);
    unsetenv("MIRELDA4_ANSWERS");
    win::ResetMessageBoxAnswersForTests();
}

TEST_F(FrameTest, BatchOfMoreQuadsThanSixteenBitIndicesReach) {
    ASSERT_TRUE(Open(kD3D32));
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDBeginBatch(1);
    DDBatchAddSurface(&g_TestSurfaces[SYS_SHEET]);
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        DDBlt(&g_BackBuffer, i % 640, i / 640, 1, 1, &g_TestSurfaces[SYS_SHEET], 3, 3, 0);
    DDEndBatch();
    const auto f = PresentAndRead();
    EXPECT_EQ(At(f, 0, 0), kRed);
    EXPECT_EQ(At(f, (n - 1) % 640, (n - 1) / 640), kRed);
    EXPECT_EQ(At(f, n % 640, n / 640), kBlue);
}

} // namespace

namespace {

TEST_F(SurfaceTest, CreatingARecordAgainGivesUpWhatItHeld) {
    ASSERT_TRUE(Open(kD3D32));
    DDSURFACEDATA sd;
    ASSERT_TRUE(DDCreateSurface(&sd, 16, 16, 0, 0, 0, 0, 0));
    ASSERT_TRUE(DDCreateSurface(&sd, 32, 32, 0, 0, 0, 0, 0));
    EXPECT_EQ(std::count(g_SurfaceList.begin(), g_SurfaceList.end(), &sd), 1);
    EXPECT_EQ(sd.nWidth, 32);
    DDReleaseSurface(&sd);
    EXPECT_FALSE(Listed(&sd));
}

} // namespace

namespace {

TEST_F(FrameTest, ARecordStandingForAnotherFlipsItsCellsAtBlitTime) {
    ASSERT_TRUE(Open(kD3D32));
    DDSURFACEDATA view;
    ASSERT_TRUE(DDCreateSurface(&view, 64, 32, 1, 0, 0, 1, 0)); // no resources of its own
    view.lpMirrorSrc = &g_TestSurfaces[SYS_SHEET];
    view.nMirrorCellW = 32;
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDBlt(&g_BackBuffer, 100, 100, 32, 32, &view, 0, 0, 1);
    // 16 columns from x = 40 come from the mirrored side: columns 55 down to 40.
    DDBlt(&g_BackBuffer, 200, 100, 16, 32, &view, 40, 0, 1);
    const auto f = PresentAndRead();
    EXPECT_EQ(At(f, 102, 110), kBlue);
    EXPECT_EQ(At(f, 124, 110), kRed);
    EXPECT_EQ(At(f, 129, 110), kRed);
    EXPECT_EQ(At(f, 203, 115), 0x00FFFFu); // column 52
    EXPECT_EQ(At(f, 204, 115), kBlue);     // column 51: the hole
    EXPECT_EQ(At(f, 211, 115), kBlue);     // column 44
    EXPECT_EQ(At(f, 212, 115), 0x00FFFFu); // column 43
    DDReleaseSurface(&view);
    // The record it stood for keeps its interfaces.
    EXPECT_NE(g_TestSurfaces[SYS_SHEET].lpDT->lpTexture, nullptr);
}

} // namespace

namespace {

// Shrinking 32 columns to 10: the device samples column floor((i + 0.5) * 3.2), the pixel paths and
// DirectDraw column trunc(i * 3.2). Column 2 of the target shows source column 8 (key) or 6 (red).
TEST_F(FrameTest, ScaledSamplingOfTheDeviceAndOfThePixelPaths) {
    for (const DrawConfig& cfg : {kD3D32, kDD32}) {
        ASSERT_TRUE(Open(cfg));
        DDSURFACEDATA* sys = &g_TestSurfaces[SYS_SYSMEM];
        DDClear(&g_BackBuffer, PAL_BLUE);
        DDClear(sys, PAL_BLUE);
        DDBltStretch(&g_BackBuffer, 100, 100, 10, 32, &g_TestSurfaces[SYS_SHEET], 0, 0, 32, 32, 1);
        DDBltStretch(sys, 0, 0, 10, 32, &g_TestSurfaces[SYS_SHEET], 0, 0, 32, 32, 1);
        DDBlt(&g_BackBuffer, 200, 100, 32, 32, sys, 0, 0, 0);
        const auto f = PresentAndRead();
        EXPECT_EQ(At(f, 101, 110), kRed) << cfg.name;
        EXPECT_EQ(At(f, 102, 110), cfg.bD3D ? kBlue : kRed) << cfg.name;
        EXPECT_EQ(At(f, 202, 110), kRed) << cfg.name;
        DDEnd();
    }
}

} // namespace

namespace {

TEST_F(ColourTest, TransparentColourFromThePicturesTopLeftPixelAtEveryDepth) {
    struct Case {
        DrawConfig cfg;
        std::uint32_t pixel;
    };
    const Case cases[] = {{{"dd8_full", 0, 8, 0}, PAL_KEY},
                          {{"dd16_full", 0, 16, 0}, 0xF81F},
                          {{"dd32_full", 0, 32, 0}, 0xFF00FF},
                          {{"d3d32_full", 1, 32, 0}, 0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Open(c.cfg));
        EXPECT_EQ(g_dwTransmitPixel, c.pixel) << c.cfg.name;
        if (lpDTCon) {
            EXPECT_EQ(lpDTCon->dwColorKey, 0xFFFF00FFu);
            EXPECT_EQ(lpDTCon->rgbTransmit.rgbtRed, 255);
        }
        if (g_lpDDCon) {
            EXPECT_EQ(g_lpDDCon->rgbTransmit16.rgbtRed, 255) << c.cfg.name;
            EXPECT_EQ(g_lpDDCon->rgbTransmit16.rgbtGreen, 0) << c.cfg.name;
        }
        DDEnd();
    }
    // A colour given by the project replaces the picture's at 16 bits, as the key pictures hold.
    ASSERT_TRUE(Open(DrawConfig{"d3d16_window", 1, 16, 1}));
    ASSERT_TRUE(DDSetUpTransmit(&g_TestTable[SYS_PALETTE], true, 0, 177, 0));
    EXPECT_EQ(lpDTCon->rgbTransmit16.rgbtGreen, 177);
    EXPECT_EQ(lpDTCon->wTransmit_16, 0xFC1F); // still the picture's top-left pixel
}

} // namespace

namespace {

// Without vertical sync the present waits for each frame's time itself: 60 frames at 60 a second
// take one second of the clock (whole frames of 1000 / 60 ms from the first present on).
TEST_F(FrameTest, PresentWithoutVerticalSyncPacesItself) {
    win::ManualClock clock;
    clock.now = 5000;
    win::UseManualClock(&clock);
    ResetFrameTimers();
    ASSERT_TRUE(Open(kD3D32)); // vertical sync off
    const win::DWORD start = clock.now;
    for (int i = 0; i < 61; ++i)
        ASSERT_TRUE(DDPresent(60, 0, nullptr));
    const win::DWORD elapsed = clock.now - start;
    win::UseManualClock(nullptr);
    ResetFrameTimers();
    EXPECT_GE(elapsed, 990u);
    EXPECT_LE(elapsed, 1010u);
}

} // namespace

namespace {

TEST_F(FrameTest, DialogModeOnlyActsInFullScreen) {
    ASSERT_TRUE(Open(DrawConfig{"d3d32_window", 1, 32, 1}));
    ASSERT_TRUE(DDBeginScene());
    EXPECT_TRUE(DDSetDialogMode(1));
    EXPECT_EQ(lpDTCon->bSceneBegun, 1); // a window needs nothing
    DDEnd();
    ASSERT_TRUE(Open(DrawConfig{"d3d32_full", 1, 32, 0}));
    ASSERT_TRUE(DDBeginScene());
    EXPECT_TRUE(DDSetDialogMode(1));
    EXPECT_EQ(lpDTCon->bSceneBegun, 0); // the scene is ended for the dialog
    EXPECT_TRUE(DDSetDialogMode(0));
    DDEnd();
    ASSERT_TRUE(Open(kDD32));
    EXPECT_TRUE(DDSetDialogMode(1));
    EXPECT_TRUE(DDSetDialogMode(0));
}

TEST_F(FrameTest, BitmapSizeCheckOnDirectDraw) {
    ASSERT_TRUE(Open(kDD32));
    int tooLarge = -1;
    EXPECT_TRUE(DDCheckBitmapSize(tooLarge, g_TestTable[SYS_SHEET].szFileName, 64, 32));
    EXPECT_EQ(tooLarge, 0);
    EXPECT_TRUE(DDCheckBitmapSize(tooLarge, g_TestTable[SYS_SHEET].szFileName, 63, 32));
    EXPECT_EQ(tooLarge, 1);
    EXPECT_FALSE(DDCheckBitmapSize(tooLarge, (m_dir + "/none.bmp").c_str(), 64, 32));
    EXPECT_EQ(tooLarge, 0);
    DDEnd();
    ASSERT_TRUE(Open(kD3D32));
    tooLarge = 7;
    EXPECT_TRUE(DDCheckBitmapSize(tooLarge, g_TestTable[SYS_SHEET].szFileName, 1, 1));
    EXPECT_EQ(tooLarge, 7); // Direct3D leaves it alone
}

} // namespace

namespace {

std::vector<std::uint8_t> SurfaceBytes(const DDSURFACEDATA& sd) {
    const auto& bytes = std::as_const(*sd.lpDDSide->lpSurface).Pixels().bytes;
    return {bytes.begin(), bytes.end()};
}

// A picture file loaded into several DirectDraw records is held once while its pixels stay as
// loaded: a record drawn on takes pixels of its own, a later load gets the picture as in the file,
// mirrored cells are a picture of their own, and 8-bit surfaces (coloured through the palette of the
// moment) always load anew.
TEST_F(SurfaceTest, APictureNamedByTwoRecordsIsHeldOnce) {
    struct Case {
        DrawConfig cfg;
        bool shared;
    };
    const Case cases[] = {{kDD32, true}, {{"dd16_full", 0, 16, 0}, true}, {{"dd8_full", 0, 8, 0}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cfg.name);
        ASSERT_TRUE(Open(c.cfg));
        // A picture no surface of the fixture holds: the sheet upside down.
        const std::string copy = m_dir + "/sheet_flipped.bmp";
        std::vector<std::uint8_t> indices = SheetIndices();
        for (int y = 0; y < 16; ++y)
            std::swap_ranges(indices.begin() + y * 64, indices.begin() + y * 64 + 64,
                             indices.begin() + (31 - y) * 64);
        std::vector<std::uint32_t> colours(256, 0);
        for (int i = PAL_BLACK; i <= PAL_CYAN; ++i)
            colours[i] = PaletteColour(i);
        WriteBmp8(copy, 64, 32, colours, indices);
        const char* file = copy.c_str();
        const int bpp = c.cfg.nBpp;
        DDSURFACEDATA a, b, again, mirrored;
        ASSERT_EQ(DDCreateSurfaceFromFile(&a, file, 1, bpp, 0, 0, 0, 0, 0, 0, 0), 0);
        ASSERT_EQ(DDCreateSurfaceFromFile(&b, file, 1, bpp, 1, 0, 0, 0, 0, 0, 0), 0);
        const std::vector<std::uint8_t> loaded = SurfaceBytes(a);
        EXPECT_EQ(b.lpDDSide->lpSurface->SharesPixels(), c.shared);
        EXPECT_EQ(SurfaceBytes(b), loaded);
        EXPECT_EQ(b.nWidth, 64);
        EXPECT_EQ(b.nHeight, 32);
        // Drawn on one after the other, each keeps its own drawing.
        DDFillRect(&b, 0, 0, 4, 4, PAL_GREEN);
        EXPECT_EQ(SurfaceBytes(a), loaded);
        DDFillRect(&a, 0, 0, 64, 8, PAL_CYAN);
        EXPECT_NE(SurfaceBytes(a), loaded);
        EXPECT_NE(SurfaceBytes(a), SurfaceBytes(b));
        ASSERT_EQ(DDCreateSurfaceFromFile(&again, file, 1, bpp, 0, 0, 0, 0, 0, 0, 0), 0);
        EXPECT_EQ(SurfaceBytes(again), loaded);
        ASSERT_EQ(DDCreateSurfaceFromFile(&mirrored, file, 1, bpp, 0, 0, 0, 0, 32, 0, 0), 0);
        EXPECT_NE(SurfaceBytes(mirrored), loaded);
        for (DDSURFACEDATA* sd : {&a, &b, &again, &mirrored})
            DDReleaseSurface(sd);
        DDEnd();
    }
}

} // namespace
