// A sword drawn from the stage's sword picture: the frame's rectangle facing left, its mirror facing
// right (or the type's own right-facing picture as it is), and both stretched by the giant factor,
// on either back-end.
#include "draw/display_files.h"
#include "objects/shot.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "play/stage_draw_fixture.h"
#include "project/project_database.h"

#include <list>
#include <set>

namespace {

// The frame's rectangle in the 96 x 32 picture: 48 x 8 at (8, 4), across two 32-pixel cells and
// aligned to neither. Each column of it shows its own pair of colours (upper and lower half), column
// 13 is transparent; the rest of the picture is red, so that any pixel read from outside the
// rectangle shows.
constexpr int kCellX = 8, kCellY = 4, kW = 48, kH = 8;
constexpr int kKeyColumn = 13;

// The palette entry of picture pixel (u, v) inside the rectangle.
int PixelColour(int u, int v) {
    static const std::vector<int> entries = [] {
        std::vector<int> e;
        std::set<std::uint32_t> seen{StagePaletteColour(SP_KEY), StagePaletteColour(SP_BLUE),
                                     StagePaletteColour(SP_RED)};
        for (int i = 8; i < 256 && e.size() < 26; ++i)
            if (seen.insert(StagePaletteColour(i)).second) e.push_back(i);
        return e;
    }();
    if (u == kKeyColumn) return SP_KEY;
    const int i = u - kCellX;
    return entries.at(static_cast<std::size_t>(v < kCellY + kH / 2 ? i % 24 : 24 + i / 24));
}

class SwordDraw : public StageDrawTest, public ::testing::WithParamInterface<int> {
  protected:
    void TearDown() override {
        g_Database.m_SwordTypes = m_SavedSwords;
        StageDrawTest::TearDown();
    }

    // The sword picture on disk and sword type 1 of the database using frame (kCellX, kCellY).
    void MakeSwordType() {
        std::vector<std::uint32_t> colours(256);
        for (int i = 0; i < 256; ++i)
            colours[i] = StagePaletteColour(i);
        std::vector<std::uint8_t> px(96 * 32, SP_RED);
        for (int v = kCellY; v < kCellY + kH; ++v)
            for (int u = kCellX; u < kCellX + kW; ++u)
                px[static_cast<std::size_t>(v) * 96 + u] = static_cast<std::uint8_t>(PixelColour(u, v));
        WriteBmp8(m_dir + "/sword.bmp", 96, 32, colours, px);
        WriteBmp8(m_dir + "/sword_right.bmp", 96, 32, colours, px);

        m_SavedSwords = g_Database.m_SwordTypes;
        g_Database.m_SwordTypes.clear();
        g_Database.m_SwordTypes.push_back(cEdSwordType{});
        cEdSwordType sword;
        sword.szFileName = m_dir + "/sword.bmp";
        cEdSwordFrame& f = sword.m_Frames.at(0);
        f.nCellX = kCellX;
        f.nCellY = kCellY;
        f.nWidth = kW;
        f.nHeight = kH;
        f.nTime = 5;
        g_Database.m_SwordTypes.push_back(sword);
    }

    // The owner's box on screen is (200, 200) - (231, 231).
    cStageChara& AddOwner(int dir) {
        g_Charas.clear();
        cStageChara& c = g_Charas.emplace_back();
        c.m_nId = 41;
        c.m_nDir = dir;
        c.m_nHitW = c.m_nHitH = c.m_nHitW0 = c.m_nHitH0 = 32;
        c.m_rcScreen = {200, 200, 231, 231};
        return c;
    }

    // Swings sword type 1 of the given giant factor for an owner facing `dir`, places it by the
    // sword step and draws it on a blue frame.
    std::vector<std::uint32_t> Swing(int dir, int scale, cScreenRect& where) {
        cStageChara& owner = AddOwner(dir);
        cEdShot rec;
        rec.m_nMoveKind = 1;
        rec.m_nSizeFactor = static_cast<std::uint8_t>(scale);
        std::list<cShot> shots;
        EXPECT_TRUE(ExecSword(owner, rec, shots));
        cShot& sword = shots.back();
        EXPECT_EQ(sword.MoveStep(), 0);
        where = sword.m_rcScreen;
        DDClear(&g_BackBuffer, SP_BLUE);
        sword.Draw(&g_BackBuffer, 0);
        return PresentAndRead();
    }

    cCheckedVector<cEdSwordType> m_SavedSwords;
};

// The right-facing picture: none (the mirror of the left-facing one), the type's own, or a file that
// cannot be read (the mirror again).
enum RightPicture { kMirror, kOwn, kUnreadable };

TEST_P(SwordDraw, DrawsItsFrameFacingLeftAndTheMirrorOrItsOwnPictureFacingRightAlsoStretched) {
    ASSERT_TRUE(Open(GetParam()));
    MakeSwordType();
    InstallStageDrawing(nullptr);
    const std::uint32_t blue = StagePaletteColour(SP_BLUE);

    struct Case {
        RightPicture right;
        int dir, scale, left, top;
    };
    // In front of the owner: left of its box facing left, right of it facing right; centred on its
    // middle row (216).
    const Case cases[] = {{kMirror, 0, 1, 200 - kW, 216 - kH / 2}, {kMirror, 1, 1, 232, 216 - kH / 2},
                          {kMirror, 0, 2, 200 - 2 * kW, 216 - kH}, {kMirror, 1, 2, 232, 216 - kH},
                          {kOwn, 1, 1, 232, 216 - kH / 2},         {kOwn, 1, 2, 232, 216 - kH},
                          {kOwn, 0, 1, 200 - kW, 216 - kH / 2},    {kUnreadable, 1, 1, 232, 216 - kH / 2},
                          {kUnreadable, 1, 2, 232, 216 - kH}};
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "right picture " << k.right << " facing " << k.dir << " scale " << k.scale);
        g_Database.m_SwordTypes.at(1).szFileName2 =
            k.right == kMirror ? "" : m_dir + (k.right == kOwn ? "/sword_right.bmp" : "/missing.bmp");
        LoadStageSwords();
        const bool mirrored = k.dir == 1 && k.right != kOwn;
        cScreenRect where{};
        const auto frame = Swing(k.dir, k.scale, where);
        ASSERT_EQ(where.left, k.left);
        ASSERT_EQ(where.top, k.top);
        const int w = kW * k.scale, h = kH * k.scale;
        ASSERT_EQ(where.right - where.left + 1, w);
        ASSERT_EQ(where.bottom - where.top + 1, h);
        int wrong = 0;
        for (int y = k.top - 2; y < k.top + h + 2; ++y)
            for (int x = k.left - 2; x < k.left + w + 2; ++x) {
                std::uint32_t expected = blue;
                if (x >= k.left && x < k.left + w && y >= k.top && y < k.top + h) {
                    const int i = (x - k.left) / k.scale;
                    const int u = mirrored ? kCellX + kW - 1 - i : kCellX + i;
                    const int v = kCellY + (y - k.top) / k.scale;
                    if (u != kKeyColumn) expected = StagePaletteColour(PixelColour(u, v));
                }
                if (At(frame, x, y) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "(" << x << ", " << y << ") " << std::hex << At(frame, x, y)
                                  << " instead of " << expected;
            }
        EXPECT_EQ(wrong, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SwordDraw, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param ? "D3D" : "DDraw"; });

} // namespace
