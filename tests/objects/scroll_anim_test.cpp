#include "objects/anim_seq.h"
#include "objects_fixture.h"

#include <climits>
#include <vector>

namespace {

using ScrollTest = ObjectsTest;

TEST_F(ScrollTest, ClampKeepsTheViewInsideItsRange) {
    struct Case {
        int stageBlocks, first, last, firstOn, lastOn;
        double pos;
        double expectPos;
        int expectLimit;
    };
    const Case cases[] = {
        // A stage narrower than the view shows its start edge.
        {10, 0, 0, 0, 0, 900, 320, 1},
        {10, 0, 0, 0, 0, 0, 320, 1},
        // A range from block 5 to block 30: 480 .. 320 + 31 x 32 - 640 = 672.
        {60, 5, 30, 1, 1, 100, 480, 1},
        {60, 5, 30, 1, 1, 600, 600, 0},
        {60, 5, 30, 1, 1, 5000, 672, 1},
        // A last block before the first collapses to the lowest position.
        {60, 20, 3, 1, 1, 900, 320 + 20 * 32, 1},
    };
    for (const Case& c : cases) {
        cScrollPos s;
        s.SetUp(0, c.stageBlocks);
        s.SetRange(c.first, c.last, c.firstOn, c.lastOn);
        s.m_dPos = c.pos;
        s.Clamp();
        EXPECT_DOUBLE_EQ(s.m_dPos, c.expectPos) << c.stageBlocks << " " << c.pos;
        EXPECT_EQ(s.m_bAtLimit, c.expectLimit) << c.stageBlocks << " " << c.pos;
    }
}

TEST_F(ScrollTest, StageSidesAndLimitsAreMeasuredInPixelsWithoutOverflow) {
    // The longest side a stage may have, one past it and the largest int: the grid's extent in
    // pixels is that of the longest side.
    const long long longest = (STAGE_SIDE_MAX + 20LL) * 32;
    for (int side : {STAGE_SIDE_MAX, STAGE_SIDE_MAX + 1, INT_MAX}) {
        cScrollPos s;
        s.SetUp(0, side);
        EXPECT_EQ(s.StageSize(), longest) << side;
        EXPECT_EQ(s.m_nStageEnd, longest - 10 * 32) << side;
        EXPECT_EQ(s.m_nGridStride, 1 << 26) << side;
    }
    // Limits at the ends of the int range reach the ends of the pixel range.
    struct Case {
        int first, last;
        int lowest, highestEnd;
    };
    const Case cases[] = {
        {INT_MIN, INT_MAX, INT_MIN, INT_MAX},
        {-1, 0, 320 - 32, 320 + 32},
        {INT_MAX, INT_MIN, INT_MAX, INT_MAX}, // a last block before the first collapses
    };
    for (const Case& c : cases) {
        cScrollPos s;
        s.SetUp(1, 15);
        s.SetRange(c.first, c.last, 1, 1);
        EXPECT_EQ(s.m_nLowest, c.lowest) << c.first;
        EXPECT_EQ(s.m_nHighestEnd, c.highestEnd) << c.last;
    }
}

TEST_F(ScrollTest, AutomaticScrollStopsAtTheRangeEnd) {
    cScrollPos s;
    s.SetUp(0, 24); // stage end (24 + 10) x 32 = 1088: the view stops at 448
    s.SetAutoSpeed(1, 10);
    EXPECT_DOUBLE_EQ(s.m_dAutoSpeed, 1.0);
    for (int i = 0; i < 100; ++i)
        s.Step();
    EXPECT_DOUBLE_EQ(s.m_dPos, 420.0);
    EXPECT_EQ(s.m_bAtLimit, 0);
    for (int i = 0; i < 100; ++i)
        s.Step();
    EXPECT_DOUBLE_EQ(s.m_dPos, 448.0);
    EXPECT_EQ(s.m_bAtLimit, 1);
    EXPECT_DOUBLE_EQ(s.MovingSpeed(), 0.0);
    // At frame scale 4 the same setting moves a quarter as far per sub-step.
    SetUpStage(20, 15, 4);
    s.SetAutoSpeed(1, 10);
    EXPECT_DOUBLE_EQ(s.m_dAutoSpeed, 0.25);
}

std::vector<int> Ticks(cAnimSeq& a, int n) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i)
        out.push_back(a.Tick());
    return out;
}

TEST(AnimSeqTest, TicksShowEachFrameForItsDurationAndLoop) {
    const cAnimFrame seq0[] = {{5, 3, 0}, {6, 2, 0}, {-2, 0, 0}};
    const cAnimFrame* lists[] = {seq0, nullptr};
    cAnimSeq a;
    a.Build(lists);
    ASSERT_EQ(a.SetSequence(0, 0), 1);
    EXPECT_EQ(Ticks(a, 10), (std::vector<int>{5, 5, 6, 6, 5, 5, 5, 6, 6, 5}));
}

TEST(AnimSeqTest, SwitchFrameJumpsOnTheSameTickAndHoldStays) {
    const cAnimFrame seq0[] = {{1, 1, 0}, {-3, 2, 0}};
    const cAnimFrame seq1[] = {{9, 1, 0}, {-2, 0, 0}};
    const cAnimFrame seq2[] = {{7, 2, 0}, {8, 1, 0}, {-1, 0, 0}};
    const cAnimFrame* lists[] = {seq0, seq1, seq2, nullptr};
    cAnimSeq a;
    a.Build(lists);
    a.SetSequence(0, 1);
    EXPECT_EQ(a.Tick(), 7); // -3 to sequence 2, shown at once
    EXPECT_EQ(a.Sequence(), 2);
    EXPECT_EQ(a.Frame(), 0);
    EXPECT_EQ(Ticks(a, 5), (std::vector<int>{7, 8, 8, 8, 8})); // -1 holds the last picture
}

TEST(AnimSeqTest, SequenceChangesHonourTheFlagAndCopiesAreDeep) {
    const cAnimFrame seq0[] = {{1, 4, 1}, {-2, 0, 0}};
    const cAnimFrame seq1[] = {{2, 4, 0}, {-2, 0, 0}};
    const cAnimFrame* lists[] = {seq0, seq1, nullptr};
    cAnimSeq a;
    a.Build(lists);
    a.SetSequence(0, 1);
    a.Tick();
    EXPECT_EQ(a.SetSequence(1, 0), 0);    // a flagged frame refuses an unforced change
    EXPECT_EQ(a.ChangeSequence(0, 0), 1); // already current: kept, frame and tick too
    EXPECT_EQ(a.TickCount(), 1);
    cAnimSeq copy = a;
    EXPECT_EQ(copy.SetSequence(1, 1), 1);
    EXPECT_EQ(copy.Tick(), 2);
    EXPECT_EQ(a.Sequence(), 0);
    EXPECT_EQ(a.GetPattern(), 1);
}

TEST(AnimSeqTest, SequenceWithoutPictureShowsZeroAndStays) {
    const cAnimFrame empty[] = {{-2, 0, 1}};
    const cAnimFrame hold[] = {{-1, 0, 1}};
    const cAnimFrame* lists[] = {empty, hold, nullptr};
    cAnimSeq a;
    a.Build(lists);
    for (int seq : {0, 1}) {
        a.SetSequence(seq, 1);
        EXPECT_EQ(Ticks(a, 3), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(a.Frame(), 0);
    }
    cAnimSeq none;
    EXPECT_EQ(none.Tick(), 0);
}

TEST(AnimSeqTest, TicksFollowTheFramesWhateverTheirValues) {
    struct Case {
        cAnimFrame first;
        int ticks, shownAtLast;
    };
    const Case cases[] = {
        {{70000, 3, 0}, 2, 70000}, // a pattern beyond 16 bits is shown for its duration
        {{70000, 3, 0}, 3, 2},     {{1, 70000, 0}, 69999, 1}, // a duration beyond 16 bits
        {{1, 70000, 0}, 70000, 2}, {{1, 32767, 0}, 32766, 1}, {{1, 32767, 0}, 32767, 2},
        {{1, 0, 0}, 1, 2}, // without a duration the frame is left at the first tick
        {{1, -5, 0}, 1, 2},
    };
    for (const Case& c : cases) {
        const cAnimFrame seq0[] = {c.first, {2, 1, 0}, {-2, 0, 0}};
        const cAnimFrame* lists[] = {seq0, nullptr};
        cAnimSeq a;
        a.Build(lists);
        a.SetSequence(0, 1);
        int shown = -1;
        for (int i = 0; i < c.ticks; ++i)
            shown = a.Tick();
        EXPECT_EQ(shown, c.shownAtLast) << c.first.nPattern << " " << c.first.nDuration << " " << c.ticks;
    }
}

TEST(AnimSeqTest, ATickPartWayThroughAFrameShowsTheListsBuiltSince) {
    const cAnimFrame before[] = {{5, 4, 0}, {-2, 0, 0}};
    const cAnimFrame after[] = {{7, 2, 0}, {8, 2, 0}, {-2, 0, 0}};
    const cAnimFrame* beforeLists[] = {before, before, nullptr};
    const cAnimFrame* afterLists[] = {after, after, nullptr};
    cAnimSeq a;
    a.Build(beforeLists);
    a.SetSequence(1, 1);
    EXPECT_EQ(a.Tick(), 5);
    a.Build(afterLists); // the same room, other frames
    EXPECT_EQ(a.GetPattern(), 7);
    EXPECT_EQ(Ticks(a, 3), (std::vector<int>{7, 8, 8}));
    a.SetSequence(1, 1);
    cCheckedVector<cAnimSeqFrames> seqs(2, cAnimSeqFrames{{3, 2, 0}, {-2, 0, 0}});
    a.BuildKeepingSequence(seqs);
    EXPECT_EQ(a.Sequence(), 1);
    EXPECT_EQ(Ticks(a, 3), (std::vector<int>{3, 3, 3}));
}

TEST_F(ScrollTest, AnimationSetBuildsForcedLoopingSequences) {
    g_Database.m_AnimeSets.resize(2);
    cEdAnimeSet& set = g_Database.m_AnimeSets[1];
    set.m_Animes.resize(2);
    set.m_Animes[1].m_Frames.resize(2);
    set.m_Animes[1].m_Frames[0].nPattern = 3;
    set.m_Animes[1].m_Frames[0].nTime = 1;
    set.m_Animes[1].m_Frames[1].nPattern = 4;
    set.m_Animes[1].m_Frames[1].nTime = 2;
    cStageChara c;
    c.m_AnimSeq.m_nSeq = 1;
    c.ChangeAnimSet(1, 1);
    ASSERT_EQ(c.m_AnimSeq.m_Seqs.Count(), 2);
    EXPECT_EQ(c.m_AnimSeq.m_Seqs[1], (cAnimSeqFrames{{3, 6, 1}, {4, 12, 1}, {-2, 0, 1}}));
    EXPECT_EQ(c.m_AnimSeq.Sequence(), 1);        // the sequence number is kept
    EXPECT_EQ(c.m_AnimSeq.SetSequence(0, 0), 0); // built frames need a forced change
    // The same set again without force changes nothing.
    c.m_AnimSeq.m_Seqs.clear();
    c.ChangeAnimSet(1, 0);
    EXPECT_TRUE(c.m_AnimSeq.Empty());
}

} // namespace
