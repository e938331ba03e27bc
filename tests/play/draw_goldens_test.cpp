// Golden frames kept as 64-bit checksums, on both back-ends at 32 bits: every character draw mode in
// one picture, each screen effect at a fixed frame, and the screen colour (also fading the palette of
// an 8-bit DirectDraw display).
// M4_UPDATE_GOLDEN=1 prints the table rows of the frames drawn now and writes them as BMP files into
// the build folder (golden_review/) for a look by eye; a frame that differs from its row is written
// there too.
#include "draw/dd_startup.h"
#include "draw/display_files.h"
#include "objects/chara_draw.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "play/screen_effects.h"
#include "play/stage_draw_fixture.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr int M = STAGE_MARGIN_BLOCKS * BLOCK_SIZE;

// The frames as looked at once; the rows come from M4_UPDATE_GOLDEN=1.
constexpr GoldenSum kGoldens[] = {
    {"modes_dd", 0x18856f9e66c64984ull},           {"modes_d3d", 0x0a8127ff72e9e6d6ull},
    {"screen_move_dd", 0x8cc92b6327b00ee3ull},     {"screen_shake_h_dd", 0x16d4840c6e20c113ull},
    {"screen_shake_v_dd", 0x55e8f08da9b23047ull},  {"screen_split_h_dd", 0x78ac302f6b480963ull},
    {"screen_split_v_dd", 0xd8c41be574c8fe93ull},  {"screen_wave_h_dd", 0xa4dc7bcca9009d6full},
    {"screen_wave_v_dd", 0xa882b8a1be0b4843ull},   {"screen_blink_dd", 0x81f01efd9128d625ull},
    {"screen_rotate_dd", 0xa4f9b001ea5caf6cull},   {"screen_circle_dd", 0x2a022b1a340bf3d9ull},
    {"screen_zoom_dd", 0x5d3d121824ae08a1ull},     {"screen_lens_dd", 0x23b12de127d23b28ull},
    {"screen_mosaic_dd", 0xb82b8db61d33eae5ull},   {"screen_move_d3d", 0x8cc92b6327b00ee3ull},
    {"screen_shake_h_d3d", 0x16d4840c6e20c113ull}, {"screen_shake_v_d3d", 0x55e8f08da9b23047ull},
    {"screen_split_h_d3d", 0x78ac302f6b480963ull}, {"screen_split_v_d3d", 0xd8c41be574c8fe93ull},
    {"screen_wave_h_d3d", 0xa4dc7bcca9009d6full},  {"screen_wave_v_d3d", 0xa882b8a1be0b4843ull},
    {"screen_blink_d3d", 0x81f01efd9128d625ull},   {"screen_rotate_d3d", 0x78e887ad6c76e2a6ull},
    {"screen_circle_d3d", 0x2a022b1a340bf3d9ull},  {"screen_zoom_d3d", 0x46f9a75fbd5aea9dull},
    {"screen_lens_d3d", 0x23b12de127d23b28ull},    {"screen_mosaic_d3d", 0xb82b8db61d33eae5ull},
    {"fade_half_dd", 0xcbabfbc76d166aa1ull},       {"fade_held_dd", 0x3654ba5d6dfbe529ull},
    {"fade_half_d3d", 0x3c06cea975dd6b85ull},      {"fade_held_d3d", 0xad071c31292273c7ull},
    {"fade_half_dd8", 0x1c739b7484e96eb0ull},      {"fade_held_dd8", 0x84c4e366e4f4fe97ull},
};

void ExpectGolden(const std::string& name, const std::vector<std::uint32_t>& frame) {
    ExpectGoldenSum(name, frame, kGoldens);
}

struct Display {
    const char* name;
    int bD3D;
    int nBpp;
};

template <class T> void Place(T& o, int x, int y, int size = 32) {
    o.m_dX = M + x, o.m_dY = M + y;
    o.m_dRight = o.m_dX + size - 1, o.m_dBottom = o.m_dY + size - 1;
    o.m_nHitX = o.m_nHitY = 0;
    o.m_nHitW = o.m_nHitH = o.m_nHitW0 = o.m_nHitH0 = size;
    o.m_nWidth = o.m_nHeight = size;
}

cStageChara& PutChara(int id, int x, int y, int picture, int effect = 0) {
    cStageChara& c = g_Charas.emplace_back();
    c.Init(id, c.m_Def, nullptr);
    Place(c, x, y);
    c.m_nPicture = picture;
    c.m_Def.m_nZ = 3;
    c.m_nCharaEffect = effect;
    return c;
}

using EffectRow = std::array<int, 6>; // kind, duration (tenths), start, end, p1, p2

template <class Record>
void FillList(std::vector<Record>& list, const Record& none, std::initializer_list<EffectRow> rows) {
    list.clear();
    list.push_back(none);
    for (const EffectRow& e : rows) {
        Record r;
        r.nKind = e[0];
        for (int k = 0; k < 5; ++k)
            r.nParam[k] = e[k + 1];
        list.push_back(r);
    }
}

void SetEffects(std::initializer_list<EffectRow> chara, std::initializer_list<EffectRow> screen) {
    FillList(g_Database.m_CharaEffects, cEffectRecord::ListDefault(), chara);
    FillList(g_Database.m_ScrEffects, cScrEffectRecord::ListDefault(), screen);
    g_Database.FillWorkingCopies();
    BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
    BuildScrEffectTables(g_ScrEffectTable, g_ScrEffectTableRev);
}

class DrawGoldens : public StageDrawTest, public ::testing::WithParamInterface<Display> {
  protected:
    // Character cells striped diagonally in two colours, so that moved, scaled and averaged pixels
    // show in the picture.
    void SetUp() override {
        StageDrawTest::SetUp();
        std::vector<std::uint8_t> px(480 * 256, SP_KEY);
        for (int col = 0; col < 15; ++col)
            for (int row = 0; row < 8; ++row)
                for (int y = 2; y < 32; ++y)
                    for (int x = 4; x < 28; ++x)
                        px[static_cast<std::size_t>(row * 32 + y) * 480 + col * 32 + x] =
                            static_cast<std::uint8_t>(x < 8 && y < 6    ? SP_WHITE
                                                      : (x + y) / 3 % 2 ? CharaColour(col, row)
                                                                        : SP_YELLOW);
        std::vector<std::uint32_t> colours(256);
        for (int i = 0; i < 256; ++i)
            colours[static_cast<std::size_t>(i)] = StagePaletteColour(i);
        WriteBmp8(m_dir + "/chara.bmp", 480, 256, colours, px);
    }
    void TearDown() override {
        g_ScreenEffect = cScreenEffectState{};
        g_ScreenColour = cScreenColour{};
        g_Database = cProjectDatabase{};
        g_SaveData.m_nLives = 0;
        StageDrawTest::TearDown();
    }
    // A stage with both backgrounds (when asked), a floor of blocks, a block on each block layer,
    // the hero and three characters, one on each side of the front block.
    bool OpenStage(bool backgrounds) {
        if (!Open(GetParam().bD3D, GetParam().nBpp)) return false;
        InstallStageDrawing(nullptr);
        for (int k : {0, 1}) {
            cEdStageTableD& l = g_Stage.m_Backgrounds.emplace_back();
            l.m_nShown = backgrounds ? 1 : 0;
            l.m_nPass = k;
            l.m_dSpeedX = k ? 3.0 : 0.5;
            l.m_nAutoX = k;
        }
        for (int col = 0; col < 20; ++col)
            PutBlock(col, 13, 1 + col % 4);
        g_Heroes.resize(1);
        cHero& h = g_Heroes[0];
        Place(h, 256, 384);
        h.m_nPicture = 16;
        h.m_Def.m_nZ = 3;
        g_SaveData.m_nLives = UNLIMITED_LIVES;
        return true;
    }
    std::vector<std::uint32_t> Frame() {
        DrawFrame(*m_Scene, 1, 0, 0, 0);
        return PresentAndRead();
    }
    std::string Name(const char* what) const { return std::string(what) + "_" + GetParam().name; }
};

// Kind k of the character effects is draw mode k; each record holds its value still (start = end),
// so the picture does not depend on the frame. The blink record keeps its character visible.
TEST_P(DrawGoldens, EveryDrawModeInOnePicture) {
    ASSERT_TRUE(OpenStage(false));
    SetEffects(
        {
            {CHARA_EFFECT_BURST, 10, 6, 6, 0, 0},
            {CHARA_EFFECT_SPLIT_H, 10, 8, 8, 4, 0},
            {CHARA_EFFECT_SPLIT_V, 10, 8, 8, 4, 0},
            {CHARA_EFFECT_WAVE_H, 10, 6, 6, 2, 2},
            {CHARA_EFFECT_WAVE_V, 10, 6, 6, 2, 2},
            {CHARA_EFFECT_BLINK, 10, 9999, 0, 9999, 0},
            {CHARA_EFFECT_ROTATE_A, 10, 45, 45, 0, 0},
            {CHARA_EFFECT_ROTATE_B, 10, 30, 30, 0, 0},
            {CHARA_EFFECT_ROTATE_DEPTH, 10, 40, 40, 0, 0},
            {CHARA_EFFECT_CIRCLE, 10, 12, 12, 2, 0},
            {CHARA_EFFECT_ZOOM, 10, 150, 150, 0, 0},
            {CHARA_EFFECT_LENS, 10, 30, 30, 12, 0},
            {CHARA_EFFECT_COLOUR, 10, 2, 2, 3, 0},
            {CHARA_EFFECT_TRANSLUCENT, 10, 0, 0, 0, 0},
            {CHARA_EFFECT_MOSAIC, 10, 4, 4, 0, 0},
            {CHARA_EFFECT_BLUR, 10, 2, 2, 0, 0},
        },
        {});
    // Six to a row, 96 pixels apart below the status bar, each over a block so that the blending
    // modes show.
    for (int k = 0; k < CHARA_EFFECT_KIND_COUNT; ++k) {
        const int col = 2 + 3 * (k % 6), row = 2 + 3 * (k / 6);
        PutBlock(col, row, 10 + k);
        PutChara(10 + k, col * 32, row * 32 - 16, 6 + k % 8, k);
    }
    ExpectGolden(Name("modes"), Frame());
}

// Each of the thirteen screen effects over the basic stage, drawn on its third frame.
TEST_P(DrawGoldens, EachScreenEffectOnItsThirdFrame) {
    ASSERT_TRUE(OpenStage(true));
    PutBlock(3, 3, 5);
    PutBlock(5, 3, 7, 1);
    PutChara(1, 96, 96, 3);
    PutChara(2, 160, 96, 4);
    PutChara(3, 448, 320, 5);
    SetView(8, 0);
    SetEffects({}, {
                       {SCREEN_EFFECT_MOVE, 1, 0, 0, 320, 160},
                       {SCREEN_EFFECT_SHAKE_H, 10, 8, 4, 0, 0},
                       {SCREEN_EFFECT_SHAKE_V, 10, 8, 4, 0, 0},
                       {SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 16, 0},
                       {SCREEN_EFFECT_SPLIT_V, 10, 40, 40, 20, 0},
                       {SCREEN_EFFECT_WAVE_H, 10, 6, 6, 16, 2},
                       {SCREEN_EFFECT_WAVE_V, 10, 8, 8, 16, 4},
                       {SCREEN_EFFECT_BLINK, 10, 2, 0, 0, 0},
                       {SCREEN_EFFECT_ROTATE, 10, 30, 30, 0, 0},
                       {SCREEN_EFFECT_CIRCLE, 10, 200, 200, 8, 0},
                       {SCREEN_EFFECT_ZOOM, 10, 960, 960, 0, 0},
                       {SCREEN_EFFECT_LENS, 10, 100, 100, 120, 0},
                       {SCREEN_EFFECT_MOSAIC, 10, 8, 8, 0, 0},
                   });
    static const char* const names[] = {"",        "move",   "shake_h", "shake_v", "split_h",
                                        "split_v", "wave_h", "wave_v",  "blink",   "rotate",
                                        "circle",  "zoom",   "lens",    "mosaic"};
    for (int kind = 1; kind < SCREEN_EFFECT_KIND_COUNT; ++kind) {
        StartScreenEffect(*m_Scene, kind, 0, 0);
        Frame();
        Frame();
        ExpectGolden(Name((std::string("screen_") + names[kind]).c_str()), Frame());
        g_ScreenEffect = cScreenEffectState{};
        DDSetBackBufferMode(0);
    }
}

// The screen colour also on an 8-bit DirectDraw display, where it fades the palette.
class FadeGoldens : public DrawGoldens {};

// The screen colour fading towards red at 60 % over a second and then held: under DirectDraw at
// 8 bits the palette itself is faded, at 32 bits DirectDraw drops the colour and Direct3D blends it.
TEST_P(FadeGoldens, ScreenColourHalfWayAndHeld) {
    ASSERT_TRUE(OpenStage(true));
    PutChara(1, 96, 96, 3);
    const int red[8] = {255, 0, 0, 60, 0, 1, 0, 0};
    SetScreenColor(g_ScreenColour, red);
    for (int i = 0; i < 3; ++i)
        Frame();
    ExpectGolden(Name("fade_half"), Frame());
    for (int i = 0; i < 6; ++i)
        Frame();
    ExpectGolden(Name("fade_held"), Frame());
}

const Display kDisplays[] = {{"dd", 0, 32}, {"d3d", 1, 32}, {"dd8", 0, 8}};
std::string DisplayName(const ::testing::TestParamInfo<Display>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Backends, DrawGoldens, ::testing::ValuesIn(kDisplays, kDisplays + 2), DisplayName);
INSTANTIATE_TEST_SUITE_P(Backends, FadeGoldens, ::testing::ValuesIn(kDisplays), DisplayName);

} // namespace
