// Effect blits: exact pixel rules on the DirectDraw display at 32 bits (and where the paths differ, on
// the others), the refusals of sizes that leave nothing to draw, and one golden frame per display.
#include "draw/dd_effects.h"
#include "draw/dd_palette_fx.h"
#include "app/log.h"
#include "effects_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace fxt;

namespace {

constexpr std::uint32_t kBlack = 0x000000;

class EffectTest : public DisplayTest {
  protected:
    void OpenAt(int display) {
        ASSERT_TRUE(Open(kDisplays[display])) << kDisplays[display].name;
        DDClear(&g_BackBuffer, BLACK);
    }
    DDSURFACEDATA* Bb() { return &g_BackBuffer; }
    DDSURFACEDATA* Pic() { return &g_Surfaces[S_PICTURE]; }
    static std::uint32_t Pc(int x, int y) { return Colour(PictureIndex(x, y)); }
    // Columns of a row that are not black: first and count.
    static std::pair<int, int> LitSpan(const std::vector<std::uint32_t>& f, int y) {
        int first = -1, n = 0;
        for (int x = 0; x < 640; ++x)
            if (At(f, x, y) != kBlack) {
                if (first < 0) first = x;
                ++n;
            }
        return {first, n};
    }
};

constexpr int DD8 = 0, DD16 = 1, DD32 = 3, D3D32 = 6;

} // namespace

TEST_F(EffectTest, FrameLiesInsideAndFramedBoxOutside) {
    OpenAt(DD32);
    DDFrameRect(Bb(), 10, 10, 20, 10, 2, RED);
    auto f = Frame();
    EXPECT_EQ(At(f, 10, 10), 0xFF0000u);
    EXPECT_EQ(At(f, 29, 19), 0xFF0000u);
    EXPECT_EQ(At(f, 11, 11), 0xFF0000u);
    EXPECT_EQ(At(f, 12, 12), kBlack);
    EXPECT_EQ(At(f, 30, 10), kBlack);
    DDBltFramed(Bb(), 100, 100, 30, 20, &g_Surfaces[S_BOX], 3, YELLOW);
    f = Frame();
    EXPECT_EQ(At(f, 97, 97), 0xFFFF00u);
    EXPECT_EQ(At(f, 132, 122), 0xFFFF00u);
    EXPECT_EQ(At(f, 96, 96), kBlack);
    EXPECT_EQ(At(f, 100, 100), 0xFFFFFFu); // the box picture's own border
    EXPECT_EQ(At(f, 110, 110), 0x808080u);
}

TEST_F(EffectTest, WaveCutsStripsAndMovesThemAlongTheSine) {
    OpenAt(DD32);
    // Ten columns in strips of 4: angles 144, 288, 432 degrees give offsets 5, -9, 9 at amplitude 10.
    DDBltWave(Bb(), 100, 100, 10, 20, 1, 10.0, 0, 4, Pic(), 0, 0, 0, 1);
    const auto f = Frame();
    const int dy[10] = {5, 5, 5, 5, -9, -9, -9, -9, 9, 9};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(At(f, 100 + i, 100 + dy[i]), Pc(i, 0)) << i;
        EXPECT_EQ(At(f, 100 + i, 100 + dy[i] + 19), Pc(i, 19)) << i;
        EXPECT_EQ(At(f, 100 + i, 100 + dy[i] - 1), kBlack) << i;
    }
    EXPECT_EQ(LitSpan(f, 109).second, 10);
}

TEST_F(EffectTest, WaveRowsAndSizesWithoutStrips) {
    OpenAt(DD32);
    DDBltWave(Bb(), 100, 100, 20, 10, 1, 10.0, 0, 4, Pic(), 0, 0, 0, 0);
    auto f = Frame();
    // Rows 0-3 move by 5 to the right.
    EXPECT_EQ(At(f, 105, 100), Pc(0, 0));
    EXPECT_EQ(At(f, 104, 100), kBlack);
    // No strip width, no width or height: nothing (and no division by zero).
    DDClear(Bb(), BLACK);
    DDBltWave(Bb(), 100, 100, 0, 10, 1, 10.0, 0, 4, Pic(), 0, 0, 0, 1);
    DDBltWave(Bb(), 100, 100, 10, 0, 1, 10.0, 0, 4, Pic(), 0, 0, 0, 0);
    DDBltWave(Bb(), 100, 100, 10, 10, 1, 10.0, 0, 0, Pic(), 0, 0, 0, 1);
    f = Frame();
    EXPECT_EQ(LitSpan(f, 100).second, 0);
}

TEST_F(EffectTest, StripShiftMovesOddAndEvenStripsApart) {
    OpenAt(DD32);
    // 10 wide in strips of 3: three strips, the last column undrawn.
    DDBltStripShift(Bb(), 100, 100, 10, 10, 3, 2, Pic(), 0, 0, 0, 1);
    auto f = Frame();
    EXPECT_EQ(At(f, 100, 102), Pc(0, 0)); // strip 0 down
    EXPECT_EQ(At(f, 103, 98), Pc(3, 0));  // strip 1 up
    EXPECT_EQ(At(f, 106, 102), Pc(6, 0)); // strip 2 down
    EXPECT_EQ(At(f, 109, 105), kBlack);   // the remainder
    DDClear(Bb(), BLACK);
    DDBltStripShift(Bb(), 100, 100, 10, 9, 3, 2, Pic(), 0, 0, 0, 0);
    f = Frame();
    EXPECT_EQ(At(f, 102, 100), Pc(0, 0));
    EXPECT_EQ(At(f, 98, 103), Pc(0, 3));
    // Strip width 0 is a plain copy.
    DDClear(Bb(), BLACK);
    DDBltStripShift(Bb(), 100, 100, 10, 10, 0, 2, Pic(), 0, 0, 0, 1);
    f = Frame();
    EXPECT_EQ(At(f, 109, 109), Pc(9, 9));
    EXPECT_EQ(At(f, 100, 100), Pc(0, 0));
}

TEST_F(EffectTest, FlipTurnsTheCardAndChangesFaceWhereItIsThinnest) {
    OpenAt(DD32);
    // Front: 16 x 16 of the box's grey; back: one block of the picture.
    const std::uint32_t front = 0x808080, back = Pc(8, 0);
    struct Case {
        int counter, x, width;
        std::uint32_t colour;
    } cases[] = {{0, 100, 64, front}, {31, 131, 2, front}, {32, 131, 2, back},    {63, 100, 64, back},
                 {64, 100, 64, back}, {96, 131, 2, front}, {128, 100, 64, front}, {-1, 100, 64, front}};
    for (const Case& c : cases) {
        DDClear(Bb(), BLACK);
        const bool isBack = c.colour == back;
        DDBltFlip(Bb(), 100, 100, 64, 32, &g_Surfaces[S_BOX], 8, 8, Pic(), 8, 0, 8, 8, 0, c.counter, 0);
        const auto f = Frame();
        const auto span = LitSpan(f, 110);
        EXPECT_EQ(span.first, c.x) << c.counter;
        EXPECT_EQ(span.second, c.width) << c.counter;
        EXPECT_EQ(At(f, c.x, 110), isBack ? back : front) << c.counter;
    }
    // Vertical turn.
    DDClear(Bb(), BLACK);
    DDBltFlip(Bb(), 100, 100, 32, 64, &g_Surfaces[S_BOX], 8, 8, Pic(), 0, 0, 8, 8, 0, 31, 1);
    auto f = Frame();
    EXPECT_EQ(At(f, 110, 131), front);
    EXPECT_EQ(At(f, 110, 130), kBlack);
    // A card too small to turn, and other modes, draw nothing.
    DDClear(Bb(), BLACK);
    DDBltFlip(Bb(), 100, 100, 1, 32, &g_Surfaces[S_BOX], 8, 8, Pic(), 0, 0, 8, 8, 0, 5, 0);
    DDBltFlip(Bb(), 100, 100, 32, 1, &g_Surfaces[S_BOX], 8, 8, Pic(), 0, 0, 8, 8, 0, 5, 1);
    DDBltFlip(Bb(), 100, 100, 32, 32, &g_Surfaces[S_BOX], 8, 8, Pic(), 0, 0, 8, 8, 0, 5, 2);
    f = Frame();
    EXPECT_EQ(LitSpan(f, 100).second, 0);
}

TEST_F(EffectTest, QuartersAtDistanceZeroRebuildThePicture) {
    OpenAt(DD32);
    DDBltQuarters(Bb(), 100, 100, 21, 21, Pic(), 0, 0, 0, 0);
    auto f = Frame();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(At(f, 100 + x, 100 + y), Pc(x, y)) << x << "," << y;
    EXPECT_EQ(At(f, 120, 100), kBlack); // the odd last column
    DDClear(Bb(), BLACK);
    DDBltQuarters(Bb(), 100, 100, 20, 20, Pic(), 0, 0, 5, 0);
    f = Frame();
    EXPECT_EQ(At(f, 95, 95), Pc(0, 0));
    EXPECT_EQ(At(f, 115, 95), Pc(10, 0));
    EXPECT_EQ(At(f, 95, 115), Pc(0, 10));
    EXPECT_EQ(At(f, 115, 115), Pc(10, 10));
}

TEST_F(EffectTest, CircleShowsTheSourceInsideTheDisc) {
    OpenAt(DD32);
    DDBltCircle(Bb(), 200, 200, 32, 32, 0, 1, Pic(), 20, 20, 0);
    auto f = Frame();
    EXPECT_EQ(LitSpan(f, 200).second, 0);
    DDBltCircle(Bb(), 200, 200, 32, 32, 10, 1, Pic(), 20, 20, 0);
    f = Frame();
    EXPECT_EQ(At(f, 200, 200), Pc(20, 20));
    EXPECT_EQ(At(f, 195, 195), Pc(15, 15));
    // Row 0's half chord is 10, one less as it equals the radius: columns 191-208.
    EXPECT_EQ(LitSpan(f, 200), std::make_pair(191, 18));
    EXPECT_EQ(LitSpan(f, 190).second, 0);
    EXPECT_EQ(At(f, 200, 209), Pc(20, 29));
    // Bands of 4 rows limited to a half height of 4.
    DDClear(Bb(), BLACK);
    DDBltCircle(Bb(), 200, 200, 32, 4, 10, 4, Pic(), 20, 20, 0);
    f = Frame();
    EXPECT_EQ(LitSpan(f, 196).second, LitSpan(f, 199).second);
    EXPECT_GT(LitSpan(f, 196).second, 0);
    EXPECT_EQ(LitSpan(f, 195).second, 0);
    EXPECT_EQ(LitSpan(f, 204).second, 0);
}

TEST_F(EffectTest, RotateByZeroAndNinetyOnBothPaths) {
    for (int display : {DD32, D3D32}) {
        OpenAt(display);
        // A 40 x 20 part of the picture (no transparent pixels), pivot at its centre.
        DDBltRotate(Bb(), 300, 200, 40, 20, 20, 10, 0, Pic(), 0, 0, 0);
        auto f = Frame();
        EXPECT_EQ(At(f, 280, 190), Pc(0, 0)) << display;
        EXPECT_EQ(At(f, 319, 209), Pc(39, 19)) << display;
        EXPECT_EQ(At(f, 279, 190), kBlack) << display;
        EXPECT_EQ(At(f, 320, 209), kBlack) << display;
        DDClear(Bb(), BLACK);
        DDBltRotate(Bb(), 300, 200, 40, 20, 20, 10, 90, Pic(), 0, 0, 0);
        f = Frame();
        int minX = 640, maxX = -1, minY = 480, maxY = -1;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (At(f, x, y) != kBlack) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        EXPECT_NEAR(maxX - minX + 1, 20, 1) << display;
        EXPECT_NEAR(maxY - minY + 1, 40, 1) << display;
        // Turned clockwise: the picture's top-left corner goes to the top right.
        EXPECT_EQ(At(f, maxX, minY), Pc(0, 0)) << display;
        DDEnd();
        TearDown();
        SetUp();
    }
}

TEST_F(EffectTest, AlphaMixesHalfAndHalfOnThePixelPaths) {
    OpenAt(DD32);
    DDClear(Bb(), WHITE);
    DDBltAlpha(Bb(), 0, 0, 64, 64, Pic(), 0, 0, 1, nullptr, 200);
    auto f = Frame();
    const std::uint32_t p = Pc(4, 0);
    const std::uint32_t mixed =
        (((p >> 16) + 255) / 2) << 16 | ((((p >> 8) & 0xFF) + 255) / 2) << 8 | (((p & 0xFF) + 255) / 2);
    EXPECT_EQ(At(f, 4, 0), mixed);
    EXPECT_EQ(At(f, 32, 32), 0xFFFFFFu); // transparent source pixel skipped
    DDEnd();
    TearDown();
    SetUp();
    // 8 bits: the blend table, whatever the strength; a target of index 0 takes the source.
    OpenAt(DD8);
    std::vector<std::uint8_t> table(BLEND_TABLE_SIZE, GREEN);
    DDClear(Bb(), BLUE);
    DDFillRect(Bb(), 0, 0, 4, 4, KEY);
    DDBltHalf(Bb(), 0, 0, 64, 64, Pic(), 0, 0, 1, table.data());
    EXPECT_EQ(RawPixel(Bb(), 10, 10), static_cast<std::uint32_t>(GREEN));
    EXPECT_EQ(RawPixel(Bb(), 1, 2), static_cast<std::uint32_t>(PictureIndex(1, 2)));
    EXPECT_EQ(RawPixel(Bb(), 32, 32), static_cast<std::uint32_t>(BLUE));
}

TEST_F(EffectTest, AlphaQuadFromOpaqueToInvisible) {
    OpenAt(D3D32);
    DDClear(Bb(), WHITE);
    DDBltAlpha(Bb(), 0, 0, 64, 64, Pic(), 0, 0, 1, nullptr, 0);
    DDBltAlpha(Bb(), 100, 0, 64, 64, Pic(), 0, 0, 1, nullptr, 255);
    const auto f = Frame();
    EXPECT_EQ(At(f, 4, 0), Pc(4, 0));
    EXPECT_EQ(At(f, 104, 0), 0xFFFFFFu);
}

TEST_F(EffectTest, BlendTintsTowardAPaletteColour) {
    OpenAt(DD16);
    DDSURFACEDATA* work = &g_Surfaces[S_WORK];
    DDClear(work, WHITE);
    DDClear(Bb(), RED);
    EXPECT_TRUE(DDBltBlend(Bb(), 0, 0, 8, 8, work, 0, 0, 0, g_BasePalette, nullptr, BLACK, 0));
    EXPECT_EQ(RawPixel(Bb(), 1, 1), RawPixel(Bb(), 20, 20)); // nCount 0: nothing
    EXPECT_TRUE(DDBltBlend(Bb(), 0, 0, 8, 8, work, 0, 0, 0, g_BasePalette, nullptr, BLACK, 2));
    // Three quarters of the way to black: 255 -> 127 -> 63 in 0-255, back in channel units.
    const PIXCHANNELS& c = g_PixChannels;
    const std::uint32_t expect = (63u * c.nMaxR / 255) << c.nShiftR | (63u * c.nMaxG / 255) << c.nShiftG |
                                 (63u * c.nMaxB / 255) << c.nShiftB;
    EXPECT_EQ(RawPixel(Bb(), 1, 1), expect);
    DDEnd();
    TearDown();
    SetUp();
    // 8 bits: through the blend table nCount times.
    OpenAt(DD8);
    std::vector<std::uint8_t> table(BLEND_TABLE_SIZE);
    for (int i = 0; i < BLEND_TABLE_SIZE; ++i)
        table[i] = static_cast<std::uint8_t>((i >> 8) + 1);
    DDBltBlend(Bb(), 0, 0, 64, 64, Pic(), 0, 0, 1, g_BasePalette, table.data(), RED, 3);
    EXPECT_EQ(RawPixel(Bb(), 4, 0), static_cast<std::uint32_t>(PictureIndex(4, 0) + 3));
    EXPECT_EQ(RawPixel(Bb(), 32, 32), static_cast<std::uint32_t>(BLACK));
}

TEST_F(EffectTest, LensMagnifiesAndRefusesImpossibleShapes) {
    OpenAt(DD32);
    // Depth 0: every point of the disc shows the source's centre.
    DDBltLens(Bb(), 100, 100, 10, 0, Pic(), 20, 20, 0, 0);
    auto f = Frame();
    EXPECT_EQ(At(f, 103, 104), Pc(20, 20));
    EXPECT_EQ(At(f, 110, 100), Pc(30, 20)); // on the rim q is 0: the point's own offset
    EXPECT_EQ(At(f, 110, 110), kBlack);
    // Depth at or past sqrt(R^2 + D^2) truncated, and negative sizes, draw nothing.
    DDClear(Bb(), BLACK);
    DDBltLens(Bb(), 100, 100, 0, 3, Pic(), 20, 20, 0, 0);
    DDBltLens(Bb(), 100, 100, -5, 3, Pic(), 20, 20, 0, 0);
    DDBltLens(Bb(), 100, 100, 5, -3, Pic(), 20, 20, 0, 0);
    f = Frame();
    EXPECT_EQ(LitSpan(f, 100).second, 0);
    // A real lens: the centre is the source's, the rim is pulled outward.
    DDBltLens(Bb(), 100, 100, 10, 20, Pic(), 20, 20, 0, 0);
    f = Frame();
    EXPECT_EQ(At(f, 100, 100), Pc(20, 20));
    // q = sqrt(22^2 - 100) = 19.6; offset trunc(10 x 20 / 19.6 + 0.5) = 10.
    EXPECT_EQ(At(f, 110, 100), Pc(30, 20));
}

TEST_F(EffectTest, LensSpriteClearsTheSquareUnderDirect3D) {
    OpenAt(D3D32);
    DDSURFACEDATA* work = &g_Surfaces[S_WORK];
    DDClear(work, WHITE);
    DDBltLens(work, 20, 20, 5, 0, Pic(), 32, 32, 0, 1);
    DDBlt(Bb(), 0, 0, 64, 64, work, 0, 0, 1);
    const auto f = Frame();
    EXPECT_EQ(At(f, 20, 20), kBlack);    // the source's transparent hole: cleared
    EXPECT_EQ(At(f, 25, 25), kBlack);    // outside the disc, inside the square: cleared
    EXPECT_EQ(At(f, 26, 26), 0xFFFFFFu); // outside the square
}

TEST_F(EffectTest, BlurAveragesTheBoxBeforeThePoint) {
    OpenAt(DD32);
    DDBlur(Bb(), 100, 100, 16, 16, 1, 1, Pic(), 6, 6, 0);
    auto f = Frame();
    auto avg = [](std::initializer_list<std::uint32_t> px) {
        std::uint32_t r = 0, g = 0, b = 0, n = 0;
        for (std::uint32_t p : px)
            r += p >> 16, g += (p >> 8) & 0xFF, b += p & 0xFF, ++n;
        return (r / n) << 16 | (g / n) << 8 | (b / n);
    };
    EXPECT_EQ(At(f, 100, 100), Pc(6, 6)); // only the point itself lies inside the picture
    EXPECT_EQ(At(f, 102, 103), avg({Pc(7, 8), Pc(8, 8), Pc(7, 9), Pc(8, 9)}));
    // Radius 0 draws nothing; 8 bits cannot blur.
    DDClear(Bb(), BLACK);
    DDBlur(Bb(), 100, 100, 16, 16, 0, 1, Pic(), 6, 6, 0);
    f = Frame();
    EXPECT_EQ(LitSpan(f, 105).second, 0);
    DDEnd();
    TearDown();
    SetUp();
    OpenAt(DD8);
    const std::string log = m_dir + "/ec.txt";
    ECLogSet(1, log.c_str());
    DDBlur(Bb(), 100, 100, 16, 16, 1, 1, Pic(), 6, 6, 0);
    ECLogSet(0, "");
    EXPECT_EQ(RawPixel(Bb(), 105, 105), static_cast<std::uint32_t>(BLACK));
    std::ifstream in(log);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.substr(0, line.find('\r')), "8ビットぼかしは不可能！");
}

TEST_F(EffectTest, MosaicCellsTakeTheirTopLeftPixel) {
    for (int display : {DD32, DD8}) {
        OpenAt(display);
        DDMosaic(Bb(), 0, 0, 64, 64, 1, Pic(), 0, 0, 1);
        DDMosaic(Bb(), 100, 0, 20, 20, 8, Pic(), 0, 0, 1);
        // Blocks below one pixel leave the walk nowhere to go: nothing is drawn.
        DDMosaic(Bb(), 200, 0, 20, 20, 0, Pic(), 0, 0, 1);
        DDMosaic(Bb(), 200, 0, 20, 20, -4, Pic(), 0, 0, 1);
        for (int y = 0; y < 64; y += 7)
            for (int x = 0; x < 64; x += 5) {
                const std::uint32_t expect = PictureIndex(x, y) == KEY ? BLACK : PictureIndex(x, y);
                if (display == DD8) {
                    EXPECT_EQ(RawPixel(Bb(), x, y), expect) << x << "," << y;
                }
            }
        const auto f = Frame();
        EXPECT_EQ(At(f, 5, 7), Pc(5, 7));
        EXPECT_EQ(At(f, 107, 3), Pc(0, 0));
        EXPECT_EQ(At(f, 119, 19), Pc(16, 16));
        EXPECT_EQ(At(f, 120, 19), kBlack);
        EXPECT_EQ(LitSpan(f, 5).second, 64 + 20);
        DDEnd();
        TearDown();
        SetUp();
    }
}

// ---- One frame of every effect per display ----

class EffectGoldenTest : public DisplayTest, public ::testing::WithParamInterface<Display> {};

TEST_P(EffectGoldenTest, EveryEffectMatchesTheGoldenFrame) {
    if (!Open(GetParam())) GTEST_SKIP() << "display not available";
    DDSURFACEDATA* bb = &g_BackBuffer;
    DDSURFACEDATA* pic = &g_Surfaces[S_PICTURE];
    DDSURFACEDATA* box = &g_Surfaces[S_BOX];
    std::vector<std::uint8_t> table(BLEND_TABLE_SIZE);
    for (int i = 0; i < BLEND_TABLE_SIZE; ++i)
        table[i] = static_cast<std::uint8_t>(((i >> 8) + (i & 0xFF)) / 2);
    DDClear(bb, GREY);
    DDFrameRect(bb, 4, 4, 632, 472, 2, WHITE);
    DDBltFramed(bb, 20, 20, 64, 40, box, 2, YELLOW);
    DDBltWave(bb, 100, 20, 64, 64, 2, 6.0, 30, 4, pic, 0, 0, 1, 1);
    DDBltWave(bb, 180, 20, 64, 64, 1, 4.0, 0, 1, pic, 0, 0, 1, 0);
    DDBltStripShift(bb, 260, 20, 64, 64, 8, 4, pic, 0, 0, 1, 1);
    DDBltStripShift(bb, 340, 20, 64, 64, 8, 4, pic, 0, 0, 1, 0);
    DDBltFlip(bb, 420, 20, 64, 64, pic, 0, 0, box, 0, 0, 64, 64, 1, 20, 0);
    DDBltFlip(bb, 500, 20, 64, 64, pic, 0, 0, box, 0, 0, 64, 64, 1, 40, 1);
    DDBltQuarters(bb, 30, 130, 64, 64, pic, 0, 0, 6, 1);
    DDBltCircle(bb, 160, 160, 32, 32, 28, 2, pic, 32, 32, 0);
    DDBltRotate(bb, 250, 160, 64, 64, 32, 32, 30, pic, 0, 0, 1);
    DDBltRotate(bb, 340, 160, 64, 64, 32, 32, 90, pic, 0, 0, 0);
    DDBltAlpha(bb, 400, 130, 64, 64, pic, 0, 0, 1, table.data(), 100);
    DDBltHalf(bb, 480, 130, 64, 64, pic, 0, 0, 0, table.data());
    DDBltBlend(bb, 560, 130, 64, 64, pic, 0, 0, 1, g_BasePalette, table.data(), RED, 1);
    DDBltBlend(bb, 20, 240, 64, 64, pic, 0, 0, 1, g_BasePalette, table.data(), BLUE, 3);
    DDBltLens(bb, 150, 270, 30, 40, pic, 32, 32, 1, 0);
    DDBlur(bb, 200, 240, 64, 64, 2, 3, pic, 0, 0, 1);
    DDMosaic(bb, 280, 240, 64, 64, 6, pic, 0, 0, 1);
    DDMosaic(bb, 360, 240, 64, 64, 1, pic, 0, 0, 0);
    // Over the screen's edges.
    DDBltRotate(bb, 630, 470, 64, 64, 32, 32, 45, pic, 0, 0, 1);
    DDBltWave(bb, -20, 400, 64, 64, 1, 8.0, 0, 2, pic, 0, 0, 1, 1);
    DDBltLens(bb, 0, 300, 20, 30, pic, 32, 32, 0, 0);
    EXPECT_EQ(CompareGolden(std::string("effects_") + GetParam().name, Frame()), 0);
}

INSTANTIATE_TEST_SUITE_P(Displays, EffectGoldenTest, ::testing::ValuesIn(kDisplays),
                         [](const auto& info) { return std::string(info.param.name); });

// Direct3D at 16 bits full screen: the back buffer has the display's layout, the pictures another;
// pixels copied by the pixel paths show the colours of a plain copy (green, widened from five bits by
// a shift, may lie one six-bit step off the device's rounding).
TEST_F(EffectTest, PixelPathsKeepColoursOnTheSixteenBitScreen) {
    OpenAt(5);
    DDBlt(Bb(), 0, 0, 64, 64, Pic(), 0, 0, 1);
    DDMosaic(Bb(), 100, 0, 64, 64, 1, Pic(), 0, 0, 1);
    DDBltRotate(Bb(), 232, 32, 64, 64, 32, 32, 0, Pic(), 0, 0, 1);
    DDBlur(Bb(), 300, 0, 64, 64, 1, 1, &g_Surfaces[S_BOX], 8, 8, 0);
    const auto f = Frame();
    auto close = [](std::uint32_t a, std::uint32_t b) {
        const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
        return (a & 0xFF00FF) == (b & 0xFF00FF) && dg >= -4 && dg <= 4;
    };
    for (int y = 0; y < 64; y += 3)
        for (int x = 0; x < 64; x += 3) {
            ASSERT_TRUE(close(At(f, 100 + x, y), At(f, x, y))) << x << "," << y;
            ASSERT_TRUE(close(At(f, 200 + x, y), At(f, x, y))) << x << "," << y;
        }
    // The box's grey stays grey.
    const std::uint32_t grey = At(f, 330, 30);
    EXPECT_EQ(grey >> 16, grey & 0xFF);
    EXPECT_GT(grey & 0xFF, 0x70u);
}

// While the virtual back buffer is on, effects aimed at the back buffer land in it and show after.
TEST_F(EffectTest, EffectsFollowTheVirtualBackBuffer) {
    OpenAt(D3D32);
    DDSetBackBufferMode(1);
    DDClear(Bb(), BLACK);
    DDMosaic(Bb(), 0, 0, 64, 64, 1, Pic(), 0, 0, 1);
    DDBltLens(Bb(), 132, 32, 10, 0, Pic(), 20, 20, 0, 0);
    DDBltRotate(Bb(), 232, 32, 64, 64, 32, 32, 0, Pic(), 0, 0, 1);
    DDBltAlpha(Bb(), 300, 0, 64, 64, Pic(), 0, 0, 1, nullptr, 0);
    DDSetBackBufferMode(0);
    const auto f = Frame();
    EXPECT_EQ(At(f, 5, 7), Pc(5, 7));
    EXPECT_EQ(At(f, 132, 32), Pc(20, 20));
    EXPECT_EQ(At(f, 205, 7), Pc(5, 7));
    EXPECT_EQ(At(f, 305, 7), Pc(5, 7));
}
