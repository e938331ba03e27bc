#include "app/log.h"
#include "app/play_bounds.h"
#include "fixtures/bytes.h"
#include "objects/flow_calls.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects_fixture.h"
#include "project/system_data.h"
#include "records/ed_flow.h"

#include <algorithm>
#include <list>
#include <string>
#include <vector>

namespace {

cEdFlowCmd Cmd(int kind, std::vector<int> params = {}, bool item = true) {
    cEdFlowCmd c;
    c.m_bItem = item ? 1 : 0;
    c.m_nKind = static_cast<std::int8_t>(kind);
    c.m_Params.assign(params.begin(), params.end());
    return c;
}

std::vector<int> Kinds(const cCheckedVector<cEdFlowCmd>& list) {
    std::vector<int> v;
    for (const cEdFlowCmd& c : list)
        v.push_back(c.m_nKind);
    return v;
}

TEST(ExpandLoopsTest, LoopsRepeatWhatFollowsThem) {
    struct Case {
        std::vector<cEdFlowCmd> in;
        std::vector<int> out;
    } cases[] = {
        // 3 x (4 5), then 6.
        {{Cmd(23, {3, 2}), Cmd(4), Cmd(5), Cmd(6)}, {4, 5, 4, 5, 4, 5, 6}},
        // Nested: the outer loop repeats the inner loop, which then expands each copy.
        {{Cmd(23, {2, 2}), Cmd(23, {2, 1}), Cmd(7)}, {7, 7, 7, 7}},
        // A length past the end is cut; a count below 1 adds nothing.
        {{Cmd(4), Cmd(23, {2, 9}), Cmd(5)}, {4, 5, 5}},
        {{Cmd(23, {0, 1}), Cmd(5)}, {5}},
        {{Cmd(23, {-4, 1}), Cmd(5)}, {5}},
        {{Cmd(5), Cmd(23, {3, 1})}, {5}},
        // Character lists loop with type 38 (type 23 is a character command there).
        {{Cmd(38, {2, 1}, false), Cmd(23, {}, false)}, {23, 23}},
    };
    for (Case& c : cases) {
        cCheckedVector<cEdFlowCmd> list;
        list.assign(c.in.begin(), c.in.end());
        ExpandLoops(list);
        EXPECT_EQ(Kinds(list), c.out);
    }
}

TEST(ExpandLoopsTest, GrowthStopsAtTheCapWithOneReportLineAStage) {
    ASSERT_EQ(PlayBoundLimit(PlayBound::LoopCommands), MAX_EXPANDED_COMMANDS);
    fixtures::TempDir dir;
    const std::string report = dir.file("Report_Game.txt");
    ASSERT_TRUE(ReportOpen(report.c_str()));
    ResetPlayBoundReports();
    // Three nested loops of 127 would make 127^3 commands; every character built from the same
    // definition expands them again.
    for (int built = 0; built < 2; ++built) {
        cCheckedVector<cEdFlowCmd> list;
        list.push_back(Cmd(23, {127, 3}));
        list.push_back(Cmd(23, {127, 2}));
        list.push_back(Cmd(23, {127, 1}));
        list.push_back(Cmd(4));
        ExpandLoops(list);
        EXPECT_LE(list.size(), MAX_EXPANDED_COMMANDS);
        EXPECT_GT(list.size(), MAX_EXPANDED_COMMANDS / 2);
        for (const cEdFlowCmd& c : list)
            EXPECT_EQ(c.m_nKind, 4);
    }
    // A list that fills the cap exactly is not cut.
    cCheckedVector<cEdFlowCmd> exact;
    exact.push_back(Cmd(23, {static_cast<std::int32_t>(MAX_EXPANDED_COMMANDS), 1}));
    exact.push_back(Cmd(4));
    ExpandLoops(exact);
    EXPECT_EQ(exact.size(), MAX_EXPANDED_COMMANDS);
    const fixtures::Bytes logged = fixtures::ReadAll(report);
    const std::string text(logged.begin(), logged.end());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("65536"), std::string::npos) << text;
    g_szReportPath[0] = '\0';
}

// The stage's characters and items share one bound on what their lists hold once their loops are
// expanded: each list is cut where the stage has nothing left, and what an object held is free again
// once it goes (so that a long stage that summons and defeats never runs out).
using HeldListsTest = ObjectsTest;

TEST_F(HeldListsTest, TheStageHoldsItsListsWithinOneBound) {
    const std::size_t limit = PlayBoundLimit(PlayBound::HeldEntries);
    ASSERT_EQ(limit % MAX_EXPANDED_COMMANDS, 0u);
    const std::size_t full = limit / MAX_EXPANDED_COMMANDS; // items whose lists fill the bound
    fixtures::TempDir dir;
    const std::string report = dir.file("Report_Game.txt");
    ASSERT_TRUE(ReportOpen(report.c_str()));
    ResetPlayBoundReports();
    // An item whose one command stands MAX_EXPANDED_COMMANDS times.
    cEdItemDef def;
    def.m_Commands.push_back(Cmd(23, {static_cast<std::int32_t>(MAX_EXPANDED_COMMANDS), 1}));
    def.m_Commands.push_back(Cmd(4));
    const std::size_t held0 = PlayBoundHeld(PlayBound::HeldEntries);
    std::list<cItem> items;
    for (std::size_t i = 0; i < full; ++i) {
        items.emplace_back().Init(0, def, 0, 0);
        EXPECT_EQ(items.back().m_Def.m_Commands.size(), MAX_EXPANDED_COMMANDS) << i;
    }
    EXPECT_EQ(PlayBoundHeld(PlayBound::HeldEntries) - held0, limit);
    const struct {
        std::size_t letGo;  // items let go before the next is built
        std::size_t size;   // its list
        std::size_t copies; // copies of it made after that, each holding as much
    } cases[] = {
        {0, 1, 2},                         // nothing left: the loop adds nothing, the command stays
        {1, MAX_EXPANDED_COMMANDS - 2, 0}, // one let go: what the cut lists hold is not free
        {2, MAX_EXPANDED_COMMANDS, 0},     // freed again, a whole list
    };
    for (const auto& c : cases) {
        for (std::size_t k = 0; k < c.letGo; ++k)
            items.pop_front();
        items.emplace_back().Init(0, def, 0, 0);
        EXPECT_EQ(items.back().m_Def.m_Commands.size(), c.size) << c.letGo;
        for (std::size_t k = 0; k < c.copies; ++k)
            items.push_back(items.back()); // a copy holds a share of its own
        std::size_t sum = 0;
        for (const cItem& it : items)
            sum += it.m_Def.m_Commands.size();
        EXPECT_EQ(PlayBoundHeld(PlayBound::HeldEntries) - held0, sum) << c.letGo;
    }
    items.clear();
    EXPECT_EQ(PlayBoundHeld(PlayBound::HeldEntries), held0);
    const fixtures::Bytes logged = fixtures::ReadAll(report);
    const std::string text(logged.begin(), logged.end());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find(std::to_string(limit)), std::string::npos) << text;
    g_szReportPath[0] = '\0';
}

class ItemHeroTest : public ObjectsTest {
  protected:
    void TearDown() override {
        g_ObjectFlowCalls = ObjectFlowCalls{};
        g_SystemData.m_nCompat214 = 0;
        ObjectsTest::TearDown();
    }
    cHero& MakeHero(int moveType = 0) {
        cEdCharaDef def;
        def.m_nController = 0;
        def.m_nMoveType = static_cast<std::uint8_t>(moveType);
        def.m_nMaxHP = 10;
        g_Heroes.resize(1);
        g_Heroes[0].Init(1, def, 5, 5, 0, 0);
        return g_Heroes[0];
    }
};

// Item commands: 2 ends the stage, 7 takes 20 HP, 4 is a message; every run is recorded.
std::vector<int> g_Ran;
int FakeItemCommand(cChara& chara, int type, cEdFlowCmd&) {
    g_Ran.push_back(type);
    if (type == 7) chara.m_nHP -= 20;
    return type == 2 ? 1 : 0;
}
int g_Built = 0;
void FakeBuild(cChara&, const cCheckedVector<cEdFlow>& defs, int, int) {
    g_Built += defs.Count();
}

TEST_F(ItemHeroTest, ItemCommandsStopAtAClearOrADeath) {
    cHero& hero = MakeHero();
    g_ObjectFlowCalls.RunItemCommand = FakeItemCommand;
    struct Case {
        std::vector<int> kinds;
        int result;
        std::vector<int> ran;
    } cases[] = {
        {{4, 4, 19}, 0, {4, 4, 19}},
        {{4, 2, 4}, 1, {4, 2}},
        {{7, 4, 2}, 2, {7}},
        {{0, 23, 4}, 0, {4}},
    };
    for (const Case& c : cases) {
        hero.m_nHP = 10;
        g_Ran.clear();
        cCheckedVector<cEdFlowCmd> list;
        for (int k : c.kinds)
            list.push_back(Cmd(k));
        EXPECT_EQ(hero.RunItemCommands(list), c.result);
        EXPECT_EQ(g_Ran, c.ran);
    }
}

TEST_F(ItemHeroTest, FlowChangeWaitsWhileTheHerosOwnFlowsRun) {
    cHero& hero = MakeHero();
    g_ObjectFlowCalls.BuildFlows = FakeBuild;
    g_Built = 0;
    cCheckedVector<cEdFlowCmd> list;
    list.push_back(Cmd(1, {0, 0}));
    list[0].m_Flows.resize(2);
    m_Scene->m_lpCurChara = &hero;
    EXPECT_EQ(hero.RunItemCommands(list), 0);
    EXPECT_EQ(g_Built, 0);
    EXPECT_EQ(hero.m_Work.pendingFlowChanges.size(), 1u);
    // The driver applies it once the hero's flows have been stepped (the flow engine's update
    // does, before it erases flows and frees ended groups).
    g_ObjectFlowCalls.RunFlowUpdate = [](cChara& c, int) { ApplyPendingFlowChanges(static_cast<cHero&>(c)); };
    hero.RunFlows(0);
    EXPECT_EQ(g_Built, 2);
    EXPECT_TRUE(hero.m_Work.pendingFlowChanges.empty());
    // Not during its own step, it happens at once.
    m_Scene->m_lpCurChara = nullptr;
    hero.RunItemCommands(list);
    EXPECT_EQ(g_Built, 4);
}

TEST_F(ItemHeroTest, ItemIsCentredAndBlinksBetweenTwoPatterns) {
    g_Stage.m_nItemRangeW = 20;
    g_Stage.m_nItemRangeH = 10;
    cEdItemDef def;
    def.m_nScale = 0;
    cItem item;
    item.Init(3, def, 4, 2);
    EXPECT_EQ(item.m_nHitX, 6);
    EXPECT_EQ(item.m_nHitY, 11);
    EXPECT_EQ(item.m_nScale, 1);
    EXPECT_EQ(item.m_bNoGravity, 1);
    EXPECT_EQ(item.m_nDir, 0);
    EXPECT_DOUBLE_EQ(item.m_dY, (10 + 2) * 32 + 11);
    std::vector<int> seen;
    for (int i = 0; i < 32; ++i)
        seen.push_back(item.m_AnimSeq.Tick());
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[13], 0);
    EXPECT_EQ(seen[14], 1);
    EXPECT_EQ(seen[28], 1);
    EXPECT_EQ(seen[29], 0);
}

TEST_F(ItemHeroTest, HeroBoxesAreListedLargestFirstAndTouchesAreKept) {
    g_Stage.m_nHeroBodyW = 16, g_Stage.m_nHeroBodyH = 24;
    g_Stage.m_nHeroItemRangeW = 30, g_Stage.m_nHeroItemRangeH = 30;
    g_Stage.m_nHeroShotRangeW = 4, g_Stage.m_nHeroShotRangeH = 4;
    cHero& hero = MakeHero();
    std::vector<int> order;
    for (const cBoxDisplay& b : hero.m_Work.boxes)
        order.push_back(b.nBox);
    EXPECT_EQ(order, (std::vector<int>{2, 0, 1, 3}));
    EXPECT_EQ(hero.m_nHitY, 8); // feet on the cell's floor
}

TEST_F(ItemHeroTest, HitRangeChoicesTakeTheStageRangeTheyName) {
    const cEdStage saved = g_Stage;
    cEdStage& st = g_Stage;
    st.m_nHeroBodyW = 6, st.m_nHeroBodyH = 7, st.m_nHeroBodyFlyW = 8, st.m_nHeroBodyFlyH = 9;
    st.m_nHeroCharaRangeW = 10, st.m_nHeroCharaRangeH = 11;
    st.m_nHeroCharaRangeFlyW = 12, st.m_nHeroCharaRangeFlyH = 13;
    st.m_nHeroShotRangeW = 14, st.m_nHeroShotRangeH = 15;
    st.m_nHeroShotCharaRangeW = 18, st.m_nHeroShotCharaRangeH = 19;
    st.m_nCharaBodyW = 2, st.m_nCharaBodyH = 3, st.m_nCharaBodyFlyW = 4, st.m_nCharaBodyFlyH = 5;
    st.m_nCharaCharaRangeW = 20, st.m_nCharaCharaRangeH = 21;
    st.m_nCharaCharaRangeFlyW = 22, st.m_nCharaCharaRangeFlyH = 23;
    st.m_nCharaShotRangeW = 24, st.m_nCharaShotRangeH = 25;
    st.m_nCharaShotCharaRangeW = 26, st.m_nCharaShotCharaRangeH = 27;
    struct Case {
        int choice, moveType, heroW, heroH, charaW, charaH;
    };
    const Case cases[] = {
        {0, 0, 10, 11, 20, 21}, {0, 1, 12, 13, 22, 23}, {1, 0, 14, 15, 24, 25},
        {1, 1, 14, 15, 24, 25}, {2, 0, 18, 19, 26, 27}, {3, 1, 32, 32, 32, 32},
    };
    for (const Case& k : cases) {
        cEdCharaDef def;
        def.m_nHitRange = static_cast<std::uint8_t>(k.choice);
        def.m_nMoveType = static_cast<std::uint8_t>(k.moveType);
        g_Heroes.resize(1);
        g_Heroes[0].Init(1, def, 5, 5, 0, 0);
        const cPartBox& hero = g_Heroes[0].m_Parts[0];
        EXPECT_EQ(hero.nWidth, k.heroW) << k.choice << "/" << k.moveType;
        EXPECT_EQ(hero.nHeight, k.heroH) << k.choice << "/" << k.moveType;
        cStageChara c;
        c.Init(2, def, nullptr);
        EXPECT_EQ(c.m_Parts[0].nWidth, k.charaW) << k.choice << "/" << k.moveType;
        EXPECT_EQ(c.m_Parts[0].nHeight, k.charaH) << k.choice << "/" << k.moveType;
        if (k.choice == 3) { // the whole cell
            EXPECT_EQ(c.m_nHitX + c.m_Parts[0].nOffsetX, 0);
            EXPECT_EQ(c.m_nHitY + c.m_Parts[0].nOffsetY, 0);
        }
    }
    g_Stage = saved;
}

TEST_F(ItemHeroTest, MoveTypesAndTheScrollSetTheHerosSpeeds) {
    cHero& hero = MakeHero(1); // flying
    hero.m_dVX = 3, hero.m_dVY = -2, hero.m_dAX = 1, hero.m_dAY = 1;
    hero.SetMoveType(0, 1); // leaving no-gravity stops at once
    EXPECT_EQ(hero.m_dVX, 0);
    EXPECT_EQ(hero.m_dVY, 0);
    EXPECT_EQ(hero.m_dAX, 0);
    EXPECT_EQ(hero.m_Work.nGravityCounter, 2);
    // Scroll-bound heroes: a walking hero starts each frame at vx 0, whatever the scroll.
    m_Scene->m_ScrollX.SetAutoSpeed(1, 20);
    hero.m_bScrollSync = 1;
    g_SystemData.m_nCompat214 = 1;
    hero.m_dVX = 5;
    hero.RunFlows(0);
    EXPECT_EQ(hero.m_dVX, 0);
    g_SystemData.m_nCompat214 = 0;
    hero.RunFlows(0);
    EXPECT_EQ(hero.m_dVX, m_Scene->m_ScrollX.MovingSpeed());
}

TEST_F(ItemHeroTest, JumpIsCutByAnEarlyReleaseAndIgnoredWithoutGravity) {
    cHero& hero = MakeHero();
    double speed = -8.0;
    int started = 0;
    auto jump = [&](int held) {
        cJumpRequest r;
        r.m_lpSpeed = &speed;
        r.m_lpStarted = &started;
        r.m_nHoldLimit = 10;
        r.m_nKind = 1;
        r.m_bKeyHeld = held;
        hero.m_Motion.bJumpActive = 0;
        return hero.Jump(r);
    };
    jump(1);
    EXPECT_EQ(hero.m_dVY, -8.0);
    EXPECT_EQ(started, 1);
    hero.m_dVY = -5.0; // rising
    jump(1);
    EXPECT_EQ(hero.m_dVY, -5.0);
    jump(0); // released before the limit
    EXPECT_DOUBLE_EQ(hero.m_dVY, -1.5);
    EXPECT_EQ(hero.m_bJumped, 1);

    cHero& flyer = MakeHero(1);
    started = 0;
    flyer.m_dVY = 0;
    cJumpRequest r;
    r.m_lpSpeed = &speed;
    r.m_lpStarted = &started;
    r.m_nHoldLimit = 10;
    EXPECT_EQ(flyer.Jump(r), 0);
    EXPECT_EQ(flyer.m_dVY, 0);
}

} // namespace
