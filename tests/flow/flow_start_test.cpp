// Which flows start: per-frame marks, running flows, groups, conditions with the latch, key input
// by edge and level, key sequences with the gap, and the flows run before the stage.
#include "flow_fixture.h"
#include "project/system_data.h"

#include <climits>

namespace {

using Cmds = std::vector<TestCmd>;

cEdFlowCond CommonVarIs(int index, int value) {
    cEdFlowCond c;
    c.m_nKind = CK_COMMON_VAR;
    c.m_nNumber = static_cast<std::int16_t>(index);
    c.m_nValue = value;
    c.m_nOperator = 0;
    return c;
}

TEST_F(FlowTest, AKindRaisedTwiceInAFrameIsTestedOnce) {
    cStageChara c;
    cEdFlow f = MakeFlow(FTK_HIT_BLOCK, {{FCT_WAIT, 0, 0, 'A'}});
    f.m_Conds.push_back(CommonVarIs(1, 1));
    Give(c, {f});
    ClearFlowFrameMarks(c);
    TriggerFlows(c, FTK_HIT_BLOCK);
    g_SaveData.m_vnCommonVars[1] = 1;
    TriggerFlows(c, FTK_HIT_BLOCK); // landing raises kind 9 again in the same frame
    EXPECT_EQ(c.m_Flows[0].m_bRunning, 0);
    ClearFlowFrameMarks(c);
    TriggerFlows(c, FTK_HIT_BLOCK);
    EXPECT_EQ(c.m_Flows[0].m_bRunning, 1);
}

// A raise tests the flows of its kind in list order whatever changed the list before it, also
// in the same frame after a raise of that kind: a flow inserted or appended, one erased and another
// appended in its place, the whole list replaced by one of the same size, the character copied, and
// a flow added by a command run while the kind was raised. Each flow's last command labels it; the
// always flows of group 1 show the order (the first free one takes the group).
struct RaiseCase {
    const char* name;
    void (*play)(cStageChara& c);
    const char* running; // labels of the running flows, in list order
    const char* tested;  // labels of the flows tested this frame, in list order
};

cEdFlow Labelled(int kind, char label, int group = 0) {
    return MakeFlow(kind, {{FCT_WAIT, 0, 0, label}}, group);
}

void Add(cChara& c, const cEdFlow& f, int at) {
    cCheckedVector<cEdFlow> defs{f};
    BuildFlows(c, defs, 1, at);
}

void Set(cChara& c, const std::vector<cEdFlow>& flows) {
    c.m_Def.m_nMaxHP = 10;
    c.m_nHP = 10;
    cCheckedVector<cEdFlow> defs(flows.begin(), flows.end());
    BuildFlows(c, defs, 0, 0);
}

std::string Labels(const cChara& c, bool tested) {
    std::string s;
    for (const cFlow& f : c.m_Flows)
        if (tested ? f.m_bTriggered : f.m_bRunning) s += f.m_lpDef->m_Commands.back().m_strText;
    return s;
}

const RaiseCase kRaiseCases[] = {
    {"inserted before",
     [](cStageChara& c) {
         Set(c, {Labelled(FTK_HIT_BLOCK, 'A')});
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
         Add(c, Labelled(FTK_HIT_BLOCK, 'B'), 0);
         TriggerFlows(c, FTK_HIT_BLOCK);
     },
     "BA", "BA"},
    {"appended",
     [](cStageChara& c) {
         Set(c, {Labelled(FTK_HIT_BLOCK, 'A'), Labelled(FTK_ALWAYS, 'X')});
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
         Add(c, Labelled(FTK_HIT_BLOCK, 'B'), -1);
         TriggerFlows(c, FTK_HIT_BLOCK);
     },
     "AB", "AB"},
    {"erased and another appended",
     [](cStageChara& c) {
         Set(c, {Labelled(FTK_HIT_BLOCK, 'A'), Labelled(FTK_ALWAYS, 'X')});
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
         EraseFlow(c, 0);
         Add(c, Labelled(FTK_HIT_BLOCK, 'B'), -1);
         TriggerFlows(c, FTK_HIT_BLOCK);
     },
     "B", "B"},
    {"replaced by a list of the same size",
     [](cStageChara& c) {
         Set(c, {Labelled(FTK_HIT_BLOCK, 'A')});
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
         Set(c, {Labelled(FTK_ALWAYS, 'X')});
         TriggerFlows(c, FTK_HIT_BLOCK);
         TriggerFlows(c, FTK_ALWAYS);
     },
     "X", "X"},
    {"group order after an insertion",
     [](cStageChara& c) {
         cEdFlow a = Labelled(FTK_ALWAYS, 'A', 1);
         a.m_Conds.push_back(CommonVarIs(1, 1)); // never holds
         Set(c, {a, Labelled(FTK_ALWAYS, 'B', 1)});
         ClearFlowFrameMarks(c);
         Add(c, Labelled(FTK_ALWAYS, 'C', 1), 1);
         TriggerFlows(c, FTK_ALWAYS);
     },
     "C", "ACB"},
    {"copied",
     [](cStageChara& c) {
         cStageChara other;
         Set(other, {Labelled(FTK_HIT_BLOCK, 'A')});
         Set(c, {Labelled(FTK_ALWAYS, 'X'), Labelled(FTK_HIT_BLOCK, 'B')});
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
         c = other;
         TriggerFlows(c, FTK_HIT_BLOCK);
     },
     "A", "A"},
    {"long, then short",
     [](cStageChara& c) {
         // 18 hit flows A-R between 18 always flows a-r; four erased leave 32.
         std::vector<cEdFlow> flows;
         for (int i = 0; i < 18; ++i) {
             flows.push_back(Labelled(FTK_HIT_BLOCK, static_cast<char>('A' + i)));
             flows.push_back(Labelled(FTK_ALWAYS, static_cast<char>('a' + i)));
         }
         Set(c, flows);
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
         for (int i = 0; i < 4; ++i)
             EraseFlow(c, 0);
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_HIT_BLOCK);
     },
     "CDEFGHIJKLMNOPQR", "CDEFGHIJKLMNOPQR"},
    {"added while the kind was raised",
     [](cStageChara& c) {
         SetSharedCommandHandler(FCT_PLAY_SE, [](cChara& ch, cEdFlowCmd&) {
             Add(ch, Labelled(FTK_BEFORE_STAGE, 'N'), -1); // waits for the end of the walk
             return 0;
         });
         Set(c, {MakeFlow(FTK_BEFORE_STAGE, {{FCT_PLAY_SE, 0, 1}, {FCT_WAIT, 0, 0, 'S'}})});
         ClearFlowFrameMarks(c);
         TriggerFlows(c, FTK_BEFORE_STAGE);
         SetSharedCommandHandler(FCT_PLAY_SE, nullptr);
         TriggerFlows(c, FTK_BEFORE_STAGE);
     },
     "", "SN"},
};

TEST_F(FlowTest, ARaiseFollowsEveryChangeOfTheList) {
    for (const RaiseCase& t : kRaiseCases) {
        cStageChara c;
        t.play(c);
        EXPECT_EQ(Labels(c, false), t.running) << t.name;
        EXPECT_EQ(Labels(c, true), t.tested) << t.name;
    }
}

// The marks of a frame are gone at the next clearing however the flow got them, even after a
// clearing that found none: tested by a raise, started by a raise, started from another
// character's walk.
struct MarkCase {
    const char* name;
    void (*mark)(cStageChara& c);
};

const MarkCase kMarkCases[] = {
    {"tested", [](cStageChara& c) { TriggerFlows(c, FTK_HIT_BLOCK); }},
    {"started", [](cStageChara& c) { TriggerFlows(c, FTK_ALWAYS); }},
    {"started from another character",
     [](cStageChara& c) {
         cStageChara other;
         SetCurFlowChara(&other);
         StartFlow(c.m_Flows[1]);
         SetCurFlowChara(nullptr);
     }},
};

TEST_F(FlowTest, AClearingTakesEveryMarkOfTheFrame) {
    for (const MarkCase& t : kMarkCases) {
        cStageChara c;
        cEdFlow never = Labelled(FTK_HIT_BLOCK, 'A');
        never.m_Conds.push_back(CommonVarIs(1, 1)); // never holds: tested, not started
        Set(c, {never, Labelled(FTK_ALWAYS, 'B')});
        ClearFlowFrameMarks(c);
        ClearFlowFrameMarks(c);
        t.mark(c);
        EXPECT_TRUE(c.m_Flows[0].m_bTriggered || c.m_Flows[1].m_bStarted) << t.name;
        ClearFlowFrameMarks(c);
        for (const cFlow& f : c.m_Flows) {
            EXPECT_EQ(f.m_bTriggered, 0) << t.name;
            EXPECT_EQ(f.m_bStarted, 0) << t.name;
        }
    }
}

TEST_F(FlowTest, OlderProjectsTestAKindAtEveryCall) {
    const std::int32_t saved = g_SystemData.m_nCompat525;
    g_SystemData.m_nCompat525 = 1;
    cStageChara c;
    cEdFlow f = MakeFlow(FTK_HIT_BLOCK, {{FCT_WAIT, 0, 0, 'A'}});
    f.m_Conds.push_back(CommonVarIs(1, 1));
    Give(c, {f});
    ClearFlowFrameMarks(c);
    TriggerFlows(c, FTK_HIT_BLOCK);
    g_SaveData.m_vnCommonVars[1] = 1;
    TriggerFlows(c, FTK_HIT_BLOCK);
    EXPECT_EQ(c.m_Flows[0].m_bRunning, 1);
    g_SystemData.m_nCompat525 = saved;
}

TEST_F(FlowTest, ARunningFlowIsNeverRestarted) {
    const Cmds cmds = {{FCT_WAIT, 3, 0, 'A'}};
    cStageChara c;
    Give(c, {MakeFlow(FTK_ALWAYS, cmds)});
    SetFrames(c, 0, cmds);
    for (int f = 0; f < 4; ++f)
        Frame(c, {FTK_ALWAYS});
    EXPECT_EQ(s_Trace, "1:A+|2:A|3:A-|4:A+");
}

TEST_F(FlowTest, AGroupRunsOneAlwaysFlowAtATime) {
    // Flow A runs while common variable 1 is 0; flow B of the same group waits for the group.
    const Cmds a = {{FCT_WAIT, 2, 0, 'A'}}, b = {{FCT_WAIT, 1, 0, 'B'}};
    cEdFlow fa = MakeFlow(FTK_ALWAYS, a, 3);
    fa.m_Conds.push_back(CommonVarIs(1, 0));
    cStageChara c;
    Give(c, {fa, MakeFlow(FTK_ALWAYS, b, 3)});
    SetFrames(c, 0, a);
    SetFrames(c, 1, b);
    m_OnRun = [](cChara&, cFlowCommand& inst) {
        if (inst.m_lpRecord->m_strText == "A") g_SaveData.m_vnCommonVars[1] = 1;
    };
    for (int f = 0; f < 3; ++f)
        Frame(c, {FTK_ALWAYS});
    // A ends in frame 2; the group is free again from frame 3.
    EXPECT_EQ(s_Trace, "1:A+|2:A-|3:B+-");
}

TEST_F(FlowTest, TheLatchKeepsConditionsThatHeldOnce) {
    const Cmds cmds = {{FCT_WAIT, 0, 0, 'A'}};
    cEdFlow latched = MakeFlow(FTK_ALWAYS, cmds);
    latched.m_Conds.push_back(CommonVarIs(1, 1));
    latched.m_bLatch = 1;
    cEdFlow plain = latched;
    plain.m_bLatch = 0;
    plain.m_Commands[0].m_strText = "B";
    cStageChara c;
    Give(c, {latched, plain});
    Frame(c, {FTK_ALWAYS});
    g_SaveData.m_vnCommonVars[1] = 1;
    Frame(c, {FTK_ALWAYS});
    g_SaveData.m_vnCommonVars[1] = 0;
    Frame(c, {FTK_ALWAYS});
    EXPECT_EQ(s_Trace, "2:A+- B+-|3:A+-");
}

TEST_F(FlowTest, BeforeStageFlowsRunOnlyTheirInstantCommands) {
    static int s_runs = 0;
    s_runs = 0;
    SetSharedCommandHandler(FCT_PLAY_SE, [](cChara&, cEdFlowCmd&) {
        ++s_runs;
        return 0;
    });
    cStageChara c;
    Give(c,
         {MakeFlow(FTK_BEFORE_STAGE,
                   {{FCT_LINE_MOVE, 0, 1}, {FCT_PLAY_SE, 0, 1}, {FCT_PLAY_SE, 0, 0}, {FCT_WAIT, 0, 1, 'A'}}),
          MakeFlow(FTK_BEFORE_STAGE, {{FCT_LINE_MOVE, 0, 1}, {FCT_JUMP, 0, 0}})});
    ClearFlowFrameMarks(c);
    TriggerFlows(c, FTK_BEFORE_STAGE);
    EXPECT_EQ(s_runs, 1); // only the sound with run-with-next
    EXPECT_EQ(c.m_Flows[0].m_bRunning, 0);
    EXPECT_EQ(c.m_Flows[1].m_bRunning, 0);
    EXPECT_EQ(s_Trace, "");
}

// ---- Conditions ----

struct CompareCase {
    int op;
    std::int64_t left, right;
    bool expected;
};

TEST(FlowConditions, ComparisonOperators) {
    const CompareCase cases[] = {
        {0, 3, 3, true},         {1, 3, 3, false},       {2, 3, 3, true},  {3, 2, 3, true},
        {4, 3, 3, false},        {5, 2, 3, true},        {6, 9, 3, true},  {6, -9, 3, true},
        {6, 7, 0, true},         {7, 7, 0, false},       {7, -7, 3, true}, {6, INT_MIN, -1, true},
        {7, INT_MIN, -1, false}, {6, INT_MIN, 7, false}, {8, 1, 1, false}, {255, 0, 0, false},
    };
    for (const CompareCase& c : cases)
        EXPECT_EQ(CompareCondition(c.op, c.left, c.right), c.expected)
            << "op " << c.op << " " << c.left << " " << c.right;
}

TEST_F(FlowTest, ConditionListModesAndDistances) {
    cStageChara c;
    Give(c, {});
    cCheckedVector<cEdFlowCond> list{CommonVarIs(1, 0), CommonVarIs(2, 5)};
    EXPECT_FALSE(CheckConditionList(list, 0, c));
    EXPECT_TRUE(CheckConditionList(list, 1, c));
    EXPECT_FALSE(CheckConditionList(list, 2, c));
    cCheckedVector<cEdFlowCond> empty;
    EXPECT_TRUE(CheckConditionList(empty, 0, c));
    EXPECT_FALSE(CheckConditionList(empty, 1, c));

    // Circle distance between hit-box centres: 3 half blocks (48 px) + 2 px.
    cStageChara other;
    c.m_dX = 100, c.m_dY = 100, c.m_nWidth = c.m_nHeight = 20;
    other.m_dX = 150, other.m_dY = 100, other.m_nWidth = other.m_nHeight = 20;
    cEdFlowCond d;
    d.m_nKind = CK_DISTANCE;
    d.m_nSubject = 1;
    d.m_nAxis = 6;
    d.m_nValue = 3;
    d.m_nRightNumber = 2;
    EXPECT_FALSE(CheckCondition(d, c)); // no target: false
    cObjectLinks::SetTarget(c, &other);
    EXPECT_TRUE(CheckCondition(d, c));
    d.m_nOperator = 1;
    EXPECT_FALSE(CheckCondition(d, c));
    d.m_nRightNumber = 1;
    EXPECT_TRUE(CheckCondition(d, c)); // 49 px: outside
    cObjectLinks::SetTarget(c, nullptr);
}

// ---- Key input ----

class FlowKeyTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        g_Heroes.resize(1);
        g_Heroes[0].m_lpInput = &m_Input;
        g_Heroes[0].m_nDir = 1;
    }
    // Frames with the given direction and button words, each recorded into the histories.
    void Feed(std::uint16_t dir, std::uint16_t buttons, int frames) {
        for (int i = 0; i < frames; ++i) {
            m_Input.wDir = dir;
            m_Input.wButtons = buttons;
            SampleInput(m_Input);
        }
    }
    static cEdFlowEntry Want(std::initializer_list<std::pair<int, int>> slots, int mode = 0) {
        cEdFlowEntry e;
        e.Clear();
        for (auto [slot, want] : slots)
            e.m_KeyStates[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(want);
        e.m_bAnyHold = 1;
        e.m_nMatchMode = static_cast<std::uint8_t>(mode);
        return e;
    }
    cInputRecord m_Input;
};

constexpr int SLOT_RIGHT = 2, SLOT_LEFT = 1, SLOT_DOWN = 4, SLOT_BUTTON0 = 11;

TEST_F(FlowKeyTest, AnEdgeKeyStartsItsFlowOncePerPress) {
    cEdFlow f = MakeFlow(FTK_ALWAYS, {{FCT_WAIT, 0, 0, 'A'}});
    f.m_KeySteps.push_back(Want({{SLOT_BUTTON0, 1}}));
    cEdFlow level = f;
    level.m_bKeyLevel = 1;
    level.m_Commands[0].m_strText = "L";
    cHero& h = g_Heroes[0];
    Give(h, {f, level});
    const std::pair<int, std::uint16_t> script[] = {{0, 0}, {1, 1}, {1, 1}, {1, 1}, {0, 0}, {1, 1}};
    for (auto [pressed, buttons] : script) {
        (void)pressed;
        Feed(0, buttons, 1);
        Frame(h, {FTK_ALWAYS});
    }
    EXPECT_EQ(s_Trace, "2:A+- L+-|3:L+-|4:L+-|6:A+- L+-");
}

TEST_F(FlowKeyTest, KeySequencesWithTheGap) {
    // Down held 3 frames, nothing for 2, then right: the steps "down" then "right".
    Feed(DIR_DOWN, 0, 3);
    Feed(0, 0, 2);
    Feed(DIR_RIGHT, 0, 1);
    cCheckedVector<cEdFlowEntry> steps{Want({{SLOT_DOWN, 1}}), Want({{SLOT_RIGHT, 1}})};
    cHero& h = g_Heroes[0];
    EXPECT_EQ(CheckKeySequence(h, steps, 0), 0);
    EXPECT_EQ(CheckKeySequence(h, steps, 1), 0);
    EXPECT_EQ(CheckKeySequence(h, steps, 2), 1);
    EXPECT_EQ(CheckKeySequence(h, steps, 3), 1);
    // Hold bounds: right held exactly 1 frame.
    steps[1].m_bAnyHold = 0;
    steps[1].m_nMinHold = 2;
    steps[1].m_nMaxHold = 5;
    EXPECT_EQ(CheckKeySequence(h, steps, 3), 0);
}

// Button 0 comes one frame late, together with button 1: refused, unless the project predates
// the switch that refuses it.
TEST_F(FlowKeyTest, AnEarlierStepFoundLateBesideTheLaterOne) {
    Feed(0, 0, 3);
    Feed(0, 3, 1);
    Feed(0, 2, 1);
    cCheckedVector<cEdFlowEntry> steps{Want({{SLOT_BUTTON0, 1}}), Want({{SLOT_BUTTON0 + 1, 1}})};
    const std::int32_t saved = g_SystemData.m_nCompat669;
    for (const int older : {0, 1}) {
        g_SystemData.m_nCompat669 = older;
        EXPECT_EQ(CheckKeySequence(g_Heroes[0], steps, 1), older) << older;
    }
    g_SystemData.m_nCompat669 = saved;
}

TEST_F(FlowKeyTest, MirroredStepsAndCurrentStates) {
    Feed(DIR_RIGHT, 1, 2);
    cCheckedVector<cEdFlowEntry> steps{Want({{SLOT_LEFT, 1}})};
    steps[0].m_bMirror = 1;
    cHero& h = g_Heroes[0];
    h.m_nDir = 1;
    EXPECT_EQ(CheckKeySequence(h, steps, 0), 0);
    h.m_nDir = 0; // facing left, the step's left and right change places
    EXPECT_EQ(CheckKeySequence(h, steps, 0), 1);

    EXPECT_EQ(FirstPressedKey(m_Input), SLOT_RIGHT);
    EXPECT_TRUE(CheckKeyStates(m_Input, Want({{SLOT_RIGHT, 1}, {SLOT_BUTTON0, 1}})));
    EXPECT_FALSE(CheckKeyStates(m_Input, Want({{SLOT_RIGHT, 1}, {SLOT_LEFT, 1}})));
    EXPECT_TRUE(CheckKeyStates(m_Input, Want({{SLOT_RIGHT, 1}, {SLOT_LEFT, 1}}, 1)));
    EXPECT_TRUE(CheckKeyStates(m_Input, Want({{SLOT_LEFT, 1}, {SLOT_DOWN, 2}}, 2)));
    EXPECT_FALSE(CheckKeyStates(m_Input, Want({{SLOT_RIGHT, 1}, {SLOT_DOWN, 2}}, 2)));
}

} // namespace
