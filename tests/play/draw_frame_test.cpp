// The whole play frame: layer order, golden frames on both back-ends, what a frame moves on (and a
// frozen frame does not), the end of a defeat display, and the frame snapshots of the test tooling.
#include "app/display_report.h"
#include "app/game_loop.h"
#include "app/startup_state.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "draw/frame_snapshot.h"
#include "fixtures/bytes.h"
#include "objects/chara_draw.h"
#include "objects/message_window.h"
#include "objects/object_links.h"
#include "platform/gfx/bmp.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "play/play_step.h"
#include "play/screen_effects.h"
#include "play/stage_draw_fixture.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr int M = STAGE_MARGIN_BLOCKS * BLOCK_SIZE; // stage pixels of the margin

template <class T> void Place(T& o, int x, int y, int size = 32) {
    o.m_dX = M + x, o.m_dY = M + y;
    o.m_dRight = o.m_dX + size - 1, o.m_dBottom = o.m_dY + size - 1;
    o.m_nHitX = o.m_nHitY = 0;
    o.m_nHitW = o.m_nHitH = o.m_nHitW0 = o.m_nHitH0 = size;
    o.m_nWidth = o.m_nHeight = size;
}

// A stage character at screen (x, y) with the view at the stage's corner.
cStageChara& PutChara(int id, int x, int y, int picture, int z, int effect = 0) {
    cStageChara& c = g_Charas.emplace_back();
    c.Init(id, c.m_Def, nullptr);
    Place(c, x, y);
    c.m_nPicture = picture;
    c.m_Def.m_nZ = static_cast<std::uint8_t>(z);
    c.m_nCharaEffect = effect;
    return c;
}

void SetEffectLists(std::initializer_list<std::array<int, 6>> chara,
                    std::initializer_list<std::array<int, 6>> screen) {
    FillEffectList(g_Database.m_CharaEffects, chara);
    FillEffectList(g_Database.m_ScrEffects, screen);
    g_Database.FillWorkingCopies();
    BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
    BuildScrEffectTables(g_ScrEffectTable, g_ScrEffectTableRev);
}

class FrameDraw : public StageDrawTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        StageDrawTest::SetUp();
        g_FrameDrawHooks = FrameDrawHooks{};
    }
    void TearDown() override {
        g_ScreenEffect = cScreenEffectState{};
        g_Database = cProjectDatabase{};
        g_SaveData.m_vnCommonVars.clear();
        g_nScore = 0;
        g_SaveData.m_nTotalScore = 0;
        g_SaveData.m_nLives = 0;
        g_Font.Release();
        g_FrameDrawHooks = FrameDrawHooks{};
        StageDrawTest::TearDown();
    }
    // The basic stage: a parallax background behind, a self-scrolling one in front, blocks on both
    // block layers, hero, characters, an item and a shot, the HP and SP gauges and the time.
    bool OpenStage() { return OpenStageOn(GetParam(), 32); }
    bool OpenStageOn(int d3d, int bpp) {
        if (!Open(d3d, bpp)) return false;
        InstallStageDrawing(nullptr);
        for (int k : {0, 1}) {
            g_Stage.m_Backgrounds.push_back(cEdStageTableD{});
            cEdStageTableD& l = g_Stage.m_Backgrounds.back();
            l.m_nShown = 1;
            l.m_nPass = k;
            l.m_dSpeedX = k ? 3.0 : 0.5;
            l.m_nAutoX = k;
        }
        for (int col = 0; col < 20; ++col)
            PutBlock(col, 13, 1 + col % 4);
        PutBlock(3, 3, 5);
        PutBlock(5, 3, 7, 1);
        g_Heroes.resize(1);
        cHero& h = g_Heroes[0];
        Place(h, 256, 384);
        h.m_nPicture = 16;
        h.m_Def.m_nZ = 3;
        h.m_Def.m_nMaxHP = h.m_Def.m_nMaxSP = 10;
        h.m_nHP = 7, h.m_nSP = 2;
        PutChara(1, 96, 96, 3, 3);  // over the back block
        PutChara(2, 160, 96, 4, 3); // under the front block
        PutChara(3, 64, 64, 5, 3);  // under a patch of the foreground
        cItem& item = g_Items.emplace_back();
        Place(item, 400, 384);
        item.m_nPicture = 1;
        item.m_bPresent = 1;
        item.m_Def.m_nZ = 3;
        cShot& shot = m_Scene->m_Shots.emplace_back();
        Place(shot, 480, 400, 16);
        shot.m_nPicture = 2;
        g_SystemData.m_vStatusItems.resize(5);
        for (int i = 2; i <= 3; ++i) {
            g_SystemData.m_vStatusItems.at(i).m_nShow = 1;
            g_SystemData.m_vStatusItems.at(i).m_nIcon = 1;
            g_SystemData.m_vStatusItems.at(i).m_nWarnLimit = 3;
        }
        // Score 1234, total 56, unlimited lives ("-").
        g_nScore = 1234;
        g_SaveData.m_nTotalScore = 56;
        g_SaveData.m_nLives = UNLIMITED_LIVES;
        m_Scene->m_nTimeLimit = 123;
        SetView(8, 0);
        return true;
    }
    std::vector<std::uint32_t> Frame(int live = 1, int frozen = 0) {
        DrawFrame(*m_Scene, live, frozen, 0, 0);
        return PresentAndRead();
    }
    std::string Name(const char* what) const { return std::string(what) + (GetParam() ? "_d3d" : "_dd"); }
};

TEST_P(FrameDraw, LayersStackInTheirOrderAndMatchTheGoldenFrame) {
    ASSERT_TRUE(OpenStage());
    auto f = Frame();
    // With the view 8 pixels in, stage x maps to screen x - 8.
    EXPECT_EQ(At(f, 96 - 8 + 16, 96 + 16), StagePaletteColour(CharaColour(3, 0)))
        << "object over block layer 0";
    EXPECT_EQ(At(f, 160 - 8 + 16, 96 + 16), StagePaletteColour(BlockColour(7)))
        << "block layer 1 over the object";
    // The foreground scrolled 3 pixels left: its 16 x 16 patches start at x 59, over the object.
    EXPECT_EQ(At(f, 65, 72), StagePaletteColour(54)) << "the foreground over the object";
    EXPECT_EQ(At(f, 65, 84), StagePaletteColour(CharaColour(5, 0))) << "the object below the patch";
    EXPECT_EQ(CompareGolden(Name("basic"), f), 0);

    // Objects on a layer of their own still lie between the block layers.
    g_Charas.front().m_Def.m_nZ = 7;
    f = Frame();
    EXPECT_EQ(At(f, 96 - 8 + 16, 96 + 16), StagePaletteColour(CharaColour(3, 0)));
    // A depth beyond the layers is drawn in the last one; without layered drawing every object is
    // drawn in the one pass.
    g_Charas.front().m_Def.m_nZ = 200;
    f = Frame();
    EXPECT_EQ(At(f, 96 - 8 + 16, 96 + 16), StagePaletteColour(CharaColour(3, 0)));
    g_Stage.m_nDrawPriority = 0;
    f = Frame();
    EXPECT_EQ(At(f, 96 - 8 + 16, 96 + 16), StagePaletteColour(CharaColour(3, 0)));

    // The pause screen of a project that hides the stage: backgrounds only.
    g_SystemData.m_nPauseDraw = 1;
    m_Scene->m_nState = GAMESTATE_PAUSE;
    f = Frame(0, 1);
    EXPECT_NE(At(f, 96 - 8 + 16, 96 + 16), StagePaletteColour(CharaColour(3, 0)));
    EXPECT_NE(At(f, 100, 13 * 32 + 16), StagePaletteColour(BlockColour(4)));
    m_Scene->m_nState = 0;
    f = Frame(0, 1);
    EXPECT_EQ(At(f, 96 - 8 + 16, 96 + 16), StagePaletteColour(CharaColour(3, 0))) << "only in the pause menu";
}

TEST_P(FrameDraw, DrawModesMessageScreenEffectsColourAndDarknessMatchTheirGoldenFrames) {
    ASSERT_TRUE(OpenStage());
    SetEffectLists({{CHARA_EFFECT_ZOOM, 10, 150, 150, 0, 0},
                    {CHARA_EFFECT_ROTATE_B, 10, 45, 45, 0, 0},
                    {CHARA_EFFECT_MOSAIC, 10, 6, 6, 0, 0},
                    {CHARA_EFFECT_TRANSLUCENT, 10, 0, 0, 0, 0},
                    {CHARA_EFFECT_WAVE_H, 10, 4, 4, 8, 1}},
                   {{SCREEN_EFFECT_WAVE_H, 10, 6, 6, 16, 2}, {SCREEN_EFFECT_MOSAIC, 10, 8, 8, 0, 0}});
    for (int k : {0, 1}) // a plain back keeps these frames small
        g_Stage.m_Backgrounds.at(k).m_nShown = 0;
    for (int k = 0; k < 5; ++k)
        PutChara(10 + k, 64 + 96 * k, 224, 6 + k, 3, k + 1);
    auto f = Frame();
    EXPECT_EQ(CompareGolden(Name("modes"), f), 0);
    g_Charas.clear();

    // A message window with "#" fields, fixed on the screen.
    g_Font.Create("ＭＳ ゴシック", 0, 16, 16, 16, SP_WHITE, &g_SystemSurfaces[SYSBMP_STATUS], 1, SP_YELLOW,
                  nullptr, 1);
    g_SaveData.m_vnCommonVars.assign(256, 0);
    g_SaveData.m_vnCommonVars[12] = 7;
    cMessage& m = m_Scene->m_Messages.emplace_back();
    m.Set(1, "SCORE #C12_Z4. HP#C12_P3.", 0, 0, 0, 0, 0, 0, 0, 40, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0);
    f = Frame();
    EXPECT_EQ(CompareGolden(Name("message"), f), 0);
    m_Scene->m_Messages.clear();

    // Screen effects at a fixed frame: the third frame of each.
    for (int n : {1, 2}) {
        StartScreenEffect(*m_Scene, n, 0, 0);
        for (int i = 0; i < 2; ++i)
            Frame();
        f = Frame();
        EXPECT_EQ(CompareGolden(Name(n == 1 ? "wave" : "mosaic"), f), 0) << n;
        g_ScreenEffect = cScreenEffectState{};
        DDSetBackBufferMode(0);
    }

    // The screen colour half way to red at 60 %; under DirectDraw at 32 bits it switches itself off.
    const int red[8] = {255, 0, 0, 60, 0, 1, 0, 0};
    SetScreenColor(g_ScreenColour, red);
    for (int i = 0; i < 3; ++i)
        Frame();
    f = Frame();
    EXPECT_EQ(g_ScreenColour.bActive, GetParam());
    EXPECT_EQ(CompareGolden(Name("colour"), f), 0);
    g_ScreenColour = cScreenColour{};

    // The darkness: a round light of 64 pixels around the hero.
    g_Heroes[0].m_nLightRadius = 64;
    g_Heroes[0].m_Def.m_nSightShape = 1;
    ASSERT_TRUE(CreateWorkSurfaces());
    f = Frame();
    EXPECT_EQ(At(f, 5, 100), StagePaletteColour(16)) << "dark far from the hero";
    EXPECT_EQ(CompareGolden(Name("darkness"), f), 0);
}

TEST_P(FrameDraw, FrozenFramesKeepEverythingAndEndedDefeatsLeavePlay) {
    ASSERT_TRUE(OpenStage());
    g_SceneManager.g_nFrameRate = 60;
    cStageChara& gone = g_Charas.front();
    gone.m_bDefeated = 1;
    const int goneId = gone.m_nId;
    cObjectLinks::SetTarget(m_Scene->m_Shots.front(), &gone);
    // A chip message for 3 frames that does not count while paused.
    cMessage& m = m_Scene->m_Messages.emplace_back();
    m.Set(2, nullptr, 0, 0, 1, 0, 0, 0, 100, 100, 1, 1, 2, 3, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1);
    g_Heroes[0].m_bDefeated = 1;
    static int s_ended = 0;
    s_ended = 0;
    g_FrameDrawHooks.HeroDefeatEnded = [](cGameScene&) { ++s_ended; };
    const double bg = g_Stage.m_Backgrounds.at(1).m_dOffsetX;

    for (int i = 0; i < 200; ++i)
        DrawFrame(*m_Scene, 0, 1, 0, 1);
    EXPECT_EQ(gone.m_nDefeatCount, 0);
    EXPECT_EQ(g_Charas.size(), 3u);
    EXPECT_EQ(m_Scene->m_Messages.size(), 1u);
    EXPECT_EQ(s_ended, 0) << "a frozen frame never ends a defeat";
    EXPECT_NE(g_Stage.m_Backgrounds.at(1).m_dOffsetX, bg) << "the background scrolls by itself";

    int frames = 0;
    auto live = [&](int until) {
        for (; frames < until; ++frames)
            DrawFrame(*m_Scene, 1, 0, 0, 0);
    };
    live(1);
    EXPECT_EQ(s_ended, 1) << "a hero without defeat effect is over at once";
    live(3);
    EXPECT_EQ(m_Scene->m_Messages.size(), 1u);
    live(4);
    EXPECT_TRUE(m_Scene->m_Messages.empty()) << "shown for its 3 frames";
    live(60);
    EXPECT_EQ(g_Charas.size(), 3u) << "the display lasts a second";
    live(61);
    EXPECT_EQ(g_Charas.size(), 2u);
    for (const cStageChara& c : g_Charas)
        EXPECT_NE(c.m_nId, goneId);
    EXPECT_EQ(m_Scene->m_Shots.front().m_pTarget, nullptr) << "links to it are cut";
    EXPECT_EQ(m_Scene->m_Shots.front().m_bTargetLost, 1);
}

// Objects drawn over one spot: the layers stack from 0 to 7 (a depth beyond them in the nearest one),
// in a layer items, then characters, then shots, each kind in its list's order; without layered
// drawing the one pass keeps the kinds' order. What leaves play during the frame is drawn no more, and
// a stage set up again at the end of hero 1's defeat display is drawn from there on.
TEST_P(FrameDraw, ObjectsOverOneSpotStackByLayerKindAndListOrder) {
    enum Flag { PLAIN, GONE, DEFEAT_ENDS };
    struct Obj {
        char kind; // 'i' item, 'c' character, 's' shot
        int picture, z;
        Flag flag;
    };
    struct Case {
        const char* name;
        bool layered;
        std::vector<Obj> objects;
        int restageZ; // >= 0: hero 1's defeat ends in layer 1 and the stage comes back with one character
        char topKind;
        int topPicture;
    };
    // clang-format off
    const Case cases[] = {
        {"higher layer wins over kind", true,
         {{'s', 1, 6, PLAIN}, {'c', 2, 2, PLAIN}, {'i', 3, 5, PLAIN}}, -1, 's', 1},
        {"item, character, shot in a layer", true,
         {{'s', 4, 3, PLAIN}, {'c', 2, 3, PLAIN}, {'i', 3, 3, PLAIN}}, -1, 's', 4},
        {"list order in a layer", true,
         {{'c', 5, 4, PLAIN}, {'c', 6, 1, PLAIN}, {'c', 7, 4, PLAIN}, {'c', 8, 4, PLAIN}, {'c', 9, 4, PLAIN}},
         -1, 'c', 9},
        {"depths beyond the layers", true,
         {{'c', 8, 200, PLAIN}, {'s', 2, -5, PLAIN}, {'i', 6, 1, PLAIN}}, -1, 'c', 8},
        {"one pass without layers", false,
         {{'s', 3, 0, PLAIN}, {'i', 7, 7, PLAIN}, {'c', 9, 6, PLAIN}}, -1, 's', 3},
        {"removed and taken objects", true,
         {{'c', 10, 2, PLAIN}, {'c', 11, 6, GONE}, {'i', 4, 7, GONE}, {'s', 5, 7, GONE}}, -1, 'c', 10},
        {"a defeat display ends mid-frame", true,
         {{'c', 12, 2, DEFEAT_ENDS}, {'c', 13, 5, PLAIN}, {'c', 12, 3, PLAIN}}, -1, 'c', 13},
        {"the stage set up again", true,
         {{'c', 3, 6, PLAIN}, {'i', 8, 7, PLAIN}, {'s', 6, 7, PLAIN}}, 4, 'c', 14},
    };
    // clang-format on
    ASSERT_TRUE(OpenStage());
    g_SceneManager.g_nFrameRate = 60;
    const int x = 200, y = 200; // the spot on the screen; the view is 8 pixels in
    auto colour = [](char kind, int picture) {
        return StagePaletteColour(kind == 'i'   ? 60 + picture % 30
                                  : kind == 's' ? 90 + picture % 10
                                                : CharaColour(picture, 0));
    };
    static int s_restageZ = -1;
    for (const Case& c : cases) {
        g_Charas.clear();
        g_Items.clear();
        m_Scene->m_Shots.clear();
        g_Stage.m_nDrawPriority = c.layered ? 1 : 0;
        int id = 100, ended = 0;
        for (const Obj& o : c.objects) {
            if (o.kind == 'c') {
                cStageChara& ch = PutChara(++id, x + 8, y, o.picture, o.z);
                ch.m_bRemoved = o.flag == GONE;
                ch.m_bDefeated = o.flag == DEFEAT_ENDS;
                ch.m_nDefeatCount = o.flag == DEFEAT_ENDS ? 60 : 0;
                ended += o.flag == DEFEAT_ENDS;
            } else if (o.kind == 'i') {
                cItem& item = g_Items.emplace_back();
                Place(item, x + 8, y);
                item.m_nPicture = o.picture;
                item.m_bPresent = 1;
                item.m_bTaken = o.flag == GONE;
                item.m_Def.m_nZ = static_cast<std::uint8_t>(o.z);
            } else {
                cShot& shot = m_Scene->m_Shots.emplace_back();
                Place(shot, x + 8, y, 16);
                shot.m_nPicture = o.picture;
                shot.m_bRemoved = o.flag == GONE;
                shot.m_Settings.m_nZOrder = static_cast<std::int8_t>(o.z);
            }
        }
        s_restageZ = c.restageZ;
        g_Heroes[0].m_Def.m_nZ = 1;
        g_Heroes[0].m_bDefeated = c.restageZ >= 0;
        g_FrameDrawHooks.HeroDefeatEnded = [](cGameScene& scene) {
            g_Charas.clear();
            g_Items.clear();
            scene.m_Shots.clear();
            PutChara(1, 208, 200, 14, s_restageZ);
        };
        const std::size_t charas = g_Charas.size();
        const auto f = Frame();
        EXPECT_EQ(At(f, x + 10, y + 10), colour(c.topKind, c.topPicture)) << c.name;
        if (c.restageZ < 0) {
            EXPECT_EQ(g_Charas.size(), charas - ended) << c.name;
        }
    }
    g_Heroes[0].m_bDefeated = 0;
}

TEST_P(FrameDraw, AWindowOpensOverTenFramesInFrozenFramesAsInLiveOnes) {
    ASSERT_TRUE(OpenStage());
    g_Font.Create("ＭＳ ゴシック", 0, 16, 16, 16, SP_WHITE, &g_SystemSurfaces[SYSBMP_STATUS], 1, SP_YELLOW,
                  nullptr, 1);
    // A window at the screen's centre, shown until the confirm key; `opening` 0 opens it.
    const auto set = [](cMessage& m, int noOpening) {
        m.Set(1, "WAIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, noOpening, 0, 0, 0, 1, 0, 0, 0);
    };
    const auto draw = [&](cMessage& m, int paused) {
        DDClear(&g_BackBuffer, SP_BLUE);
        EXPECT_EQ(DrawMessage(m, &g_BackBuffer, paused), 0);
        return PresentAndRead();
    };
    cMessage open;
    set(open, 1);
    const auto shown = draw(open, 0);
    for (int paused : {1, 0}) {
        cMessage m;
        set(m, 0);
        for (int frame = 1; frame <= 12; ++frame) {
            const auto f = draw(m, paused);
            EXPECT_EQ(m.m_dOpening, std::min(frame, 10)) << "paused " << paused << " frame " << frame;
            EXPECT_EQ(f == shown, frame >= 10) << "paused " << paused << " frame " << frame;
        }
    }
}

TEST_P(FrameDraw, MessageSurfacesGoToSystemMemoryWhenLittleVideoMemoryIsFree) {
    ASSERT_TRUE(OpenStage());
    const DisplayInfo saved = g_DisplayInfo;
    // Free below a fifth of the total, at a fifth, and no DirectDraw figures at all (Direct3D).
    const struct {
        bool directDraw;
        std::uint64_t total, free;
        int system;
    } cases[] = {{true, 100u << 20, 19u << 20, 1}, {true, 100u << 20, 20u << 20, 0}, {false, 0, 0, 0}};
    for (const auto& c : cases) {
        g_DisplayInfo.setUp = true;
        g_DisplayInfo.directDraw = c.directDraw;
        g_DisplayInfo.videoMemoryTotal = c.total;
        g_DisplayInfo.videoMemoryFree = c.free;
        cMessage m;
        m.m_strText = "memory";
        m.Render();
        ASSERT_NE(m.m_lpSurface, nullptr);
        EXPECT_EQ(m.m_lpSurface->nMemoryType, c.system) << c.free;
    }
    g_DisplayInfo = saved;
}

// The darkness work surfaces are made for every sight the clamp allows, under either back-end: the
// widest is 1280 + 2 x 2048 pixels across.
TEST_P(FrameDraw, DarknessSurfacesOfEverySightAreMade) {
    ASSERT_TRUE(OpenStage());
    struct Case {
        int radius;
        int kept; // the radius the surfaces are made for
    };
    const Case cases[] = {{88 * 16, 88 * 16}, {89 * 16, 89 * 16}, {2048, 2048}, {100000, 2048}};
    for (const Case& c : cases) {
        g_Heroes[0].m_nLightRadius = c.radius;
        g_Heroes[0].m_Def.m_nSightShape = 1;
        ASSERT_TRUE(CreateWorkSurfaces()) << c.radius;
        EXPECT_EQ(g_DarkSD.nWidth, 1280 + 2 * c.kept) << c.radius;
        EXPECT_EQ(g_DarkSD.nHeight, 960 + 2 * c.kept) << c.radius;
        EXPECT_EQ(g_HoleSD.nWidth, 2 * c.kept) << c.radius;
    }
    g_Heroes[0].m_nLightRadius = 0;
    ASSERT_TRUE(CreateWorkSurfaces());
}

INSTANTIATE_TEST_SUITE_P(Backends, FrameDraw, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "D3D" : "DD"; });

// The Direct3D display at either of its depths (the parameter).
class ScreenColourFrames : public FrameDraw {};

// A held screen colour tints the picture alike whether a screen effect draws it through the virtual
// back buffer or not; the virtual back buffer is on while the scene marks an effect running and off
// once it has ended. Frozen frames keep the effects (which draw copies here) and the stage still.
TEST_P(ScreenColourFrames, AHeldColourTintsThePictureUnderScreenEffectsToo) {
    ASSERT_TRUE(OpenStageOn(1, GetParam()));
    for (cEdStageTableD& l : g_Stage.m_Backgrounds)
        l.m_nAutoX = 0;
    SetEffectLists({}, {
                           {SCREEN_EFFECT_SHAKE_H, 1, 0, 4, 0, 0}, // no amplitude
                           {SCREEN_EFFECT_MOVE, 1, 0, 0, 0, 0},
                           {SCREEN_EFFECT_MOSAIC, 1, 1, 1, 0, 0}, // cells of one pixel
                       });
    const int blue[8] = {0, 0, 255, 50, 0, 0, 0, 0}; // half strength at once, held
    auto differing = [](const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
        int n = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
        return n;
    };
    for (int effect = 1; effect <= 3; ++effect) {
        g_ScreenColour = cScreenColour{};
        const auto plain = Frame(1, 1);
        SetScreenColor(g_ScreenColour, blue);
        const auto tinted = Frame(1, 1);
        ASSERT_GT(differing(plain, tinted), 640 * 480 / 2) << "the colour tints the picture";

        EXPECT_EQ(StartScreenEffect(*m_Scene, effect, 0, 0), effect);
        EXPECT_EQ(m_Scene->m_bVirtualBackBuffer, 1) << effect;
        const auto through = Frame(1, 1);
        EXPECT_EQ(lpDTCon->bVirBackBuffer, 1) << effect;
        EXPECT_EQ(differing(through, tinted), 0) << "effect " << effect;

        for (int i = 0; i < 20 && g_ScreenEffect.nEffect != 0; ++i)
            Frame();
        EXPECT_EQ(g_ScreenEffect.nEffect, 0) << effect;
        EXPECT_EQ(m_Scene->m_bVirtualBackBuffer, 0) << effect;
        EXPECT_EQ(lpDTCon->bVirBackBuffer, 0) << effect;
    }
    // Entry 0 runs nothing and needs no finished picture.
    EXPECT_EQ(StartScreenEffect(*m_Scene, 0, 0, 0), 0);
    EXPECT_EQ(m_Scene->m_bVirtualBackBuffer, 0);
}

INSTANTIATE_TEST_SUITE_P(Direct3D, ScreenColourFrames, ::testing::Values(32, 16),
                         [](const auto& info) { return "Bpp" + std::to_string(info.param); });

TEST(HeroDefeat, LivesDecideBetweenRetryContinueAndGameOver) {
    cGameScene scene;
    const int savedMode = g_nGameMode, savedPlay = g_nPlayMode, savedLives = g_SaveData.m_nLives;
    g_nGameMode = 0;
    g_nPlayMode = 0;
    g_SystemData.m_nContinueMenu = 1;
    g_SaveData.m_nLives = 0;
    HeroDefeatEnded(scene);
    EXPECT_EQ(scene.m_nState, 6) << "no life left";
    g_SaveData.m_nLives = 3;
    HeroDefeatEnded(scene);
    EXPECT_EQ(scene.m_nState, 5) << "the continue menu";
    EXPECT_EQ(g_SaveData.m_nLives, 2);
    g_SaveData.m_nLives = UNLIMITED_LIVES;
    EXPECT_TRUE(UseLife());
    EXPECT_EQ(g_SaveData.m_nLives, UNLIMITED_LIVES);
    g_SaveData.m_nLives = 0;
    g_bStartFile = 1;
    EXPECT_TRUE(UseLife()) << "a start file never runs out";
    g_bStartFile = 0;
    g_nGameMode = savedMode;
    g_nPlayMode = savedPlay;
    g_SaveData.m_nLives = savedLives;
    g_SystemData.m_nContinueMenu = 0;
}

TEST(Characters, ACopyKeepsWhatItsDrawingNeeds) {
    cStageChara a;
    a.m_AttachedAnims.emplace_back().nId = 5;
    a.m_EffectState.nEffect = 3;
    a.m_EffectState.dValue = 1.5;
    a.m_nDefeatCount = 9;
    a.m_nApexFrames = 12;
    cStageChara b(a);
    ASSERT_EQ(b.m_AttachedAnims.size(), 1u);
    EXPECT_EQ(b.m_AttachedAnims.front().nId, 5);
    EXPECT_EQ(b.m_EffectState.nEffect, 3);
    EXPECT_EQ(b.m_EffectState.dValue, 1.5);
    EXPECT_EQ(b.m_nDefeatCount, 9);
    EXPECT_EQ(b.m_nApexFrames, 12);
}

TEST(Snapshots, SpecsAndBitmaps) {
    std::string dir;
    std::vector<std::uint64_t> frames;
    EXPECT_TRUE(ParseSnapshotSetting("/tmp/a:b:3,1,3", dir, frames));
    EXPECT_EQ(dir, "/tmp/a:b") << "the last colon ends the folder";
    EXPECT_EQ(frames, (std::vector<std::uint64_t>{1, 3}));
    for (const char* bad :
         {"", "dir", ":1", "dir:", "dir:0", "dir:1,", "dir:1,x", "dir:-2", "dir:99999999999999999999"})
        EXPECT_FALSE(ParseSnapshotSetting(bad, dir, frames)) << bad;

    // A smaller frame is padded with black, rows go bottom-up.
    const fixtures::TempDir tmp;
    const fs::path path = tmp.path() / "snapshot.bmp";
    std::vector<std::uint32_t> px(4 * 2, 0x123456);
    px[0] = 0xFF0000;
    ASSERT_TRUE(WriteSnapshotBmp(path.string(), px.data(), 4, 2));
    gfx::Dib dib;
    ASSERT_TRUE(gfx::LoadBmpFile(path.string(), dib));
    EXPECT_EQ(dib.width, 640);
    EXPECT_EQ(dib.height, 480);
    EXPECT_EQ(dib.bitCount, 24);
    EXPECT_EQ(dib.PixelArgb(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dib.PixelArgb(3, 1) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(dib.PixelArgb(4, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(dib.PixelArgb(639, 479) & 0xFFFFFF, 0u);

    // A frame appears under its name whole or not at all: nothing else is left in the folder, also
    // when the name cannot be taken (a folder stands there).
    const fs::path taken = tmp.path() / "taken.bmp";
    fs::create_directory(taken);
    EXPECT_FALSE(WriteSnapshotBmp(taken.string(), px.data(), 4, 2));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"snapshot.bmp", "taken.bmp"}));
}

class SnapshotPresent : public StageDrawTest, public ::testing::WithParamInterface<int> {};

TEST_P(SnapshotPresent, WritesTheNamedPresentedFrames) {
    ASSERT_TRUE(Open(GetParam()));
    const std::string setting = m_dir + ":2,3";
    setenv("MIRELDA4_SNAPSHOT", setting.c_str(), 1);
    DDResetSnapshot();
    DDInstallFrameHooks();
    const int colours[] = {SP_RED, SP_GREEN, SP_BLUE, SP_YELLOW};
    for (int c : colours) {
        DDClear(&g_BackBuffer, static_cast<std::uint32_t>(c));
        PresentFrame();
    }
    unsetenv("MIRELDA4_SNAPSHOT");
    DDResetSnapshot();
    ResetDrawingHooks();
    EXPECT_FALSE(fs::exists(m_dir + "/frame-1.bmp"));
    EXPECT_FALSE(fs::exists(m_dir + "/frame-4.bmp"));
    for (int n : {2, 3}) {
        gfx::Dib dib;
        ASSERT_TRUE(gfx::LoadBmpFile(m_dir + "/frame-" + std::to_string(n) + ".bmp", dib)) << n;
        EXPECT_EQ(dib.PixelArgb(320, 240) & 0xFFFFFF, StagePaletteColour(colours[n - 1])) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SnapshotPresent, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "D3D" : "DD"; });

} // namespace
