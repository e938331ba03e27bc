// The blit clipping rules, the batch order and the small tables, checked without a device.
#include "draw/dd_clip.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

DDBLTRECT Rect(int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    DDBLTRECT r;
    r.x = x, r.y = y, r.w = w, r.h = h, r.sx = sx, r.sy = sy, r.sw = sw, r.sh = sh;
    return r;
}

void ExpectRect(const DDBLTRECT& r, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.w, w);
    EXPECT_EQ(r.h, h);
    EXPECT_EQ(r.sx, sx);
    EXPECT_EQ(r.sy, sy);
    EXPECT_EQ(r.sw, sw);
    EXPECT_EQ(r.sh, sh);
}

TEST(ClipSameSize, LeftOverhangCutsTheSourceAndNegativeSourceDoesNotMoveThePicture) {
    auto r = Rect(-10, 0, 32, 32, 0, 0, 32, 32);
    ASSERT_TRUE(DDClipSameSize(r, 640, 480, 64, 64));
    ExpectRect(r, 0, 0, 22, 32, 10, 0, 22, 32);

    r = Rect(100, 50, 32, 32, -10, 0, 32, 32);
    ASSERT_TRUE(DDClipSameSize(r, 640, 480, 64, 64));
    ExpectRect(r, 100, 50, 22, 32, 0, 0, 22, 32);
}

TEST(ClipSameSize, OverhangsAreCutAndOutsideDrawsNothing) {
    auto r = Rect(630, 470, 32, 32, 0, 0, 32, 32);
    ASSERT_TRUE(DDClipSameSize(r, 640, 480, 64, 64));
    ExpectRect(r, 630, 470, 10, 10, 0, 0, 10, 10);

    r = Rect(640, 0, 32, 32, 0, 0, 32, 32);
    EXPECT_FALSE(DDClipSameSize(r, 640, 480, 64, 64));
    r = Rect(-32, 0, 32, 32, 0, 0, 32, 32);
    EXPECT_FALSE(DDClipSameSize(r, 640, 480, 64, 64));
    r = Rect(0, 500, 32, 32, 0, 0, 32, 32);
    EXPECT_FALSE(DDClipSameSize(r, 640, 480, 64, 64));
    r = Rect(0, 0, 32, 32, 64, 0, 32, 32); // source wholly right of the picture
    EXPECT_FALSE(DDClipSameSize(r, 640, 480, 64, 64));
}

TEST(ClipSameSize, PictureWiderThanTheTargetStartingLeftOfItIsCutOnBothSides) {
    // 100 wide onto a 40 wide target from x = -10: the visible 40 columns come from 10..49.
    auto r = Rect(-10, -5, 100, 100, 0, 0, 100, 100);
    ASSERT_TRUE(DDClipSameSize(r, 40, 30, 100, 100));
    ExpectRect(r, 0, 0, 40, 30, 10, 5, 40, 30);
}

// The test for a picture wholly inside both surfaces holds exactly where the clipping leaves the
// picture as it is: on the edges, one pixel beyond them, and at the ends of int.
TEST(ClipSameSize, InsideBothSurfacesIsWhereTheClippingLeavesThePicture) {
    struct Case {
        int x, y, w, h, sx, sy;
        bool inside;
    };
    const Case cases[] = {
        {0, 0, 32, 32, 0, 0, true},        {608, 448, 32, 32, 32, 32, true},
        {609, 0, 32, 32, 0, 0, false},     {0, 449, 32, 32, 0, 0, false},
        {0, 0, 32, 32, 33, 0, false},      {0, 0, 32, 32, 0, 33, false},
        {-1, 0, 32, 32, 0, 0, false},      {0, -1, 32, 32, 0, 0, false},
        {0, 0, 32, 32, -1, 0, false},      {0, 0, 32, 32, 0, -1, false},
        {0, 0, 0, 32, 0, 0, false},        {0, 0, 32, -4, 0, 0, false},
        {INT_MAX, 0, 32, 32, 0, 0, false}, {0, 0, 32, 32, INT_MAX, 0, false},
        {0, 0, INT_MAX, 32, 0, 0, false},  {0, 0, 1, 1, 63, 63, true},
    };
    for (const Case& c : cases) {
        auto r = Rect(c.x, c.y, c.w, c.h, c.sx, c.sy, c.w, c.h);
        const bool kept = DDClipSameSize(r, 640, 480, 64, 64) && r.x == c.x && r.y == c.y && r.w == c.w &&
                          r.h == c.h && r.sx == c.sx && r.sy == c.sy && r.sw == c.w && r.sh == c.h;
        EXPECT_EQ(DDInsideSameSize(c.x, c.y, c.w, c.h, c.sx, c.sy, 640, 480, 64, 64), c.inside)
            << c.x << " " << c.y << " " << c.w << " " << c.h << " " << c.sx << " " << c.sy;
        EXPECT_EQ(kept, c.inside) << c.x << " " << c.y << " " << c.w << " " << c.h << " " << c.sx << " "
                                  << c.sy;
    }
}

// Positions and sizes as far out as an int holds draw nothing or the visible part, and are
// worked out without overflowing (the sanitizer build checks the arithmetic).
TEST(ClipExtremes, PositionsAndSizesAtTheEndsOfInt) {
    struct Case {
        const char* what;
        DDBLTRECT r;
        bool scaledD3D;
        bool drawn;
        DDBLTRECT kept;
    };
    const Case cases[] = {
        {"same size, x at the smallest int", Rect(INT_MIN, 0, 160, 120, 0, 0, 160, 120), false, false, {}},
        {"same size, y at the smallest int", Rect(0, INT_MIN, 160, 120, 0, 0, 160, 120), false, false, {}},
        {"same size, x at the largest int", Rect(INT_MAX, 0, 160, 120, 0, 0, 160, 120), false, false, {}},
        {"same size, a source start at the smallest int",
         Rect(0, 0, 160, 120, INT_MIN, 0, 160, 120),
         false,
         false,
         {}},
        {"scaled, ten times as wide from the left", Rect(-100, 0, 1600, 120, 0, 0, 160, 120), false, true,
         Rect(0, 0, 640, 120, 10, 0, 64, 120)},
        // Each source column covers millions of target columns: less than one is kept.
        {"scaled, the largest width from the left",
         Rect(-100, 0, INT_MAX, 120, 0, 0, 160, 120),
         false,
         false,
         {}},
        {"scaled, the largest width from inside",
         Rect(100, 0, INT_MAX, 120, 0, 0, 160, 120),
         false,
         false,
         {}},
        {"scaled, x at the smallest int", Rect(INT_MIN, 0, 320, 240, 0, 0, 160, 120), false, false, {}},
        {"scaled Direct3D, x at the smallest int", Rect(INT_MIN, 0, 320, 240, 0, 0, 160, 120), true, true,
         Rect(INT_MIN, 0, 320, 240, 0, 0, 160, 120)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DDBLTRECT r = c.r;
        const bool drawn = c.r.w == c.r.sw && c.r.h == c.r.sh
                               ? DDClipSameSize(r, 640, 480, 160, 120)
                               : DDClipScaled(r, 640, 480, 160, 120, c.scaledD3D);
        EXPECT_EQ(drawn, c.drawn);
        if (drawn && c.drawn)
            ExpectRect(r, c.kept.x, c.kept.y, c.kept.w, c.kept.h, c.kept.sx, c.kept.sy, c.kept.sw, c.kept.sh);
    }
}

TEST(ClipScaled, ZeroSourceExtentDrawsNothing) {
    auto r = Rect(0, 0, 64, 64, 0, 0, 0, 32);
    EXPECT_FALSE(DDClipScaled(r, 640, 480, 64, 64, true));
    r = Rect(0, 0, 64, 64, 0, 0, 32, 0);
    EXPECT_FALSE(DDClipScaled(r, 640, 480, 64, 64, false));
}

TEST(ClipScaled, DirectDrawCutsTheTargetAndMovesTheSourceByTheSameFraction) {
    // 32 x 32 doubled to 64 x 64 at x = -16: a quarter of the target lies outside.
    auto r = Rect(-16, 0, 64, 64, 0, 0, 32, 32);
    ASSERT_TRUE(DDClipScaled(r, 640, 480, 64, 64, false));
    ExpectRect(r, 0, 0, 48, 64, 8, 0, 24, 32);

    r = Rect(620, 0, 64, 64, 0, 0, 32, 32);
    ASSERT_TRUE(DDClipScaled(r, 640, 480, 64, 64, false));
    ExpectRect(r, 620, 0, 20, 64, 0, 0, 10, 32);

    r = Rect(-70, 0, 64, 64, 0, 0, 32, 32);
    EXPECT_FALSE(DDClipScaled(r, 640, 480, 64, 64, false));
}

TEST(ClipScaled, Direct3DLeavesTheTargetToTheDeviceAndKeepsMirroring) {
    auto r = Rect(-16, 0, 64, 64, 0, 0, 32, 32);
    ASSERT_TRUE(DDClipScaled(r, 640, 480, 64, 64, true));
    ExpectRect(r, -16, 0, 64, 64, 0, 0, 32, 32);

    // Mirrored source from 32 leftward over 32 pixels stays as given.
    r = Rect(0, 0, 64, 64, 32, 0, -32, 32);
    ASSERT_TRUE(DDClipScaled(r, 640, 480, 64, 64, true));
    ExpectRect(r, 0, 0, 64, 64, 32, 0, -32, 32);

    // A source hanging over the picture's right edge keeps the visible fraction.
    r = Rect(0, 0, 64, 32, 48, 0, 32, 32);
    ASSERT_TRUE(DDClipScaled(r, 640, 480, 64, 64, true));
    ExpectRect(r, 0, 0, 32, 32, 48, 0, 16, 32);
}

TEST(MirrorRule, CellsAreTakenFromTheMirroredSide) {
    int s = 40, e = 16;
    DDApplyMirrorRule(s, e, 32);
    EXPECT_EQ(s, 56);
    EXPECT_EQ(e, -16);
    s = 64, e = 32;
    DDApplyMirrorRule(s, e, 32);
    EXPECT_EQ(s, 96);
    EXPECT_EQ(e, -32);
    s = 0, e = 64; // wider than a cell: left alone
    DDApplyMirrorRule(s, e, 32);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 64);
    s = 5, e = 10;
    DDApplyMirrorRule(s, e, 0);
    EXPECT_EQ(s, 5);
    EXPECT_EQ(e, 10);
}

DDBATCHCMD Cmd(DDSURFACEDATA* src, int key, int x) {
    DDBATCHCMD c;
    c.lpSrcSD = src;
    c.nRegKey = key;
    c.rect.x = x;
    return c;
}

TEST(BatchOrder, RegisteredSourcesInOrderUnregisteredFirstRecordingOrderInside) {
    DDSURFACEDATA* a = reinterpret_cast<DDSURFACEDATA*>(0x1000);
    DDSURFACEDATA* b = reinterpret_cast<DDSURFACEDATA*>(0x2000);
    DDSURFACEDATA* u = reinterpret_cast<DDSURFACEDATA*>(0x3000);
    // A registered first (100000), B second (200000); recorded B1, A1, B2, A2, U.
    std::vector<DDBATCHCMD> cmds{Cmd(b, 200000, 1), Cmd(a, 100000, 2), Cmd(b, 200000, 3), Cmd(a, 100000, 4),
                                 Cmd(u, 0, 5)};
    DDSortBatch(cmds);
    std::vector<int> order;
    for (auto& c : cmds)
        order.push_back(c.rect.x);
    EXPECT_EQ(order, (std::vector<int>{5, 2, 4, 1, 3}));
}

TEST(BatchOrder, RecordingOrderHoldsBeyondOneHundredThousandQuads) {
    DDSURFACEDATA* a = reinterpret_cast<DDSURFACEDATA*>(0x1000);
    DDSURFACEDATA* b = reinterpret_cast<DDSURFACEDATA*>(0x2000);
    std::vector<DDBATCHCMD> cmds;
    const int n = 150000;
    for (int i = 0; i < n; ++i)
        cmds.push_back(Cmd(i % 2 ? b : a, i % 2 ? 200000 : 100000, i));
    DDSortBatch(cmds);
    for (int i = 0; i < n / 2; ++i) {
        ASSERT_EQ(cmds[i].rect.x, 2 * i);
        ASSERT_EQ(cmds[n / 2 + i].rect.x, 2 * i + 1);
    }
}

TEST(BatchOrder, GroupsAreRunsOfEqualState) {
    DDSURFACEDATA* a = reinterpret_cast<DDSURFACEDATA*>(0x1000);
    std::vector<DDBATCHCMD> cmds{Cmd(a, 0, 0), Cmd(a, 0, 1), Cmd(a, 0, 2), Cmd(a, 0, 3)};
    cmds[2].dwDiffuse = 0x80FFFFFF;
    EXPECT_EQ(DDBatchGroupLength(cmds, 0), 2u);
    EXPECT_EQ(DDBatchGroupLength(cmds, 2), 1u);
    EXPECT_EQ(DDBatchGroupLength(cmds, 3), 1u);
}

TEST(TextureSize, PowersOfTwoAndSquare) {
    int w = 100, h = 50;
    DDFitTextureSizeRule(w, h, true, false);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 64);
    w = 100, h = 50;
    DDFitTextureSizeRule(w, h, true, true);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 128);
    w = 256, h = 33;
    DDFitTextureSizeRule(w, h, true, false);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 64);
    w = 100, h = 50;
    DDFitTextureSizeRule(w, h, false, false);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
}

} // namespace
