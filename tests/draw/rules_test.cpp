// Exact rules of fills and blits on every back-end and depth, checked pixel by pixel on the
// presented frame.
#include "draw_fixture.h"

#include "draw/dd_effects.h"

namespace {

class RulesTest : public DrawTest, public ::testing::WithParamInterface<DrawConfig> {};

const std::uint32_t kBlue = 0x0000FF, kRed = 0xFF0000, kGreen = 0x00FF00, kCyan = 0x00FFFF, kKey = 0xFF00FF;

// Pixel copies onto the full-screen 16-bit back buffer move the texture's 5-bit green into the
// display's 6-bit field one place further left, so full green shows as 0xFB.
std::uint32_t PixelPathGreen(const DrawConfig& c) {
    return c.bD3D && c.nBpp == 16 && c.nWindowMode == 0 ? 0x00FB00 : kGreen;
}

TEST_P(RulesTest, FillsAreCutToTheSurfaceOnBothSides) {
    OPEN_OR_SKIP(GetParam());
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDFillRect(&g_BackBuffer, -20, 10, 700, 5, PAL_RED);  // wider than the screen, from the left
    DDFillRect(&g_BackBuffer, -10, 40, 30, 5, PAL_GREEN); // left overhang only
    DDFillRect(&g_BackBuffer, 630, 470, 30, 30, PAL_CYAN);
    const auto f = PresentAndRead();
    EXPECT_EQ(At(f, 0, 12), kRed);
    EXPECT_EQ(At(f, 639, 12), kRed);
    EXPECT_EQ(At(f, 320, 15), kBlue);
    EXPECT_EQ(At(f, 0, 40), kGreen);
    EXPECT_EQ(At(f, 19, 44), kGreen);
    EXPECT_EQ(At(f, 20, 44), kBlue);
    EXPECT_EQ(At(f, 639, 479), kCyan);
    EXPECT_EQ(At(f, 629, 479), kBlue);
}

TEST_P(RulesTest, KeyedOpaqueStretchedAndMirroredCopies) {
    OPEN_OR_SKIP(GetParam());
    DDSURFACEDATA* sheet = &g_TestSurfaces[SYS_SHEET];
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDBlt(&g_BackBuffer, 100, 100, 64, 32, sheet, 0, 0, 1);
    DDBlt(&g_BackBuffer, 200, 100, 64, 32, sheet, 0, 0, 0);
    DDBltStretch(&g_BackBuffer, 300, 100, 64, 64, sheet, 0, 0, 32, 32, 1);
    DDBlt(&g_BackBuffer, 400, 100, 64, 32, &g_TestSurfaces[SYS_MIRROR], 0, 0, 1);
    // The same mirrored cells from a 24-bit picture (converted pixel by pixel at 16 bits).
    DDSURFACEDATA mirror24;
    ASSERT_EQ(DDCreateSurfaceFromFile(&mirror24, g_TestTable[SYS_SHEET24].szFileName, 1, GetParam().nBpp, 0,
                                      0, 0, 0, 32, 0, 0),
              0);
    DDBlt(&g_BackBuffer, 500, 100, 64, 32, &mirror24, 0, 0, 1);
    DDReleaseSurface(&mirror24);
    const auto f = PresentAndRead();
    // Keyed: the key shows what lies beneath.
    EXPECT_EQ(At(f, 100, 100), kBlue);
    EXPECT_EQ(At(f, 103, 103), kRed);
    EXPECT_EQ(At(f, 100 + 46, 100 + 14), kBlue); // the hole of cell 1
    // Opaque copy of a keyed sheet onto the back buffer: the transparent colour itself.
    EXPECT_EQ(At(f, 200, 100), kKey);
    EXPECT_EQ(At(f, 246, 114), kKey);
    EXPECT_EQ(At(f, 203, 103), kRed);
    // Doubled: source (2..7) red upright becomes 4..15.
    EXPECT_EQ(At(f, 303, 110), kBlue);
    EXPECT_EQ(At(f, 304, 110), kRed);
    EXPECT_EQ(At(f, 315, 110), kRed);
    EXPECT_EQ(At(f, 316, 110), kBlue);
    // Mirrored cells: the upright moves from 2..7 to 24..29 inside the cell.
    EXPECT_EQ(At(f, 402, 110), kBlue);
    EXPECT_EQ(At(f, 424, 110), kRed);
    EXPECT_EQ(At(f, 429, 110), kRed);
    EXPECT_EQ(At(f, 430, 110), kBlue);
    EXPECT_EQ(At(f, 502, 110), kBlue);
    EXPECT_EQ(At(f, 524, 110), kRed);
    EXPECT_EQ(At(f, 529, 110), kRed);
    EXPECT_EQ(At(f, 530, 110), kBlue);
    EXPECT_EQ(At(f, 500 + 57, 100 + 5), 0xFFFFFFu); // cell 1's white corner (36..39) now at 56..59
    EXPECT_EQ(At(f, 500 + 37, 100 + 5), kCyan);
}

TEST_P(RulesTest, APictureWiderThanItsTargetStartingLeftOfItIsCut) {
    OPEN_OR_SKIP(GetParam());
    DDSURFACEDATA* small = &g_TestSurfaces[SYS_SYSMEM]; // 32 x 32
    DDClear(small, PAL_BLUE);
    DDBlt(small, -8, 0, 64, 32, &g_TestSurfaces[SYS_SHEET], 0, 0, 0);
    DDClear(&g_BackBuffer, PAL_BLACK);
    DDBlt(&g_BackBuffer, 500, 100, 32, 32, small, 0, 0, 0);
    const auto f = PresentAndRead();
    // Column 0 of the small surface is sheet column 8: green foot at row 26, key above it.
    const std::uint32_t green = PixelPathGreen(GetParam());
    EXPECT_EQ(At(f, 500, 126), green);
    EXPECT_EQ(At(f, 517, 126), green);                      // sheet column 25
    EXPECT_EQ(At(f, 500 + 20, 100 + 4), 0xFF0000u | green); // sheet (28, 4): the yellow dot
}

TEST_P(RulesTest, SortedBatchDrawsByRegisteredSourceDirectDrawInCallOrder) {
    OPEN_OR_SKIP(GetParam());
    DDSURFACEDATA* sheet = &g_TestSurfaces[SYS_SHEET];
    DDSURFACEDATA* sheet24 = &g_TestSurfaces[SYS_SHEET24];
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDBeginBatch(1);
    DDBatchAddSurface(sheet24);
    DDBatchAddSurface(sheet);
    DDBlt(&g_BackBuffer, 20, 200, 32, 32, sheet, 32, 0, 0);  // cyan square
    DDBlt(&g_BackBuffer, 20, 200, 32, 32, sheet24, 0, 0, 0); // key where the square is
    DDEndBatch();
    const auto f = PresentAndRead();
    // Direct3D draws sheet24 (registered first) before sheet; DirectDraw in call order.
    EXPECT_EQ(At(f, 30, 210), GetParam().bD3D ? kCyan : kKey);
}

TEST_P(RulesTest, FillsDrawnDuringABatchLandBeneathItsQuads) {
    OPEN_OR_SKIP(GetParam());
    DDClear(&g_BackBuffer, PAL_BLUE);
    DDBeginBatch(0);
    DDBlt(&g_BackBuffer, 100, 100, 32, 32, &g_TestSurfaces[SYS_SHEET], 32, 0, 1);
    DDFillRect(&g_BackBuffer, 100, 100, 32, 32, PAL_GREEN);
    DDEndBatch();
    const auto f = PresentAndRead();
    EXPECT_EQ(At(f, 110, 110), GetParam().bD3D ? kCyan : kGreen);
}

// The pixel paths (a copy from system memory, an effect) skip a transparent texel: at 32 bits alpha
// 0, at 16 bits a texel with neither bit 15 (alpha) nor bit 13 (a red bit) set.
TEST_P(RulesTest, KeyedPixelPathsSkipA16BitTexelOnlyWithoutBits15And13) {
    const DrawConfig& cfg = GetParam();
    OPEN_OR_SKIP(cfg);
    if (!cfg.bD3D) GTEST_SKIP() << "textures with alpha exist on the Direct3D back-end only";
    const struct {
        std::uint32_t argb;
        bool drawn16, drawn32;
    } cases[] = {
        {0xFF00FF00, true, true},   // opaque green
        {0x00FF0000, true, false},  // transparent red: bit 13 set at 16 bits
        {0x00200000, false, false}, // transparent dark red: red bit 1 only
        {0x0000FF00, false, false}, // transparent green
        {0x00000000, false, false},
    };
    DDSURFACEDATA* sys = &g_TestSurfaces[SYS_SYSMEM];
    for (const auto& c : cases) {
        DDFillRectRGB(sys, 0, 0, 32, 32, c.argb);
        DDClear(&g_BackBuffer, PAL_BLUE);
        DDBlt(&g_BackBuffer, 300, 300, 32, 32, sys, 0, 0, 1);
        DDMosaic(&g_BackBuffer, 400, 300, 32, 32, 4, sys, 0, 0, 1);
        const auto f = PresentAndRead();
        const bool drawn = cfg.nBpp == 16 ? c.drawn16 : c.drawn32;
        EXPECT_EQ(At(f, 310, 310) != kBlue, drawn) << std::hex << c.argb << " copied";
        EXPECT_EQ(At(f, 410, 310) != kBlue, drawn) << std::hex << c.argb << " in a mosaic";
    }
}

// Under Direct3D every picture file is loaded with the colour key: its key-coloured pixels become
// transparent texels even in a surface asked for without the key, on the device and on the pixel
// path alike. Under DirectDraw such a surface copies them as they are.
TEST_P(RulesTest, PictureFilesAreLoadedWithTheColourKey) {
    const DrawConfig& cfg = GetParam();
    OPEN_OR_SKIP(cfg);
    const struct {
        int d3dMemory;
        std::uint32_t flags;
    } cases[] = {{DTMEMORYTYPE_VIDEO_RT, 0}, {DTMEMORYTYPE_VIDEO_RT, 1}, {DTMEMORYTYPE_SYSTEM, 1}};
    for (const auto& c : cases) {
        if (!cfg.bD3D && c.flags) continue;
        DDSURFACEDATA sd;
        ASSERT_EQ(DDCreateSurfaceFromFile(&sd, g_TestTable[SYS_SHEET].szFileName, 0, cfg.nBpp, 0, c.d3dMemory,
                                          0, 0, 0, 0, 0),
                  0);
        DDClear(&g_BackBuffer, PAL_BLUE);
        DDBlt(&g_BackBuffer, 100, 100, 64, 32, &sd, 0, 0, c.flags);
        const auto f = PresentAndRead();
        DDReleaseSurface(&sd);
        EXPECT_EQ(At(f, 100, 100), cfg.bD3D ? kBlue : kKey)
            << "memory " << c.d3dMemory << " flags " << c.flags;
        EXPECT_EQ(At(f, 104, 110), kRed) << "memory " << c.d3dMemory << " flags " << c.flags;
    }
}

INSTANTIATE_TEST_SUITE_P(AllDisplays, RulesTest, ::testing::ValuesIn(kAllConfigs),
                         [](const ::testing::TestParamInfo<DrawConfig>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
