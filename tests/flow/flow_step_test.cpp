// Flows stepped sub-step by sub-step: traces of command starts and ends, worked out by hand.
#include "flow_fixture.h"

#include <memory>
#include <random>

namespace {

using Cmds = std::vector<TestCmd>;

struct TraceCase {
    const char* name;
    Cmds cmds;
    int frames;
    const char* trace;
};

class FlowTraceTest : public FlowTest, public ::testing::WithParamInterface<TraceCase> {};

TEST_P(FlowTraceTest, StartsAndEndsCommandsAsWorkedOut) {
    const TraceCase& tc = GetParam();
    cStageChara c;
    Give(c, {MakeFlow(FTK_ALWAYS, tc.cmds)});
    SetFrames(c, 0, tc.cmds);
    Frame(c, {FTK_ALWAYS});
    for (int f = 1; f < tc.frames; ++f)
        Frame(c);
    EXPECT_EQ(s_Trace, tc.trace);
    EXPECT_EQ(c.m_Flows[0].m_bRunning, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, FlowTraceTest,
    ::testing::Values(
        // The first runs beside the second; the third waits for the second, not for the first.
        TraceCase{"WithNextFirstOfThree",
                  {{FCT_WAIT, 4, 1, 'A'}, {FCT_WAIT, 2, 0, 'B'}, {FCT_WAIT, 2, 0, 'C'}},
                  5,
                  "1:A+ B+|2:A B-|3:A C+|4:A- C-"},
        // A last command with run-with-next ends the flow while an earlier one still runs.
        TraceCase{"WithNextLast", {{FCT_WAIT, 5, 1, 'A'}, {FCT_WAIT, 2, 1, 'B'}}, 4, "1:A+ B+|2:A B-"},
        // Use time 0 runs its handler once and ends in the frame it starts.
        TraceCase{"UseTimeZero", {{FCT_WAIT, 0, 0, 'A'}, {FCT_WAIT, 0, 0, 'B'}}, 4, "1:A+-|2:B+-"},
        // Plain commands hold the walk until they finish.
        TraceCase{"Plain", {{FCT_WAIT, 2, 0, 'A'}, {FCT_WAIT, 1, 0, 'B'}}, 4, "1:A+|2:A-|3:B+-"},
        // Run-with-next commands that follow one another all join in the same frame.
        TraceCase{
            "ChainOfWithNext",
            {{FCT_WAIT, 3, 1, 'A'}, {FCT_WAIT, 1, 1, 'B'}, {FCT_WAIT, 2, 0, 'C'}, {FCT_WAIT, 1, 0, 'D'}},
            5,
            "1:A+ B+- C+|2:A C-|3:A- D+-"}),
    [](const ::testing::TestParamInfo<TraceCase>& i) { return std::string(i.param.name); });

TEST_F(FlowTest, PauseKeepsThePlaceAndTheCuesWait) {
    const auto saved = g_AnimeSeqTable;
    g_AnimeSeqTable.resize(2);
    g_AnimeSeqTable.at(1).push_back(cAnimFrame{3, 2, 1});
    std::vector<int> cueFrames;
    const Cmds cmds = {{FCT_WAIT, 3, 0, 'A'}};
    cStageChara c;
    Give(c, {MakeFlow(FTK_ALWAYS, cmds)});
    SetFrames(c, 0, cmds);
    c.m_Flows[0].m_Cues.push_back(cAnimeCue{2, 1, 0, 6, 6, 1});
    const auto frame = [&](int n, std::initializer_list<int> kinds) {
        const std::size_t before = c.m_AttachedAnims.size();
        Frame(c, kinds);
        if (c.m_AttachedAnims.size() > before) cueFrames.push_back(n);
    };
    frame(1, {FTK_ALWAYS});
    PauseFlow(c.m_Flows[0]);
    for (int n = 2; n <= 4; ++n)
        frame(n, {FTK_ALWAYS});
    ResumeFlow(c.m_Flows[0]);
    for (int n = 5; n <= 7; ++n)
        frame(n, {});
    EXPECT_EQ(s_Trace, "1:A+|5:A|6:A-");
    // The cue at frames-run 2 comes with the flow's third stepped frame, after the pause: the
    // animation plays its 6 frames, held on its marked frame for the command's use time.
    EXPECT_EQ(cueFrames, std::vector<int>{6});
    ASSERT_EQ(c.m_AttachedAnims.size(), 1u);
    const cChara::cAttachedAnim& a = c.m_AttachedAnims.front();
    EXPECT_EQ(a.nId, c.m_Flows[0].m_nId);
    EXPECT_EQ(a.nFrames, 6);
    EXPECT_EQ(a.seq.m_Seqs.at(0).at(0).nDuration, 2 + 6 - 1);
    g_AnimeSeqTable = saved;
}

// Flows rebuilt in place (the same number of them) after frames with no cues anywhere: the new
// flows' cues play all the same.
TEST_F(FlowTest, CuesOfFlowsRebuiltInPlacePlay) {
    const auto savedSeqs = g_AnimeSeqTable;
    const auto savedAnimes = g_Database.m_Animes;
    g_AnimeSeqTable.resize(2);
    g_AnimeSeqTable.at(1).push_back(cAnimFrame{3, 2, 1});
    g_Database.m_Animes.resize(2);
    g_Database.m_Animes[1].m_Frames.resize(1);
    g_Database.m_Animes[1].m_Frames[0].nTime = 1;
    cStageChara c;
    Give(c, {MakeFlow(FTK_ALWAYS, {{FCT_WAIT}})});
    c.m_Flows.reserve(4);
    const cFlow* const before = c.m_Flows.data();
    Frame(c, {FTK_ALWAYS});
    cEdFlow f = MakeFlow(FTK_ALWAYS, {{FCT_WAIT}, {FCT_WAIT}});
    f.m_Commands[0].m_nUseTime = 2;
    f.m_Commands[1].m_nAnimation = 1;
    Give(c, {f});
    ASSERT_EQ(c.m_Flows.data(), before);
    ASSERT_EQ(c.m_Flows[0].m_Cues.size(), 1u);
    for (int n = 0; n < 20 && c.m_AttachedAnims.empty(); ++n)
        Frame(c, {FTK_ALWAYS});
    ASSERT_EQ(c.m_AttachedAnims.size(), 1u);
    EXPECT_EQ(c.m_AttachedAnims.front().nId, c.m_Flows[0].m_nId);
    g_AnimeSeqTable = savedSeqs;
    g_Database.m_Animes = savedAnimes;
}

// What the engine keeps of the running flows for its look ahead counts every running flow: flows
// started by their trigger, started with no character current, ended, and moved by flows added
// before them.
TEST_F(FlowTest, EveryRunningFlowIsKeptForTheLookAhead) {
    cStageChara c;
    const Cmds shortRun = {{FCT_WAIT, 2, 0, 'A'}}, longRun = {{FCT_WAIT, 6, 0, 'B'}};
    Give(c, {MakeFlow(FTK_ALWAYS, shortRun), MakeFlow(FTK_ALWAYS, longRun), MakeFlow(FTK_DIED, shortRun)});
    SetFrames(c, 0, shortRun);
    SetFrames(c, 1, longRun);
    SetFrames(c, 2, shortRun);
    bool keptApart = false; // some flow not running was left out: something is kept
    const auto check = [&](const char* when) {
        for (std::size_t i = 0; i < c.m_Flows.size(); ++i) {
            if (c.m_Flows[i].m_bRunning) {
                EXPECT_TRUE(FlowMayBeRunning(c, i)) << when << " flow " << i;
            }
            keptApart = keptApart || !FlowMayBeRunning(c, i);
        }
    };
    Frame(c, {FTK_ALWAYS});
    check("started");
    Frame(c);
    Frame(c);
    check("first ended");
    SetCurFlowChara(nullptr);
    StartFlow(c.m_Flows[2]);
    check("started with no character current");
    Frame(c);
    check("stepped");
    BuildFlows(c, cCheckedVector<cEdFlow>{MakeFlow(FTK_DIED, shortRun)}, 1, 0);
    check("moved");
    Frame(c);
    check("moved and stepped");
    EXPECT_TRUE(keptApart);
}

TEST_F(FlowTest, HpBelowOneStopsTheWalkExceptDeathFlowsWhileDying) {
    cStageChara c;
    const Cmds a = {{FCT_WAIT, 2, 0, 'A'}}, b = {{FCT_WAIT, 2, 0, 'B'}}, d = {{FCT_WAIT, 2, 0, 'D'}};
    Give(c, {MakeFlow(FTK_ALWAYS, a), MakeFlow(FTK_ALWAYS, b), MakeFlow(FTK_DIED, d)});
    SetFrames(c, 0, a);
    SetFrames(c, 1, b);
    SetFrames(c, 2, d);
    m_OnRun = [](cChara& ch, cFlowCommand& inst) {
        if (inst.m_lpRecord->m_strText == "A") ch.m_nHP = 0;
    };
    Frame(c, {FTK_ALWAYS});
    EXPECT_EQ(s_Trace, "1:A+");
    // The defeat marks the death kind and steps the dying character: its death flow starts.
    c.RaiseTrigger(FTK_DIED);
    s_Step.clear();
    RunFlowUpdate(c, 1);
    EXPECT_EQ(s_Step, "D+");
}

TEST_F(FlowTest, ErasedFlowLeavesWithItsDefinitionAndAnimations) {
    cStageChara c;
    // An animation of each flow's commands is attached.
    c.m_AttachedAnims.emplace_back().nId = 0;
    c.m_AttachedAnims.emplace_back().nId = 1;
    const Cmds a = {{FCT_WAIT, 3, 0, 'A'}}, b = {{FCT_WAIT, 3, 0, 'B'}};
    Give(c, {MakeFlow(FTK_ALWAYS, a), MakeFlow(FTK_ALWAYS, b)});
    SetFrames(c, 0, a);
    SetFrames(c, 1, b);
    m_OnRun = [](cChara& ch, cFlowCommand& inst) {
        if (inst.m_lpRecord->m_strText == "A") {
            EraseFlow(ch, 0); // during the walk: only marked
            EXPECT_EQ(ch.m_Flows.size(), 2u);
        }
    };
    Frame(c, {FTK_ALWAYS});
    ASSERT_EQ(c.m_Flows.size(), 1u);
    ASSERT_EQ(c.m_Def.m_Flows.Count(), 1);
    ASSERT_EQ(c.m_AttachedAnims.size(), 1u);
    EXPECT_EQ(c.m_AttachedAnims.front().nId, 1);
    EXPECT_EQ(c.m_Flows[0].m_nIndex, 0);
    EXPECT_EQ(c.m_Flows[0].m_lpDef, &c.m_Def.m_Flows[0]);
    EXPECT_EQ(c.m_Flows[0].m_nId, 1);
    Frame(c);
    EXPECT_EQ(s_Trace, "1:A+ B+|2:B");
}

// An item's flow change that replaces the running flow of a group frees the group in the same
// driver run: the new flow of that group starts on the next frame.
TEST_F(FlowTest, AHerosFlowChangeFreesTheGroupItEndsForTheNextFrame) {
    const Cmds old = {{FCT_WAIT, 50, 0, 'O'}}, fresh = {{FCT_WAIT, 50, 0, 'N'}};
    cHero hero;
    Give(hero, {MakeFlow(FTK_ALWAYS, old, 3)});
    SetFrames(hero, 0, old);
    Frame(hero, {FTK_ALWAYS});
    cEdFlowCmd change;
    change.m_nKind = static_cast<std::int8_t>(ICT_FLOW_CHANGE);
    change.m_Params.assign({1, 3}); // replace the flows of group 3
    change.m_Flows.push_back(MakeFlow(FTK_ALWAYS, fresh, 3));
    hero.m_Work.pendingFlowChanges.push_back(change);
    ++m_nFrame;
    ClearFlowFrameMarks(hero);
    hero.RunFlows(0);
    ASSERT_EQ(hero.m_Flows.size(), 1u);
    SetFrames(hero, 0, fresh);
    Frame(hero, {FTK_ALWAYS});
    EXPECT_EQ(s_Trace, "1:O+|3:N+");
}

TEST_F(FlowTest, ArrangementsApplyToTheNextCommandOnceAndStay) {
    BuildParamTables();
    g_SaveData.m_vnCommonVars[1] = 5;
    // Parameter 0 of "ステータスの操作" is its integer 8 (the random minimum).
    const Cmds cmds = {{FCT_WAIT, 0, 0, 'Q'},
                       {FCT_STATUS, 0, 0, 'x', std::vector<std::int32_t>(18, 0)},
                       {FCT_STATUS, 0, 0, 'y', std::vector<std::int32_t>(18, 0)}};
    cStageChara c;
    Give(c, {MakeFlow(FTK_ALWAYS, cmds)});
    m_OnRun = [](cChara&, cFlowCommand&) {
        CurFlow()->m_Pending.push_back(ParamLink{FCT_STATUS, 0, PLO_ADD, VS_COMMON, 1});
    };
    for (int f = 0; f < 3; ++f)
        Frame(c, {FTK_ALWAYS});
    const auto& recs = c.m_Def.m_Flows[0].m_Commands;
    EXPECT_EQ(recs[1].m_Params[8], 5);
    EXPECT_EQ(recs[2].m_Params[8], 0);
    EXPECT_TRUE(c.m_Flows[0].m_Pending.empty());
    // A second run adds again to the changed record.
    for (int f = 0; f < 3; ++f)
        Frame(c, {FTK_ALWAYS});
    EXPECT_EQ(recs[1].m_Params[8], 10);
}

TEST_F(FlowTest, CuesMatchAWalkBackOverEveryEarlierCommand) {
    // The cue of command j: found when the commands from some k up to j take the animation's time
    // t; otherwise it skips what the commands before j do not cover. Worked out here the slow way,
    // over lists of random times (many of them just t) and commands that run with the next.
    g_Stage.SetHitLevel(2);
    const auto kept = g_Database.m_Animes;
    g_Database.m_Animes.resize(3);
    for (int a = 1; a <= 2; ++a) {
        g_Database.m_Animes[static_cast<std::size_t>(a)].m_Frames.resize(1);
        g_Database.m_Animes[static_cast<std::size_t>(a)].m_Frames[0].nTime = 2 * a;
    }
    std::mt19937 random(36);
    for (int round = 0; round < 40; ++round) {
        cEdFlow f = MakeFlow(FTK_ALWAYS, {});
        const int n = 1 + static_cast<int>(random() % 60);
        for (int j = 0; j < n; ++j) {
            cEdFlowCmd rec = MakeCommand(TestCmd{});
            rec.m_nUseTime = static_cast<std::int16_t>(random() % 4);
            rec.m_bRunWithNext = static_cast<std::uint8_t>(random() % 3 == 0);
            rec.m_nAnimation = static_cast<std::int16_t>(random() % 3);
            f.m_Commands.push_back(rec);
        }
        cStageChara c;
        Give(c, {f});
        const cFlow& fl = c.m_Flows[0];
        std::vector<cAnimeCue> expected;
        std::int64_t start = 0;
        for (int j = 0; j < n; ++j) {
            const cEdFlowCmd& rec = *fl.m_Commands[static_cast<std::size_t>(j)].m_lpRecord;
            if (rec.m_nAnimation != 0) {
                const std::int64_t lf = AnimationLength(rec.m_nAnimation) * 6, t = lf * 2;
                std::int64_t r = t;
                bool found = false;
                for (int k = j - 1; k >= 0 && !found; --k) {
                    const cFlowCommand& inst = fl.m_Commands[static_cast<std::size_t>(k)];
                    if (inst.m_lpRecord->m_bRunWithNext != 1) r -= inst.m_nUseTime;
                    found = r < 1;
                }
                cAnimeCue cue;
                cue.m_nStart = found ? static_cast<int>(start - t) : 0;
                cue.m_nSkip = static_cast<std::int16_t>(found ? 0 : std::min(r / 2, lf));
                cue.m_nPlay = static_cast<std::int16_t>(lf - cue.m_nSkip);
                expected.push_back(cue);
            }
            if (rec.m_bRunWithNext != 1) start += fl.m_Commands[static_cast<std::size_t>(j)].m_nUseTime;
        }
        ASSERT_EQ(fl.m_Cues.size(), expected.size()) << round;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(fl.m_Cues[i].m_nStart, expected[i].m_nStart) << round << " cue " << i;
            EXPECT_EQ(fl.m_Cues[i].m_nSkip, expected[i].m_nSkip) << round << " cue " << i;
            EXPECT_EQ(fl.m_Cues[i].m_nPlay, expected[i].m_nPlay) << round << " cue " << i;
        }
    }
    g_Database.m_Animes = kept;
}

// Use times are signed tenths of a second: a negative time, or a negative sum with its step for
// the copy value, runs the command for no time.
TEST_F(FlowTest, UseTimesAreSignedAndNeverBelowZero) {
    g_Stage.SetHitLevel(2);
    const struct {
        std::int16_t time, step;
        int clone, frames;
    } cases[] = {
        {-1, 0, 0, 0},     {-1, 2, 1, 12}, {3, -1, 2, 12},
        {-32768, 0, 0, 0}, {5, -1, 9, 0},  {32767, 0, 0, 32767 * 12},
    };
    for (const auto& k : cases) {
        cEdFlow f = MakeFlow(FTK_ALWAYS, {{FCT_WAIT}});
        f.m_Commands[0].m_nUseTime = k.time;
        f.m_Commands[0].m_nUseTimeStep = k.step;
        cStageChara c;
        c.m_FlowState.nCloneValue = k.clone;
        Give(c, {f});
        EXPECT_EQ(c.m_Flows[0].m_Commands[0].m_nUseTime, k.frames)
            << k.time << " " << k.step << " " << k.clone;
    }
}

TEST_F(FlowTest, BuildFlowsTimesCuesAndPlacement) {
    g_Stage.SetHitLevel(2);
    g_Database.m_Animes.resize(2);
    g_Database.m_Animes[1].m_Frames.resize(3);
    g_Database.m_Animes[1].m_Frames[0].nTime = 1;
    g_Database.m_Animes[1].m_Frames[1].nTime = 1;
    g_Database.m_Animes[1].m_Frames[2].bInterruptible = 1; // from here on it may be switched away
    g_Database.m_Animes[1].m_Frames[2].nTime = 50;
    // The length counts the frames before the first switchable one; a first frame that is
    // switchable leaves nothing to wait for, and with none marked every frame counts.
    EXPECT_EQ(AnimationLength(1), 2);
    g_Database.m_Animes.resize(4);
    g_Database.m_Animes[2].m_Frames.resize(2);
    g_Database.m_Animes[2].m_Frames[0].bInterruptible = 1;
    g_Database.m_Animes[3].m_Frames.resize(2);
    g_Database.m_Animes[3].m_Frames[0].nTime = 1;
    g_Database.m_Animes[3].m_Frames[1].nTime = 7;
    EXPECT_EQ(AnimationLength(2), 0);
    EXPECT_EQ(AnimationLength(3), 8);
    cEdFlow f = MakeFlow(FTK_ALWAYS, {{FCT_WAIT}, {FCT_WAIT}, {FCT_SWORD}});
    f.m_Commands[0].m_nUseTime = 1; // 6 frames = 12 sub-steps
    f.m_Commands[0].m_nUseTimeStep = 1;
    f.m_Commands[1].m_nUseTime = 2;
    f.m_Commands[1].m_nAnimation = 1;
    f.m_Commands[2].m_nUseTime = 1;
    f.m_Commands[2].m_nAnimation = 1;
    cStageChara c;
    c.m_FlowState.nCloneValue = 2;
    Give(c, {f});
    const cFlow& fl = c.m_Flows[0];
    EXPECT_EQ(fl.m_Commands[0].m_nUseTime, 36); // (1 + 1 x 2) x 2 x 6
    EXPECT_EQ(fl.m_Commands[1].m_nUseTime, 24);
    ASSERT_EQ(fl.m_Cues.size(), 2u);
    // Animation: 2 frames = 12 frames = 24 sub-steps. Command 1 starts at 36: it fits.
    EXPECT_EQ(fl.m_Cues[0].m_nStart, 12);
    EXPECT_EQ(fl.m_Cues[0].m_nSkip, 0);
    EXPECT_EQ(fl.m_Cues[0].m_nPlay, 12);
    EXPECT_EQ(fl.m_Cues[0].m_bHold, 1);
    EXPECT_EQ(fl.m_Cues[1].m_nStart, 36);
    EXPECT_EQ(fl.m_Cues[1].m_nBase6, 6);
    EXPECT_EQ(fl.m_Cues[1].m_bHold, 0); // a sword does not hold

    // A first command's animation does not fit before the flow starts: all skipped.
    cStageChara d;
    cEdFlow g = MakeFlow(FTK_ALWAYS, {{FCT_WAIT}});
    g.m_Commands[0].m_nAnimation = 1;
    Give(d, {g});
    EXPECT_EQ(d.m_Flows[0].m_Cues[0].m_nSkip, 12);
    EXPECT_EQ(d.m_Flows[0].m_Cues[0].m_nPlay, 0);

    // Insert before flow 1, then append: definitions and flows stay paired, ids keep counting.
    cStageChara e;
    Give(e, {MakeFlow(FTK_ALWAYS, {}), MakeFlow(FTK_DIED, {})});
    cCheckedVector<cEdFlow> more{MakeFlow(FTK_HIT_BLOCK, {})};
    BuildFlows(e, more, 1, 1);
    BuildFlows(e, more, 1, -1);
    ASSERT_EQ(e.m_Flows.size(), 4u);
    const int kinds[4] = {FTK_ALWAYS, FTK_HIT_BLOCK, FTK_DIED, FTK_HIT_BLOCK};
    const int ids[4] = {0, 2, 1, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(e.m_Flows[i].m_lpDef, &e.m_Def.m_Flows[i]);
        EXPECT_EQ(e.m_Flows[i].m_lpDef->m_nTrigger, kinds[i]);
        EXPECT_EQ(e.m_Flows[i].m_nId, ids[i]);
    }
    g_Database.m_Animes.clear();
}

// A flow stopped in the middle of a command goes on with its own records after the definitions
// moved: the character copied (its source gone), or a flow inserted before it.
struct MovedDefsCase {
    const char* name;
    void (*move)(std::unique_ptr<cStageChara>& c);
};

const MovedDefsCase kMovedDefsCases[] = {
    {"copied", [](std::unique_ptr<cStageChara>& c) { c = std::make_unique<cStageChara>(*c); }},
    {"flow inserted before",
     [](std::unique_ptr<cStageChara>& c) {
         cCheckedVector<cEdFlow> more{MakeFlow(FTK_HIT_BLOCK, {}), MakeFlow(FTK_HIT_BLOCK, {})};
         BuildFlows(*c, more, 1, 0);
     }},
};

TEST_F(FlowTest, AFlowRunsItsOwnRecordsAfterTheDefinitionsMoved) {
    const Cmds cmds = {{FCT_WAIT, 2, 0, 'A'}, {FCT_WAIT, 1, 1, 'B'}, {FCT_WAIT, 1, 0, 'C'}};
    for (const MovedDefsCase& t : kMovedDefsCases) {
        s_Trace.clear();
        m_nFrame = 0;
        auto c = std::make_unique<cStageChara>();
        Give(*c, {MakeFlow(FTK_ALWAYS, cmds)});
        SetFrames(*c, 0, cmds);
        Frame(*c, {FTK_ALWAYS});
        t.move(c);
        const cFlow& f = c->m_Flows.back();
        for (std::size_t k = 0; k < cmds.size(); ++k)
            EXPECT_EQ(f.m_Commands[k].m_lpRecord, &f.m_lpDef->m_Commands[k]) << t.name << " " << k;
        Frame(*c);
        Frame(*c);
        EXPECT_EQ(s_Trace, "1:A+|2:A-|3:B+- C+-") << t.name;
    }
}

TEST_F(FlowTest, FlowsAddedDuringAWalkAreBuiltAfterIt) {
    const Cmds cmds = {{FCT_WAIT, 0, 0, 'A'}};
    cStageChara c;
    Give(c, {MakeFlow(FTK_ALWAYS, cmds)});
    m_OnRun = [](cChara& ch, cFlowCommand&) {
        cCheckedVector<cEdFlow> more{MakeFlow(FTK_ALWAYS, {{FCT_WAIT, 0, 0, 'N'}})};
        BuildFlows(ch, more, 1, 0);
        EXPECT_EQ(ch.m_Flows.size(), 1u);
    };
    Frame(c, {FTK_ALWAYS});
    ASSERT_EQ(c.m_Flows.size(), 2u);
    EXPECT_EQ(c.m_Flows[0].m_lpDef->m_Commands[0].m_strText, "N");
    EXPECT_EQ(c.m_Flows[1].m_lpDef->m_Commands[0].m_strText, "A");
}

} // namespace
