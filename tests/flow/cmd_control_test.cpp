// Flow operations, game waits, item taking and arrangements, traced sub-step by sub-step.
#include "flow/cmd_control.h"
#include "flow/cmd_hooks.h"
#include "flow/cmd_items.h"
#include "flow_fixture.h"
#include "objects/item.h"
#include "project/common_palette.h"

#include <climits>

namespace {

using Cmds = std::vector<TestCmd>;

class FlowControlTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        BuildParamTables();
        RegisterControlCommands();
        RegisterItemCommands();
    }
    void TearDown() override {
        g_FlowPlayHooks = FlowPlayHooks{};
        FlowTest::TearDown();
    }
    static TestCmd Control(int op, int pick, int id = 0) {
        return {FCT_FLOW_CONTROL, 1, 0, '-', {op, pick, id}};
    }
};

struct CurrentCase {
    const char* name;
    int op;
    bool retrigger; // the flow's kind is raised again on frame 3
    const char* trace;
    bool running; // after the last frame
    std::size_t flows;
};

class FlowControlCurrentTest : public FlowControlTest, public ::testing::WithParamInterface<CurrentCase> {};

// A flow A, operation on itself, B: raised on frame 1 only (and on frame 3 when asked).
TEST_P(FlowControlCurrentTest, ActsOnTheFlowThatRunsIt) {
    const CurrentCase& k = GetParam();
    const Cmds cmds = {{FCT_WAIT, 1, 0, 'A'}, Control(k.op, 0), {FCT_WAIT, 1, 0, 'B'}};
    cStageChara c;
    Give(c, {MakeFlow(FTK_BY_COMMAND, cmds)});
    SetFrames(c, 0, cmds);
    for (int f = 1; f <= 6; ++f) {
        if (f == 1 || (f == 3 && k.retrigger)) {
            Frame(c, {FTK_BY_COMMAND});
        } else {
            Frame(c);
        }
    }
    EXPECT_EQ(s_Trace, k.trace);
    ASSERT_EQ(c.m_Flows.size(), k.flows);
    EXPECT_EQ(c.m_Def.m_Flows.size(), k.flows);
    if (k.flows) {
        EXPECT_EQ(c.m_Flows[0].m_bRunning != 0, k.running);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ops, FlowControlCurrentTest,
    ::testing::Values(
        // Ends at once: B never runs, and the flow can start again from the next frame on.
        CurrentCase{"End", 1, false, "1:A+-", false, 1},
        CurrentCase{"EndThenRaised", 1, true, "1:A+-|3:A+-", false, 1},
        // Restarts: the first command runs again on the next frame, then the commands after the
        // restart, which the new pass passes over as done; the flow then ends.
        CurrentCase{"Start", 0, false, "1:A+-|3:A+-|4:B+-", false, 1},
        CurrentCase{"Pause", 2, true, "1:A+-", true, 1},
        // Resuming a running flow from inside itself changes nothing.
        CurrentCase{"Resume", 3, false, "1:A+-|3:B+-", false, 1},
        // Gone with its definition after the frame's update.
        CurrentCase{"Delete", 4, true, "1:A+-", false, 0},
        CurrentCase{"StopForEver", 5, true, "1:A+-", true, 1},
        CurrentCase{"UnknownOperation", 9, false, "1:A+-|3:B+-", false, 1}),
    [](const ::testing::TestParamInfo<CurrentCase>& i) { return std::string(i.param.name); });

struct RestartCase {
    const char* name;
    Cmds cmds;
    const char* trace;  // over 10 frames
    bool running;       // after them
    const char* frames; // the flow's frames run after each of them: a new pass starts at 0
};

class FlowRestartTest : public FlowControlTest, public ::testing::WithParamInterface<RestartCase> {};

// A flow (ID 7) that starts itself anew, raised on frame 1 only: the new pass begins with the
// first command on the next frame, holds every command until the plain commands ahead of it have
// finished, and passes over the restart, which it counts as done.
TEST_P(FlowRestartTest, StartsItselfAnewOnce) {
    const RestartCase& k = GetParam();
    cStageChara c;
    cEdFlow flow = MakeFlow(FTK_BY_COMMAND, k.cmds);
    flow.m_nId = 7;
    Give(c, {flow});
    SetFrames(c, 0, k.cmds);
    std::string frames;
    for (int f = 1; f <= 10; ++f) {
        if (f == 1) {
            Frame(c, {FTK_BY_COMMAND});
        } else {
            Frame(c);
        }
        frames += std::to_string(c.m_Flows[0].m_nFramesRun);
    }
    EXPECT_EQ(s_Trace, k.trace);
    EXPECT_EQ(c.m_Flows[0].m_bRunning != 0, k.running);
    EXPECT_EQ(frames, k.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Ops, FlowRestartTest,
    ::testing::Values(
        // Naming the flow by its own ID restarts it as "this flow" does (Ops/ActsOnTheFlowThatRunsIt).
        RestartCase{
            "ById",
            {{FCT_WAIT, 1, 0, 'A'}, TestCmd{FCT_FLOW_CONTROL, 1, 0, '-', {0, 2, 7}}, {FCT_WAIT, 1, 0, 'B'}},
            "1:A+-|3:A+-|4:B+-",
            false,
            "1011111111"},
        // B waits for the two sub-steps of A in the new pass too.
        RestartCase{"AfterTwoCommands",
                    {{FCT_WAIT, 2, 0, 'A'},
                     {FCT_WAIT, 1, 0, 'B'},
                     TestCmd{FCT_FLOW_CONTROL, 1, 0, '-', {0, 0, 0}},
                     {FCT_WAIT, 1, 0, 'C'}},
                    "1:A+|2:A-|3:B+-|5:A+|6:A-|7:B+-|8:C+-",
                    false,
                    "1230123333"},
        // A command run with the next lets the restart join it in its first frame, and in the new
        // pass the command after the restart, whose end (the flow's last command) ends the flow.
        RestartCase{
            "AfterACommandRunWithTheNext",
            {{FCT_WAIT, 3, 1, 'A'}, TestCmd{FCT_FLOW_CONTROL, 1, 0, '-', {0, 0, 0}}, {FCT_WAIT, 1, 0, 'B'}},
            "1:A+|2:A+ B+-",
            false,
            "0000000000"},
        // As the flow's last command it starts the flow anew each time the walk reaches it.
        RestartCase{"AsTheLastCommand",
                    {{FCT_WAIT, 1, 0, 'A'}, TestCmd{FCT_FLOW_CONTROL, 1, 0, '-', {0, 0, 0}}},
                    "1:A+-|3:A+-|5:A+-|7:A+-|9:A+-",
                    true,
                    "1010101010"}),
    [](const ::testing::TestParamInfo<RestartCase>& i) { return std::string(i.param.name); });

struct OtherCase {
    const char* name;
    int op, pick, id, otherId;
    const char* trace;
};

class FlowControlOtherTest : public FlowControlTest, public ::testing::WithParamInterface<OtherCase> {};

// Flow 0: X, the operation, A. Flow 1 (ID otherId): B for 4 sub-steps. Both start on frame 1.
TEST_P(FlowControlOtherTest, ActsOnTheChosenFlows) {
    const OtherCase& k = GetParam();
    const Cmds first = {{FCT_WAIT, 1, 0, 'X'}, Control(k.op, k.pick, k.id), {FCT_WAIT, 1, 0, 'A'}};
    const Cmds second = {{FCT_WAIT, 4, 0, 'B'}};
    cStageChara c;
    cEdFlow other = MakeFlow(FTK_BY_COMMAND, second);
    other.m_nId = static_cast<std::uint8_t>(k.otherId);
    Give(c, {MakeFlow(FTK_BY_COMMAND, first), other});
    SetFrames(c, 0, first);
    SetFrames(c, 1, second);
    Frame(c, {FTK_BY_COMMAND});
    for (int f = 2; f <= 5; ++f)
        Frame(c);
    EXPECT_EQ(s_Trace, k.trace);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, FlowControlOtherTest,
    ::testing::Values(OtherCase{"EndById", 1, 2, 5, 5, "1:X+- B+|3:A+-"},
                      // ID 0 names no flow, not even flows without an ID.
                      OtherCase{"IdZeroMatchesNothing", 1, 2, 0, 0, "1:X+- B+|2:B|3:A+- B|4:B-"},
                      OtherCase{"OtherId", 1, 2, 6, 5, "1:X+- B+|2:B|3:A+- B|4:B-"},
                      OtherCase{"PauseOthers", 2, 1, 0, 0, "1:X+- B+|3:A+-"},
                      OtherCase{"EndOthers", 1, 1, 0, 0, "1:X+- B+|3:A+-"}),
    [](const ::testing::TestParamInfo<OtherCase>& i) { return std::string(i.param.name); });

TEST_F(FlowControlTest, PausedOthersCannotStartAndResumeWhereTheyWere) {
    const Cmds first = {Control(2, 1)};
    const Cmds second = {{FCT_WAIT, 3, 0, 'B'}};
    const Cmds idle = {{FCT_WAIT, 1, 0, 'C'}};
    cStageChara c;
    Give(c, {MakeFlow(FTK_HIT_BLOCK, first), MakeFlow(FTK_BY_COMMAND, second), MakeFlow(FTK_HIT_ITEM, idle)});
    SetFrames(c, 0, first);
    SetFrames(c, 1, second);
    SetFrames(c, 2, idle);
    Frame(c, {FTK_BY_COMMAND}); // B starts
    Frame(c, {FTK_HIT_BLOCK});  // every other flow paused, the idle one too
    Frame(c, {FTK_HIT_ITEM});   // the paused idle flow does not start
    EXPECT_EQ(s_Trace, "1:B+");
    // Resumed from outside any flow: every flow counts as "other".
    cEdFlowCmd rec = MakeCommand(Control(3, 1));
    cFlowCommand inst;
    inst.m_lpRecord = &rec;
    CmdFlowControl(c, inst);
    Frame(c);
    Frame(c, {FTK_HIT_ITEM});
    EXPECT_EQ(s_Trace, "1:B+|4:B|5:B- C+-");
}

// The pause loop as the tests see it: the wait fields and the message list while it runs.
struct PauseProbe {
    int runs = 0, kind = -1, confirm = -1, frames = -1, messages = -1, shownFrames = -1;
    std::string text = "?";
};
PauseProbe g_Probe;

bool ProbeRun(cGameScene& s) {
    ++g_Probe.runs;
    g_Probe.kind = s.m_nWaitKind;
    g_Probe.confirm = s.m_bWaitConfirm;
    g_Probe.frames = s.m_nWaitFrames;
    g_Probe.messages = static_cast<int>(s.m_Messages.size());
    if (!s.m_Messages.empty()) {
        g_Probe.text = s.m_Messages.back().m_strText;
        g_Probe.shownFrames = s.m_Messages.back().m_nFrames;
    }
    return true;
}

TEST_F(FlowControlTest, GameWaitHoldsTheGameTenthsTimesSixFrames) {
    g_Probe = {};
    g_FlowPlayHooks.RunPauseLoop = &ProbeRun;
    cStageChara c;
    cEdFlowCmd rec = MakeCommand({FCT_GAME_WAIT, 1, 0, '-', {10}});
    m_Scene->m_Messages.emplace_back().m_strText = "kept";
    EXPECT_EQ(RunItemCommand(c, ItemTypeOfCommand(FCT_GAME_WAIT), rec), 0);
    EXPECT_EQ(g_Probe.runs, 1);
    EXPECT_EQ(g_Probe.frames, 60);
    EXPECT_EQ(g_Probe.kind, 0);
    EXPECT_EQ(g_Probe.confirm, 0);
    // An entry without text lasted the wait, and went with it.
    EXPECT_EQ(g_Probe.messages, 2);
    EXPECT_EQ(g_Probe.text, "");
    EXPECT_EQ(g_Probe.shownFrames, 60);
    ASSERT_EQ(m_Scene->m_Messages.size(), 1u);
    EXPECT_EQ(m_Scene->m_Messages.front().m_strText, "kept");
    // A closing scene waits no more.
    m_Scene->m_bClosing = 1;
    CmdGameWait(c, rec);
    EXPECT_EQ(g_Probe.runs, 1);
    EXPECT_EQ(m_Scene->m_Messages.size(), 1u);
}

TEST_F(FlowControlTest, TimedWaitsEndAtTheirBound) {
    g_FlowPlayHooks.RunPauseLoop = &ProbeRun;
    cStageChara c;
    const struct {
        int tenths, frames;
    } cases[] = {
        {9999, 59994},    // the longest time the editor holds: the bound itself
        {10000, 59994},   // one past it
        {INT_MAX, 59994}, // as long as the field holds
        {-5, -30},        // a wait below nothing is the pause loop's to end at once
    };
    for (const auto& k : cases) {
        g_Probe = {};
        cEdFlowCmd rec = MakeCommand({FCT_GAME_WAIT, 1, 0, '-', {k.tenths}});
        CmdGameWait(c, rec);
        EXPECT_EQ(g_Probe.frames, k.frames) << k.tenths;
    }
    // A wait for the advance key has no time to bound.
    g_Probe = {};
    EXPECT_TRUE(RunFlowPause(*m_Scene, 1, 1, INT_MAX));
    EXPECT_EQ(g_Probe.frames, INT_MAX);
}

TEST_F(FlowControlTest, ArrangementsAccumulateForTheNextCommandOnly) {
    // Each link adds character variable 0 to parameter 1 ("対象キャラID") of a target command.
    const TestCmd arrange = {FCT_ARRANGE, 1, 1, '-', {FCT_SET_TARGET, 1, PLO_ADD, VS_CHARA, 0}};
    const TestCmd target = {FCT_SET_TARGET, 1, 0, '-', std::vector<std::int32_t>(10, 0)};
    const Cmds cmds = {arrange, arrange, target, target};
    cStageChara c;
    Give(c, {MakeFlow(FTK_BY_COMMAND, cmds)});
    SetFrames(c, 0, cmds);
    c.m_Vars[0] = 7;
    Frame(c, {FTK_BY_COMMAND});
    Frame(c);
    const cEdFlow& def = c.m_Def.m_Flows[0];
    EXPECT_EQ(def.m_Commands[2].m_Params[9], 14);
    EXPECT_EQ(def.m_Commands[3].m_Params[9], 0);
    // In an item's list the link waits on the first hero.
    g_Heroes.resize(1);
    cEdFlowCmd rec = MakeCommand(arrange);
    rec.m_bItem = 1;
    CmdArrange(c, rec);
    CmdArrange(c, rec);
    EXPECT_EQ(g_Heroes[0].m_Work.pendingLinks.size(), 2u);
}

// Starts of flows whose commands are being walked: a stage-start flow runs its instant commands
// inside its start, and may start other stage-start flows from there. "S" is an instant command that
// notes the index of the current flow.
struct WalkFlow {
    int trigger;
    int id;
    Cmds cmds;
};
struct WalkCase {
    const char* what;
    std::vector<WalkFlow> flows;
    int kind;          // raised on frame 1
    const char* seen;  // the current flow at each "S", in order
    const char* trace; // the traced waits over three frames
    int runningAfter;  // flows running after the frames
};

TEST_F(FlowControlTest, FlowsStartedWithinAWalkOfCommands) {
    static std::string s_Seen;
    SetSharedCommandHandler(FCT_PLAY_SE, [](cChara&, cEdFlowCmd&) {
        s_Seen += (s_Seen.empty() ? "" : " ") + std::to_string(CurFlow() ? CurFlow()->m_nIndex : -1);
        return 0;
    });
    const TestCmd note = {FCT_PLAY_SE, 0, 1, 'S'};
    auto control = [](int op, int pick, int id = 0) {
        return TestCmd{FCT_FLOW_CONTROL, 0, 1, '-', {op, pick, id}};
    };
    const TestCmd wait = {FCT_WAIT, 1, 0, 'W'};
    const TestCmd longWait = {FCT_WAIT, 5, 0, 'L'};
    const WalkCase cases[] = {
        {"two stage-start flows start each other: each runs its commands once",
         {{FTK_BEFORE_STAGE, 0, {note, control(0, 1), note}},
          {FTK_BEFORE_STAGE, 0, {note, control(0, 1), note}}},
         FTK_BEFORE_STAGE,
         "0 1 1 0",
         "",
         0},
        {"a chain of three by ID back to the first",
         {{FTK_BEFORE_STAGE, 1, {note, control(0, 2, 2), note}},
          {FTK_BEFORE_STAGE, 2, {note, control(0, 2, 3), note}},
          {FTK_BEFORE_STAGE, 3, {note, control(0, 2, 1), note}}},
         FTK_BEFORE_STAGE,
         "0 1 2 2 1 0",
         "",
         0},
        {"the flows outside the walk are still started",
         {{FTK_BEFORE_STAGE, 0, {control(0, 1)}},
          {FTK_BEFORE_STAGE, 0, {control(0, 1), note}},
          {FTK_BY_COMMAND, 0, {longWait}}},
         FTK_BEFORE_STAGE,
         "1",
         "1:L+|2:L|3:L",
         1},
        {"a stage-start flow restarting itself by ID only ends",
         {{FTK_BEFORE_STAGE, 4, {note, control(0, 2, 4), note}}},
         FTK_BEFORE_STAGE,
         "0",
         "",
         0},
        // "このフロー" after the start names the flow that started the stage-start flow again: it
        // ends, and its wait never runs.
        {"a running flow that starts a stage-start flow stays the current flow",
         {{FTK_BY_COMMAND, 0, {note, control(0, 1), note, control(1, 0), wait}},
          {FTK_BEFORE_STAGE, 0, {note}}},
         FTK_BY_COMMAND,
         "0 1 0",
         "",
         0},
        // Its walk goes on after the start, and the stage-start flow's "開始" on the others does
        // not restart it.
        {"a running flow is not restarted by the stage-start flow it started",
         {{FTK_BY_COMMAND, 0, {control(0, 1), note, wait}}, {FTK_BEFORE_STAGE, 0, {control(0, 1), note}}},
         FTK_BY_COMMAND,
         "1 0",
         "1:W+-",
         0},
    };
    for (const WalkCase& k : cases) {
        s_Seen.clear();
        s_Trace.clear();
        m_nFrame = 0;
        std::vector<cEdFlow> defs;
        for (const WalkFlow& f : k.flows) {
            defs.push_back(MakeFlow(f.trigger, f.cmds));
            defs.back().m_nId = static_cast<std::uint8_t>(f.id);
        }
        cStageChara c;
        Give(c, defs);
        for (std::size_t i = 0; i < k.flows.size(); ++i)
            SetFrames(c, static_cast<int>(i), k.flows[i].cmds);
        Frame(c, {k.kind});
        Frame(c);
        Frame(c);
        EXPECT_EQ(s_Seen, k.seen) << k.what;
        EXPECT_EQ(s_Trace, k.trace) << k.what;
        int running = 0;
        for (const cFlow& f : c.m_Flows)
            running += f.m_bRunning;
        EXPECT_EQ(running, k.runningAfter) << k.what;
        EXPECT_EQ(CurFlow(), nullptr) << k.what;
    }
}

class FlowGetItemTest : public FlowControlTest {
  protected:
    void SetUp() override {
        FlowControlTest::SetUp();
        m_SavedPalette = g_CommonPalette.m_Items;
        g_Heroes.resize(1);
        g_Heroes[0].m_nHP = 5;
        g_Heroes[0].m_Vars.assign(4, 0);
        // A fake clear for item type 2.
        SetSharedCommandHandler(FCT_STAGE_CLEAR, [](cChara&, cEdFlowCmd&) { return 1; });
        ResetCommonItemCommands();
    }
    void TearDown() override {
        g_CommonPalette.m_Items = m_SavedPalette;
        g_Stage.m_PaletteItems.clear();
        ResetCommonItemCommands();
        FlowControlTest::TearDown();
    }
    static cEdFlowCmd ItemCmd(int itemType, std::vector<std::int32_t> params) {
        cEdFlowCmd rec;
        rec.m_bItem = 1;
        rec.m_nKind = static_cast<std::int8_t>(itemType);
        rec.m_Params.assign(params.begin(), params.end());
        return rec;
    }
    int Take(int palette, int item) {
        cEdFlowCmd rec = MakeCommand({FCT_TAKE_ITEM, 1, 0, '-', {palette, item}});
        return CmdGetItem(g_Heroes[0], rec);
    }
    cCheckedVector<cEdItemDef> m_SavedPalette;
};

TEST_F(FlowGetItemTest, ResultBecomesTheStageEndRequest) {
    g_CommonPalette.m_Items.resize(3);
    g_Stage.m_PaletteItems.resize(2);
    g_Stage.m_PaletteItems[1].m_Commands.push_back(ItemCmd(ICT_STAGE_CLEAR, {}));
    EXPECT_EQ(Take(0, 1), 0);
    EXPECT_EQ(m_Scene->m_nStageEndRequest, 0);
    EXPECT_EQ(Take(1, 1), 1);
    EXPECT_EQ(m_Scene->m_nStageEndRequest, 1);
    // The result is stored whatever it is: an item of no effect taken after it takes the clear back.
    EXPECT_EQ(Take(0, 1), 0);
    EXPECT_EQ(m_Scene->m_nStageEndRequest, 0);
    // Another palette value sets the word, but to neither a clear nor a defeat.
    EXPECT_EQ(Take(2, 1), 0);
    EXPECT_NE(m_Scene->m_nStageEndRequest, 0);
    EXPECT_NE(m_Scene->m_nStageEndRequest, 1);
    EXPECT_NE(m_Scene->m_nStageEndRequest, 2);
    m_Scene->m_nStageEndRequest = 0;
    // An item that gives itself stops instead of recursing for ever.
    g_CommonPalette.m_Items[2].m_Commands.push_back(ItemCmd(ICT_TAKE_ITEM, {0, 2}));
    EXPECT_EQ(Take(0, 2), 0);
}

TEST_F(FlowGetItemTest, ArrangementsOfTakenItemsLastUntilTheStageIsSetUp) {
    // Item 1: an arrangement adding hero variable 0 to a target command's ID, then that command.
    g_CommonPalette.m_Items.resize(2);
    auto& cmds = g_CommonPalette.m_Items[1].m_Commands;
    cmds.push_back(ItemCmd(ICT_ARRANGE, {FCT_SET_TARGET, 1, PLO_ADD, VS_CHARA, 0}));
    cmds.push_back(ItemCmd(ICT_SET_TARGET, std::vector<std::int32_t>(10, 0)));
    static std::vector<int> s_Seen;
    s_Seen.clear();
    SetSharedCommandHandler(FCT_SET_TARGET, [](cChara&, cEdFlowCmd& r) {
        s_Seen.push_back(r.m_Params[9]);
        return 0;
    });
    g_Heroes[0].m_Vars[0] = 3;
    // The change stays in the stage's copy of the common palette's record for later takes; the next
    // set-up of a stage takes the record as loaded again.
    Take(0, 1);
    Take(0, 1);
    ResetCommonItemCommands();
    Take(0, 1);
    EXPECT_EQ(s_Seen, (std::vector<int>{3, 6, 3}));
    EXPECT_EQ(cmds[1].m_Params[9], 0) << "the common palette stays as loaded";
    // The stage palette's records are the running stage's own.
    g_Stage.m_PaletteItems = g_CommonPalette.m_Items;
    Take(1, 1);
    Take(1, 1);
    EXPECT_EQ(g_Stage.m_PaletteItems[1].m_Commands[1].m_Params[9], 6);
}

} // namespace
