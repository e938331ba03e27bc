// Presentation commands: the waits of messages, background layers, animation sets and code texts.
#include "app/globals.h"
#include "app/play_bounds.h"
#include "flow/cmd_hooks.h"
#include "flow/cmd_present.h"
#include "flow_fixture.h"
#include "platform/crt_rand.h"
#include "platform/messages.h"
#include "objects/effects.h"
#include "project/project_database.h"
#include "play/draw_stage.h"
#include "records/param_link.h"
#include "records/param_tables.h"

namespace {

struct WaitSeen {
    int runs = 0, kind = -1, confirm = -1, frames = -1;
};
WaitSeen g_Seen;

class FlowPresentTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        RegisterPresentCommands();
        g_Seen = {};
        g_FlowPlayHooks.RunPauseLoop = [](cGameScene& s) {
            g_Seen = {g_Seen.runs + 1, s.m_nWaitKind, s.m_bWaitConfirm, s.m_nWaitFrames};
            return true;
        };
    }
    void TearDown() override {
        g_FlowPlayHooks = FlowPlayHooks{};
        g_Stage.m_Backgrounds.clear();
        FlowTest::TearDown();
    }
    static cEdFlowCmd Cmd(int type, std::vector<std::int32_t> params, std::string text = "") {
        cEdFlowCmd rec;
        rec.m_nKind = static_cast<std::int8_t>(type);
        rec.m_Params.assign(params.begin(), params.end());
        rec.m_strText = std::move(text);
        return rec;
    }
};

TEST_F(FlowPresentTest, MessagesThatStopTheGameWaitOnThePauseLoop) {
    struct Case {
        const char* name;
        std::vector<std::int32_t> params;
        int runs, confirm, frames;
    } cases[] = {
        {"UntilKey", {0, 0, 0, 0, 0, 0, 0, 0, 1}, 1, 1, 0},
        {"ForTime", {0, 0, 0, 0, 0, 3, 2, 0, 1}, 1, 0, 18},
        {"UntilStageEnd", {0, 0, 0, 0, 0, 0, 1, 0, 1}, 0, -1, -1},
        {"NoStop", {0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, -1, -1},
    };
    cStageChara c;
    for (const Case& k : cases) {
        g_Seen = {};
        m_Scene->m_Messages.clear();
        cEdFlowCmd rec = Cmd(FCT_MESSAGE, k.params, "hello");
        CmdMessage(c, rec);
        EXPECT_EQ(g_Seen.runs, k.runs) << k.name;
        EXPECT_EQ(g_Seen.confirm, k.confirm) << k.name;
        EXPECT_EQ(g_Seen.frames, k.frames) << k.name;
        if (k.runs) {
            EXPECT_EQ(g_Seen.kind, 1) << k.name;
        }
        ASSERT_EQ(m_Scene->m_Messages.size(), 1u) << k.name;
        EXPECT_EQ(m_Scene->m_Messages.back().m_strText, "hello");
    }
}

// Within one item run the second message continues the window of the first; the next run opens
// its own again.
TEST_F(FlowPresentTest, AnItemRunsSecondMessageContinuesTheFirst) {
    g_Heroes.resize(1);
    g_Heroes[0].m_nHP = 5;
    cCheckedVector<cEdFlowCmd> list;
    for (const char* text : {"one", "two"}) {
        cEdFlowCmd rec = Cmd(ICT_MESSAGE, {0, 0, 0, 0, 0, 0, 0, 0, 0}, text);
        rec.m_bItem = 1;
        list.push_back(rec);
    }
    for (int run = 0; run < 2; ++run) {
        m_Scene->m_Messages.clear();
        EXPECT_EQ(g_Heroes[0].RunItemCommands(list), 0);
        ASSERT_EQ(m_Scene->m_Messages.size(), 2u);
        EXPECT_TRUE(m_Scene->m_Messages.front().m_bOpening) << run;
        EXPECT_FALSE(m_Scene->m_Messages.back().m_bOpening) << run;
    }
}

TEST_F(FlowPresentTest, MessageIdsReplaceAndClosingShowsNothing) {
    cStageChara c;
    std::vector<std::int32_t> p(18, 0);
    p[13] = 4;
    cEdFlowCmd first = Cmd(FCT_MESSAGE, p, "one");
    cEdFlowCmd second = Cmd(FCT_MESSAGE, p, "two");
    p[13] = 0;
    cEdFlowCmd plain = Cmd(FCT_MESSAGE, p, "three");
    CmdMessage(c, first);
    CmdMessage(c, plain);
    CmdMessage(c, second);
    ASSERT_EQ(m_Scene->m_Messages.size(), 2u);
    EXPECT_EQ(m_Scene->m_Messages.front().m_strText, "three");
    EXPECT_EQ(m_Scene->m_Messages.back().m_strText, "two");
    m_Scene->m_bClosing = 1;
    p[8] = 1;
    cEdFlowCmd waiting = Cmd(FCT_MESSAGE, p, "late");
    CmdMessage(c, waiting);
    EXPECT_EQ(m_Scene->m_Messages.size(), 2u);
    EXPECT_EQ(g_Seen.runs, 0);
}

TEST_F(FlowPresentTest, AnEffectSitsCentredOnItsPointWithoutTheHitEffectsJitter) {
    const auto saved = g_Database.m_Effects;
    g_Database.m_Effects.resize(2);
    g_Database.m_Effects.at(1).nCellWidth = 32;
    g_Database.m_Effects.at(1).nCellHeight = 16;
    cStageChara c;
    // The screen's centre, moved by (10, 20), at 100 percent; no wait.
    cEdFlowCmd rec = Cmd(FCT_RUN_EFFECT, {1, 0, 0, 0, 10, 20, 100, 0});
    const unsigned seedBefore = crt::rand_state();
    CmdRunEffect(c, rec);
    ASSERT_EQ(m_Scene->m_Effects.size(), 1u);
    const cEffectObj& e = m_Scene->m_Effects.front();
    EXPECT_EQ(e.m_nEffect, 1);
    EXPECT_DOUBLE_EQ(e.m_dX, static_cast<int>(ViewX().m_dPos) + 320 + 10 - 16);
    EXPECT_DOUBLE_EQ(e.m_dY, static_cast<int>(ViewY().m_dPos) + 240 + 20 - 8);
    EXPECT_EQ(crt::rand_state(), seedBefore);
    EXPECT_EQ(g_Seen.runs, 0);
    g_Database.m_Effects = saved;
}

TEST_F(FlowPresentTest, MessagesPicturesAndAnimationsStopAtTheirBounds) {
    cStageChara c;
    // Messages, one that would wait for its time among them: a refused one does not wait either.
    std::vector<std::int32_t> p(18, 0);
    p[5] = 1;
    p[6] = 2;
    p[8] = 1;
    cEdFlowCmd message = Cmd(FCT_MESSAGE, p, "m");
    const std::size_t messages = PlayBoundLimit(PlayBound::Messages);
    for (const std::size_t before : {messages - 1, messages}) {
        m_Scene->m_Messages.resize(before);
        g_Seen = {};
        CmdMessage(c, message);
        EXPECT_EQ(m_Scene->m_Messages.size(), messages) << before;
        EXPECT_EQ(g_Seen.runs, before < messages ? 1 : 0) << before;
    }
    // Pictures: past the bound the picture is not asked for, so a file that cannot be loaded shows
    // no load failure there.
    const auto keptPictures = g_Database.m_Pictures;
    g_Database.m_Pictures.resize(2);
    g_Database.m_Pictures.at(1).szFileName = "bmp/no-such-picture.bmp";
    cEdFlowCmd picture = Cmd(FCT_SHOW_PICTURE, {1, 0, 0, 0, 0, 0, 0, 100, 1, 0, 0, 0});
    const std::size_t pictures = PlayBoundLimit(PlayBound::Pictures);
    for (const std::size_t before : {pictures - 1, pictures}) {
        g_ShownPictures.resize(before);
        s_Boxes.clear();
        CmdShowPicture(c, picture);
        EXPECT_EQ(g_ShownPictures.size(), before) << before;
        EXPECT_EQ(s_Boxes.size(), before < pictures ? 1u : 0u) << before;
    }
    g_ShownPictures.clear();
    g_Database.m_Pictures = keptPictures;
    // Animations attached to one character.
    const auto keptAnimes = g_Database.m_Animes;
    g_Database.m_Animes.resize(1);
    cEdFlowCmd anime = Cmd(FCT_RUN_ANIME, {0});
    const std::size_t anims = PlayBoundLimit(PlayBound::CharaAnims);
    for (const std::size_t before : {anims - 1, anims}) {
        c.m_AttachedAnims.resize(before);
        CmdRunAnime(c, anime);
        EXPECT_EQ(c.m_AttachedAnims.size(), anims) << before;
    }
    g_Database.m_Animes = keptAnimes;
}

TEST_F(FlowPresentTest, BackgroundLayersCountFromOne) {
    g_Stage.m_Backgrounds.resize(2);
    struct Case {
        int layer, action, shown0, shown1;
    } cases[] = {
        {0, 1, 1, 1}, {3, 1, 1, 1}, {-1, 1, 1, 1}, {1, 1, 0, 1},
        {1, 2, 1, 1}, {2, 2, 1, 0}, {2, 0, 1, 1},  {2, 7, 1, 1},
    };
    cStageChara c;
    for (const Case& k : cases) {
        cEdFlowCmd rec = Cmd(FCT_CHANGE_BACKGROUND, {k.layer, k.action});
        EXPECT_EQ(RunItemCommand(c, ICT_CHANGE_BACKGROUND, rec), 0);
        EXPECT_EQ(g_Stage.m_Backgrounds[0].m_nShown, k.shown0) << k.layer << "/" << k.action;
        EXPECT_EQ(g_Stage.m_Backgrounds[1].m_nShown, k.shown1) << k.layer << "/" << k.action;
    }
}

int g_Red = -1;
int g_LinkKind = 0;

// An arrangement changes what the command that runs next reads of its record: each run of a
// flow's command acts on the values its record holds by then.
TEST_F(FlowPresentTest, EachRunOfAFlowCommandActsOnItsArrangedValues) {
    BuildParamTables();
    g_SaveData.m_vnCommonVars[1] = 1;
    cScreenColour colour;
    g_FlowPlayHooks.ScreenColour = &colour;
    g_FlowPlayHooks.SetScreenColor = [](cScreenColour&, const int p[8]) { g_Red = p[0]; };
    g_Stage.m_Backgrounds.resize(3);
    struct Case {
        int type;
        std::vector<std::int32_t> params;
        int (*seen)(const cGameScene&);
        int first, second;
    } cases[] = {
        // The ID the message window was given.
        {FCT_MESSAGE, std::vector<std::int32_t>(16, 0),
         [](const cGameScene& s) { return s.m_Messages.empty() ? -1 : s.m_Messages.back().m_nReserved; }, 1,
         2},
        {FCT_SCREEN_COLOUR, std::vector<std::int32_t>(8, 0), [](const cGameScene&) { return g_Red; }, 1, 2},
        // The sum of the numbers of the layers shown.
        {FCT_CHANGE_BACKGROUND,
         {0, 0},
         [](const cGameScene&) {
             int sum = 0;
             for (int i = 0; i < g_Stage.m_Backgrounds.Count(); ++i)
                 sum += g_Stage.m_Backgrounds.at(i).m_nShown ? i + 1 : 0;
             return sum;
         },
         1,
         3},
    };
    for (const Case& k : cases) {
        g_Red = -1;
        m_Scene->m_Messages.clear();
        for (int i = 0; i < g_Stage.m_Backgrounds.Count(); ++i)
            g_Stage.m_Backgrounds.at(i).m_nShown = 0;
        g_LinkKind = k.type;
        // Parameter 0 of each kind: the message ID, the red, the layer; one more at each run.
        m_OnRun = [](cChara&, cFlowCommand&) {
            CurFlow()->m_Pending.push_back(ParamLink{g_LinkKind, 0, PLO_ADD, VS_COMMON, 1});
        };
        const std::vector<TestCmd> cmds = {{FCT_WAIT, 1, 0, 'Q'}, {k.type, 1, 0, 'x', k.params}};
        cStageChara c;
        Give(c, {MakeFlow(FTK_ALWAYS, cmds)});
        SetFrames(c, 0, cmds);
        Frame(c, {FTK_ALWAYS});
        Frame(c, {FTK_ALWAYS});
        EXPECT_EQ(k.seen(*m_Scene), k.first) << k.type;
        Frame(c, {FTK_ALWAYS});
        Frame(c, {FTK_ALWAYS});
        EXPECT_EQ(k.seen(*m_Scene), k.second) << k.type;
    }
}

TEST_F(FlowPresentTest, TheSameAnimationSetDoesNotRestart) {
    const auto saved = g_Database.m_AnimeSets;
    g_Database.m_AnimeSets.resize(3);
    for (auto& set : g_Database.m_AnimeSets) {
        cEdAnime& a = set.m_Animes.emplace_back();
        a.m_Frames.resize(3);
        for (int i = 0; i < 3; ++i) {
            a.m_Frames[static_cast<std::size_t>(i)].nPattern = i;
            a.m_Frames[static_cast<std::size_t>(i)].nTime = 1;
        }
    }
    cStageChara c;
    c.ChangeAnimSet(1, 1);
    c.m_AnimSeq.m_nFrame = 2; // part-way through
    c.m_AnimSeq.m_nTick = 3;
    const int frame = c.m_AnimSeq.Frame(), tick = c.m_AnimSeq.TickCount();
    ASSERT_NE(frame * 100 + tick, 0);
    cEdFlowCmd same = Cmd(FCT_CHANGE_ANIMSET, {1});
    CmdChangeAnimeSet(c, same);
    EXPECT_EQ(c.m_AnimSeq.Frame(), frame);
    EXPECT_EQ(c.m_AnimSeq.TickCount(), tick);
    cEdFlowCmd other = Cmd(FCT_CHANGE_ANIMSET, {2});
    CmdChangeAnimeSet(c, other);
    EXPECT_EQ(c.m_nCurAnimSet, 2);
    EXPECT_EQ(c.m_AnimSeq.Frame() * 100 + c.m_AnimSeq.TickCount(), 0);
    g_Database.m_AnimeSets = saved;
}

TEST_F(FlowPresentTest, AFaultyCodeTextGoesOnWithTheNextCommand) {
    const std::vector<TestCmd> cmds = {{FCT_RUN_CODE, 1, 0, '-', {}}, {FCT_WAIT, 1, 0, 'A'}};
    cStageChara c;
    cEdFlow flow = MakeFlow(FTK_BY_COMMAND, cmds);
    flow.m_Commands[0].m_strText = "1 +";
    Give(c, {flow});
    SetFrames(c, 0, cmds);
    Frame(c, {FTK_BY_COMMAND});
    Frame(c);
    EXPECT_EQ(s_Trace, "2:A+-");
    EXPECT_FALSE(s_Boxes.empty());
}

std::vector<int> g_Played;

// A sound with "only if in view" is heard only from a character in the view; without it, always.
TEST_F(FlowPresentTest, SoundOnlyIfInViewStaysSilentOutsideIt) {
    win::ResetMessageModelForTests();
    const win::HWND saved = g_hWnd;
    g_hWnd = win::CreateMainWindowObject([](win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
        if (msg == win::WM_USER + 5) g_Played.push_back(static_cast<int>(wParam));
        return win::LRESULT{0};
    });
    struct Case {
        int onlyIf, inView, sound;
        std::vector<int> played;
    } cases[] = {
        {0, 0, 5, {21}}, {0, 1, 5, {21}}, {1, 1, 5, {21}}, {1, 0, 5, {}}, {0, 1, 0, {}},
    };
    for (const Case& k : cases) {
        g_Played.clear();
        cStageChara c;
        c.m_bInView = k.inView;
        cEdFlowCmd rec = Cmd(FCT_PLAY_SE, {k.sound});
        rec.m_nSoundCond = static_cast<std::uint8_t>(k.onlyIf);
        EXPECT_EQ(RunItemCommand(c, ICT_PLAY_SE, rec), 0);
        EXPECT_EQ(g_Played, k.played) << k.onlyIf << "/" << k.inView << "/" << k.sound;
    }
    win::DestroyMainWindowObject(g_hWnd);
    g_hWnd = saved;
    win::ResetMessageModelForTests();
}

} // namespace
