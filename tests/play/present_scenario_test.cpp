// A stage whose hero runs every presentation command in turn from an "always" flow, one command a
// play step, stepped by the real play step and drawn on both back-ends: after each step the
// command's mark on the play state (the hero's graphic, animation set, attached animation and
// effect, the scene's effects, pictures and messages, the screen effect and colour, the background
// layer, the score of a code text) and the sound and music requests caught by a test window; three
// golden frames show them drawn.
#include "app/globals.h"
#include "app/input.h"
#include "app/play_bounds.h"
#include "draw/dd_startup.h"
#include "draw/display_files.h"
#include "draw/font.h"
#include "flow/cmd_hooks.h"
#include "flow/cmd_present.h"
#include "flow/flow_engine.h"
#include "objects/chara_draw.h"
#include "objects/effects.h"
#include "platform/messages.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "play/flow_play_hooks.h"
#include "play/hits.h"
#include "play/play_step.h"
#include "play/screen_effects.h"
#include "play/set_stage.h"
#include "play/stage_draw_fixture.h"
#include "play/trace.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "sound/bgm.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

// The frames as looked at once; the rows come from M4_UPDATE_GOLDEN=1.
constexpr GoldenSum kGoldens[] = {
    {"present_shown_dd", 0x53bb83e05f8aec7full},  {"present_shown_d3d", 0x400c3307b455b76aull},
    {"present_colour_dd", 0x1ded947039188f3full}, {"present_colour_d3d", 0xdcd7a0e62b21e5c5ull},
    {"present_held_dd", 0xcca0f6f840577518ull},   {"present_held_d3d", 0xb6fb11700bb7b407ull},
};

void ExpectGolden(const std::string& name, const std::vector<std::uint32_t>& frame) {
    ExpectGoldenSum(name, frame, kGoldens);
}

// Requests sent to the main window: sounds (WM_USER + 5) and music (WM_USER_BGM).
struct Request {
    int sound, bgmSlot, music;
    bool operator==(const Request&) const = default;
};
std::vector<Request> g_Requests;

cEdFlowCmd Cmd(int type, std::vector<std::int32_t> params, std::string text = "") {
    cEdFlowCmd rec;
    rec.m_nKind = static_cast<std::int8_t>(type);
    rec.m_Params.assign(params.begin(), params.end());
    rec.m_strText = std::move(text);
    rec.m_nSoundCond = 0;
    return rec;
}

struct Display {
    const char* name;
    int bD3D;
};

class PresentScenario : public StageDrawTest, public ::testing::WithParamInterface<Display> {
  protected:
    void SetUp() override {
        StageDrawTest::SetUp();
        g_nPlayMode = 3;
        g_SystemData.m_nReplay = 0;
        g_SaveData.m_bNextStart = 0;
        g_Inputs.resize(1);
        UpdateInputBuffers(g_Inputs[0]);
    }
    void TearDown() override {
        if (m_OwnWnd) {
            win::DestroyMainWindowObject(m_OwnWnd);
            g_hWnd = m_SavedWnd;
        }
        ClearShownPictures();
        g_Font.Release();
        if (m_Scene) m_Scene->m_Effects.clear();
        g_ScreenEffect = cScreenEffectState{};
        g_ScreenColour = cScreenColour{};
        g_Database = cProjectDatabase{};
        g_EffectSeqTable.clear();
        g_SaveData.m_nLives = 0;
        g_nScore = 0;
        g_PlayStepHooks = PlayStepHooks{};
        g_FlowPlayHooks = FlowPlayHooks{};
        g_PlayTrace.SetFile(nullptr);
        StageDrawTest::TearDown();
    }

    // The project's lists the commands read: two animation sets, one animation, an effect of two
    // 32 x 32 cells, a character effect, a screen effect and a picture, the last two written here.
    void Project() {
        g_Database.m_AnimeSets.resize(2);
        g_Database.m_Animes.resize(2); // entry 0 is none
        cEdAnime& anime = g_Database.m_Animes[1];
        anime.m_Frames.resize(2);
        anime.m_Frames[0].nPattern = 0, anime.m_Frames[0].nTime = 5;
        anime.m_Frames[1].nPattern = 1, anime.m_Frames[1].nTime = 5;

        std::vector<std::uint32_t> colours(256);
        for (int i = 0; i < 256; ++i)
            colours[static_cast<std::size_t>(i)] = StagePaletteColour(i);
        std::vector<std::uint8_t> sheet(64 * 32, SP_KEY);
        for (int y = 4; y < 28; ++y)
            for (int x = 4; x < 28; ++x) {
                sheet[static_cast<std::size_t>(y) * 64 + x] = SP_GREEN;
                sheet[static_cast<std::size_t>(y) * 64 + 32 + x] = SP_BLUE;
            }
        WriteBmp8(m_dir + "/effect.bmp", 64, 32, colours, sheet);
        std::vector<std::uint8_t> picture(96 * 64, SP_RED);
        for (int y = 16; y < 48; ++y)
            for (int x = 16; x < 80; ++x)
                picture[static_cast<std::size_t>(y) * 96 + x] = SP_WHITE;
        WriteBmp8(m_dir + "/picture.bmp", 96, 64, colours, picture);

        g_Database.m_Effects.clear();
        g_Database.m_Effects.push_back(cEdEffect::ListDefault());
        cEdEffect& e = g_Database.m_Effects.emplace_back();
        e.szFileName = m_dir + "/effect.bmp";
        e.nCellWidth = e.nCellHeight = 32;
        e.m_Frames.resize(2);
        e.m_Frames[0].nPattern = 0, e.m_Frames[0].nTime = 100;
        e.m_Frames[1].nPattern = 1, e.m_Frames[1].nTime = 100;
        BuildEffectTable(g_EffectSeqTable);
        LoadStageEffects();

        g_Database.m_Pictures.resize(2);
        g_Database.m_Pictures[1].szFileName = m_dir + "/picture.bmp";

        g_Database.m_CharaEffects.clear();
        g_Database.m_CharaEffects.push_back(cEffectRecord::ListDefault());
        cEffectRecord zoom;
        zoom.nKind = CHARA_EFFECT_ZOOM;
        const int zoomParams[5] = {100, 200, 200, 0, 0};
        std::copy(zoomParams, zoomParams + 5, zoom.nParam);
        g_Database.m_CharaEffects.push_back(zoom);
        g_Database.m_ScrEffects.clear();
        g_Database.m_ScrEffects.push_back(cScrEffectRecord::ListDefault());
        cScrEffectRecord shake;
        shake.nKind = SCREEN_EFFECT_SHAKE_H;
        const int shakeParams[5] = {2, 8, 4, 0, 0}; // a fifth of a second
        std::copy(shakeParams, shakeParams + 5, shake.nParam);
        g_Database.m_ScrEffects.push_back(shake);
        g_Database.FillWorkingCopies();
        BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
        BuildScrEffectTables(g_ScrEffectTable, g_ScrEffectTableRev);
    }

    // A 20 x 15 stage with a floor and two background layers, the first hidden; the hero at column
    // 4 runs `commands` from an "always" flow and then waits.
    bool StartStage(const std::vector<cEdFlowCmd>& commands) {
        if (!Open(GetParam().bD3D, 32, 20, 15)) return false;
        // The display's window gives way to one that catches the requests until the end.
        m_SavedWnd = g_hWnd;
        g_Requests.clear();
        g_hWnd = win::CreateMainWindowObject([](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
            if (msg == win::WM_USER + 5) g_Requests.push_back({static_cast<int>(w), -1, -1});
            if (msg == WM_USER_BGM) g_Requests.push_back({0, static_cast<int>(w), static_cast<int>(l)});
            return win::LRESULT{0};
        });
        m_OwnWnd = g_hWnd;
        InstallStageDrawing(nullptr);
        InstallFlowEngine();
        InstallPlayHooks();
        InstallFlowPlayHooks();
        RegisterPresentCommands(); // other tests may have left the command table reset
        g_PlayStepHooks = PlayStepHooks{};
        g_PlayStepHooks.CheckSpaceKey = [](cGameScene&) { return false; };
        // Drawn without the caption of a test play, whatever start mode an earlier test left.
        g_PlayStepHooks.DrawFrame = [](cGameScene& s, int live, int frozen, int warning, int) {
            DrawFrame(s, live, frozen, warning, 0);
        };
        g_SaveData.m_nLives = UNLIMITED_LIVES;
        g_Font.Create("ＭＳ ゴシック", 0, 16, 16, 16, SP_WHITE, &g_SystemSurfaces[SYSBMP_STATUS], 1,
                      SP_YELLOW, nullptr, 1);
        Project();
        g_Stage.m_nActiveOnly = 0;
        g_Stage.m_nHitLevel = 1; // one sub-step a frame: one command a play step
        for (int k : {0, 1}) {
            cEdStageTableD& l = g_Stage.m_Backgrounds.emplace_back();
            l.m_nShown = k;
            l.m_nPass = k;
            l.m_dSpeedX = k ? 3.0 : 0.5;
        }
        for (int x = 0; x < 20; ++x) {
            cEdBlockDef b;
            b.m_nX = static_cast<std::int16_t>(x);
            b.m_nY = 14;
            b.m_nPictureNo = static_cast<std::uint16_t>(1 + x % 4);
            b.m_nSolidity = 1;
            g_Stage.m_Blocks.push_back(b);
        }
        cEdCharaDef hero;
        hero.m_nX = 4, hero.m_nY = 13;
        hero.m_nPictureNo = 16;
        hero.m_nController = 0;
        hero.m_nFacing = 1;
        cEdFlow& flow = hero.m_Flows.emplace_back();
        flow.m_nTrigger = FTK_ALWAYS;
        for (const cEdFlowCmd& c : commands)
            flow.m_Commands.push_back(c);
        cEdFlowCmd wait = Cmd(FCT_WAIT, {});
        wait.m_nUseTime = 1000;
        flow.m_Commands.push_back(wait);
        g_Stage.m_Charas.push_back(hero);
        g_Stage.m_nExtentX = g_Stage.m_nWidth * 32;
        g_Stage.m_nExtentY = g_Stage.m_nHeight * 32;
        KeepStageSetup(g_StageOriginal, g_Stage);
        SetStage(*m_Scene, false, false);
        m_Scene->m_nState = GAMESTATE_PLAY;
        return true;
    }

    // One play step (drawn by the step itself); its trace line.
    std::string Step() {
        std::FILE* f = std::tmpfile();
        g_PlayTrace.SetFile(f);
        g_Inputs[0].wDir = 0;
        g_Inputs[0].wButtons = 0;
        PlayStep(*m_Scene);
        g_PlayTrace.SetFile(nullptr);
        std::rewind(f);
        char line[512] = {};
        if (!std::fgets(line, sizeof line, f)) line[0] = 0;
        std::fclose(f);
        return line;
    }
    std::vector<std::uint32_t> Shown() {
        EXPECT_TRUE(PresentBackBuffer());
        return ShownFrame();
    }
    std::string Name(const char* what) const {
        return std::string("present_") + what + "_" + GetParam().name;
    }

    win::HWND m_SavedWnd = nullptr, m_OwnWnd = nullptr;
};

TEST_P(PresentScenario, EachCommandShowsItsEffectStepByStep) {
    struct Row {
        const char* name;
        cEdFlowCmd rec;
        std::function<void()> check;
    };
    cHero* hero = nullptr;
    cGameScene* scene = nullptr;
    const std::vector<Row> rows = {
        {"graphic", Cmd(FCT_CHANGE_GRAPHIC, {0, 5, 0}),
         [&]() {
             EXPECT_EQ(hero->m_nPicture, 5);
             EXPECT_EQ(hero->m_Def.m_nPictureNo, 5);
         }},
        {"animation set", Cmd(FCT_CHANGE_ANIMSET, {1}), [&]() { EXPECT_EQ(hero->m_nCurAnimSet, 1); }},
        {"animation", Cmd(FCT_RUN_ANIME, {1}),
         [&]() {
             ASSERT_EQ(hero->m_AttachedAnims.size(), 1u);
             EXPECT_EQ(hero->m_AttachedAnims.front().seq.m_Seqs.at(0).Count(), 3);
             EXPECT_EQ(hero->m_AttachedAnims.front().nFrames, AnimationLength(1) * 6 - 1); // drawn once
         }},
        // Effect 1 on the screen cell (3, 4): centred on screen pixel (112, 144).
        {"effect", Cmd(FCT_RUN_EFFECT, {1, 7, 3, 4, 0, 0, 100, 0}),
         [&]() {
             ASSERT_EQ(scene->m_Effects.size(), 1u);
             const cEffectObj& e = scene->m_Effects.front();
             EXPECT_EQ(e.m_nEffect, 1);
             EXPECT_DOUBLE_EQ(e.m_dX - static_cast<int>(ViewX().m_dPos), 112 - 16);
             EXPECT_DOUBLE_EQ(e.m_dY - static_cast<int>(ViewY().m_dPos), 144 - 16);
         }},
        {"character effect", Cmd(FCT_CHARA_EFFECT, {1, 0, 1}), [&]() { EXPECT_EQ(hero->m_nCharaEffect, 1); }},
        // Picture 1 fixed on the screen, centred on cell (15, 3), in front of the blocks, until the end.
        {"picture", Cmd(FCT_SHOW_PICTURE, {1, 7, 15, 3, 0, 0, 1, 100, 1, 0, 0, 1}),
         [&]() {
             ASSERT_EQ(g_ShownPictures.size(), 1u);
             const cPictureLayer& p = g_ShownPictures.front();
             EXPECT_EQ(p.m_nId, 1);
             EXPECT_EQ(p.m_nLayer, 1);
             EXPECT_EQ(p.m_nScreenX, 15 * 32 + 16 - 48);
             EXPECT_EQ(p.m_nScreenY, 3 * 32 + 16 - 32);
         }},
        {"message", Cmd(FCT_MESSAGE, {0, 0, 0, 0, 80, 0, 1, 1, 0, 0, 1}, "PRESENTED"),
         [&]() {
             ASSERT_EQ(scene->m_Messages.size(), 1u);
             EXPECT_EQ(scene->m_Messages.front().m_strText, "PRESENTED");
             EXPECT_EQ(scene->m_Messages.front().m_nDisplayMode, 1);
         }},
        {"background", Cmd(FCT_CHANGE_BACKGROUND, {1, 0}),
         [&]() {
             EXPECT_EQ(g_Stage.m_Backgrounds[0].m_nShown, 1);
             EXPECT_EQ(g_Stage.m_Backgrounds[1].m_nShown, 1);
         }},
        {"screen effect", Cmd(FCT_SCREEN_EFFECT, {1, 0, 0}), [&]() { EXPECT_EQ(g_ScreenEffect.nEffect, 1); }},
        // Towards blue at 40 % over half a second, then held.
        {"screen colour", Cmd(FCT_SCREEN_COLOUR, {0, 0, 255, 40, 0, 5, 0, 0}),
         [&]() {
             EXPECT_EQ(g_ScreenColour.b, 255);
             EXPECT_EQ(g_ScreenColour.nStrength, 40);
             EXPECT_EQ(g_ScreenColour.nDuration, 30);
         }},
        {"sound", Cmd(FCT_PLAY_SE, {3}),
         [&]() {
             EXPECT_EQ(g_Requests, (std::vector<Request>{{19, -1, -1}}));
         }},
        {"music", Cmd(FCT_PLAY_BGM, {2, 1}),
         [&]() {
             EXPECT_EQ(g_Requests, (std::vector<Request>{{0, BGM_SLOT_STAGE, 2}}));
             EXPECT_EQ(g_SaveData.m_nStageBgmLoop, 1);
         }},
        {"code", Cmd(FCT_RUN_CODE, {}, "score = 4321"), [&]() { EXPECT_EQ(g_nScore, 4321); }},
    };
    std::vector<cEdFlowCmd> commands;
    for (const Row& r : rows)
        commands.push_back(r.rec);
    ASSERT_TRUE(StartStage(commands));
    hero = &g_Heroes.at(0);
    scene = m_Scene.get();
    g_Requests.clear(); // the stage's own music at set-up

    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        g_Requests.clear();
        const std::string line = Step();
        EXPECT_EQ(line.rfind(std::to_string(i + 1) + " hero=", 0), 0u) << line;
        EXPECT_NE(line.find(" end=0 "), std::string::npos) << line;
        rows[i].check();
        const std::string name = rows[i].name;
        if (name != "sound" && name != "music") {
            EXPECT_TRUE(g_Requests.empty());
        }
        if (name == "background") ExpectGolden(Name("shown"), Shown());
        if (name == "screen colour") ExpectGolden(Name("colour"), Shown());
    }
    EXPECT_NE(Step().find(" score=4321 "), std::string::npos);
    // Nothing runs again while the flow waits; the shake is over, the colour held, the rest kept.
    g_Requests.clear();
    for (int i = 0; i < 40; ++i)
        Step();
    EXPECT_TRUE(g_Requests.empty());
    EXPECT_EQ(hero->m_nPicture, 5);
    EXPECT_EQ(g_ScreenEffect.nEffect, 0);
    EXPECT_EQ(g_ShownPictures.size(), 1u);
    EXPECT_EQ(m_Scene->m_Messages.size(), 1u);
    EXPECT_EQ(m_Scene->m_Effects.size(), 1u);
    // Direct3D holds the colour at its end; DirectDraw at 32 bits drops it.
    if (GetParam().bD3D) {
        EXPECT_GE(g_ScreenColour.nFrame, g_ScreenColour.nDuration);
    } else {
        EXPECT_EQ(g_ScreenColour.bActive, 0);
    }
    ExpectGolden(Name("held"), Shown());
}

// The surfaces of the pictures shown are bounded by their bytes, four a pixel: a picture whose file's
// surface would not fit beside those already loaded is not shown (and no load failure is told), one
// of a file already loaded is, and room made later lets the file in.
TEST_P(PresentScenario, PicturesShownHoldTheirSurfacesWithinTheByteBound) {
    ASSERT_TRUE(StartStage({}));
    const std::string first = g_Database.m_Pictures[1].szFileName;
    const std::string second = m_dir + "/second.bmp";
    std::filesystem::copy_file(first, second);
    const std::size_t limit = PlayBoundLimit(PlayBound::PictureBytes);
    const std::size_t picture = 96 * 64 * 4;
    // A surface that claims most of the bound without holding pixels stands for pictures loaded before.
    DDSURFACEDATA& others = g_PictureSurfaces.emplace_front();
    g_PictureDefs.emplace_front();
    others.nWidth = 1;
    const struct {
        std::size_t othersHold;
        const std::string* file;
        bool shown;
        std::size_t surfaces; // loaded afterwards, the stand-in included
    } cases[] = {
        {limit - picture, &first, true, 2},      // fits exactly
        {limit - picture, &first, true, 2},      // its file's surface is shared
        {limit - picture, &second, false, 2},    // one byte a pixel too many
        {limit - 2 * picture, &second, true, 3}, // room made
    };
    for (const auto& c : cases) {
        others.nHeight = static_cast<int>(c.othersHold / 4);
        const std::size_t before = g_ShownPictures.size();
        bool cut = false;
        cPictureLayer values;
        const cPictureLayer* p = ShowPicture(c.file->c_str(), values, &cut);
        EXPECT_EQ(p != nullptr, c.shown) << *c.file;
        EXPECT_EQ(cut, !c.shown) << *c.file;
        EXPECT_EQ(g_ShownPictures.size(), before + (c.shown ? 1 : 0));
        EXPECT_EQ(g_PictureSurfaces.size(), c.surfaces);
    }
    g_PictureSurfaces.pop_front();
    g_PictureDefs.pop_front();
}

// Pictures of one file share its surface: it stays while any of them is shown and goes with the last;
// stage set-up releases every picture, and the next one loads its file again.
TEST_P(PresentScenario, PicturesOfOneFileShareItsSurfaceUntilTheLastLeaves) {
    ASSERT_TRUE(StartStage({}));
    const std::string file = g_Database.m_Pictures[1].szFileName;
    cPictureLayer timed, kept;
    timed.m_nDisplayMode = 2;
    timed.m_nFrames = 2;
    kept.m_nLayer = 1;
    ASSERT_NE(ShowPicture(file.c_str(), timed), nullptr);
    ASSERT_NE(ShowPicture(file.c_str(), kept), nullptr);
    ASSERT_EQ(g_PictureSurfaces.size(), 1u);
    EXPECT_EQ(g_ShownPictures.front().m_lpSurface, &g_PictureSurfaces.front());
    EXPECT_EQ(g_ShownPictures.back().m_lpSurface, &g_PictureSurfaces.front());
    EXPECT_EQ(g_ShownPictures.back().m_nWidth, 96);
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(Step().find(" end=0 "), std::string::npos);
    // The timed one has gone; the other still draws from the file's surface.
    ASSERT_EQ(g_ShownPictures.size(), 1u);
    ASSERT_EQ(g_PictureSurfaces.size(), 1u);
    EXPECT_EQ(g_ShownPictures.front().m_lpSurface, &g_PictureSurfaces.front());
    EXPECT_NE(Step().find(" pics=1,1 "), std::string::npos);

    SetStage(*m_Scene, true, false);
    EXPECT_TRUE(g_ShownPictures.empty());
    EXPECT_TRUE(g_PictureSurfaces.empty());
    EXPECT_TRUE(g_PictureDefs.empty());
    // Alone, a timed picture takes its surface with it.
    ASSERT_NE(ShowPicture(file.c_str(), timed), nullptr);
    EXPECT_EQ(g_PictureSurfaces.size(), 1u);
    for (int i = 0; i < 4; ++i)
        Step();
    EXPECT_TRUE(g_ShownPictures.empty());
    EXPECT_TRUE(g_PictureSurfaces.empty());
}

const Display kDisplays[] = {{"dd", 0}, {"d3d", 1}};
std::string DisplayName(const ::testing::TestParamInfo<Display>& info) {
    return info.param.name;
}
INSTANTIATE_TEST_SUITE_P(Backends, PresentScenario, ::testing::ValuesIn(kDisplays), DisplayName);

} // namespace
