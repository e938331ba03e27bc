// Flow values a project or a damaged file can make as large as their stored type allows: the
// distance of a distance condition and the use time a jump works out stay defined at the boundary
// where their result stops fitting an int and past it.
#include "flow/cmd_motion.h"
#include "flow/cmd_present.h"
#include "flow_fixture.h"
#include "objects/object_links.h"
#include "project/project_database.h"

#include <climits>

namespace {

TEST_F(FlowTest, DistanceConditionsOfAnyDistance) {
    // Two characters 50 px apart (hit-box centres); the distance is value x 16 + extra pixels, and
    // 134217727 x 16 + 15 is the last that fits an int.
    cStageChara c, other;
    Give(c, {});
    c.m_dX = 100, c.m_dY = 100, c.m_nWidth = c.m_nHeight = 20;
    other.m_dX = 150, other.m_dY = 100, other.m_nWidth = other.m_nHeight = 20;
    c.UpdateScreenRect();
    other.UpdateScreenRect();
    cObjectLinks::SetTarget(c, &other);
    const struct {
        std::int32_t value;
        std::uint16_t extra;
        bool in;
    } cases[] = {
        {134217727, 15, true},  {134217727, 16, true},       {134217728, 0, true},  {INT32_MAX, 32767, true},
        {-134217728, 0, false}, {-134217728, 0xFFFF, false}, {INT32_MIN, 0, false},
    };
    // Along x, along y and around the centres.
    for (int axis : {0, 3, 6}) {
        for (const auto& k : cases) {
            cEdFlowCond d;
            d.m_nKind = CK_DISTANCE;
            d.m_nSubject = 1;
            d.m_nAxis = static_cast<std::uint8_t>(axis);
            d.m_nValue = k.value;
            d.m_nRightNumber = k.extra;
            EXPECT_EQ(CheckCondition(d, c), k.in)
                << "axis " << axis << " value " << k.value << " + " << k.extra;
        }
    }
    // The circle still measures ordinary distances to the pixel: 3 x 16 + 2 reaches, + 1 does not.
    cEdFlowCond near;
    near.m_nKind = CK_DISTANCE;
    near.m_nSubject = 1;
    near.m_nAxis = 6;
    near.m_nValue = 3;
    near.m_nRightNumber = 2;
    EXPECT_TRUE(CheckCondition(near, c));
    near.m_nRightNumber = 1;
    EXPECT_FALSE(CheckCondition(near, c));
    cObjectLinks::SetTarget(c, nullptr);
}

TEST_F(FlowTest, JumpUseTimeSaturatesUnderAlmostNoGravity) {
    RegisterMotionCommands();
    // Under ordinary gravity the jump's time in frames; under almost none its top lies further
    // than an int of frames away.
    const struct {
        double gravity;
        bool saturates;
    } cases[] = {{0.4, false}, {1e-20, true}};
    for (const auto& k : cases) {
        g_Stage.m_dGravityBase = k.gravity;
        g_Stage.SetHitLevel(1);
        cStageChara c;
        Give(c, {});
        c.m_nPlayerFlag = 1;
        cEdFlowCmd rec;
        rec.m_nKind = FCT_JUMP;
        rec.m_Params.assign({1, 0, 4});
        cFlowCommand inst;
        inst.m_lpRecord = &rec;
        FlowCommandTypeInfo(rec.m_nKind).prep(inst, c);
        if (k.saturates) {
            EXPECT_EQ(inst.m_nUseTime, INT_MAX);
        } else {
            EXPECT_EQ(inst.m_nUseTime, c.JumpTimeForHeight(4) * g_Stage.m_nFrameMul * 6);
            EXPECT_LT(inst.m_nUseTime, 600);
        }
    }
}

TEST_F(FlowTest, ShownTimesOfAnySizeSaturateInFrames) {
    // Tenths of a second: 357913941 x 6 is the last time in frames that fits an int.
    const struct {
        std::int32_t tenths;
        int frames;
    } cases[] = {{357913941, 2147483646}, {357913942, INT_MAX}, {INT32_MAX, INT_MAX}, {5, 30}};
    const cProjectDatabase kept = g_Database;
    for (const auto& k : cases) {
        cStageChara c;
        Give(c, {});
        // A message shown for a time, not waited for.
        cEdFlowCmd message;
        message.m_nKind = FCT_MESSAGE;
        message.m_Params.assign(14, 0);
        message.m_Params[5] = k.tenths;
        message.m_Params[6] = 1;
        CmdMessage(c, message);
        ASSERT_FALSE(m_Scene->m_Messages.empty());
        EXPECT_EQ(m_Scene->m_Messages.back().m_nFrames, k.frames) << k.tenths;
        // An animation of the database run on the character.
        g_Database.m_Animes.assign(2, cEdAnime());
        g_Database.m_Animes[1].m_Frames.at(0).nTime = k.tenths;
        g_Database.m_Animes[1].m_Frames.at(0).nPattern = 1;
        cEdFlowCmd anime;
        anime.m_nKind = FCT_RUN_ANIME;
        anime.m_Params.assign({1});
        CmdRunAnime(c, anime);
        ASSERT_FALSE(c.m_AttachedAnims.empty());
        EXPECT_EQ(c.m_AttachedAnims.back().seq.m_Seqs.at(0).at(0).nDuration, k.frames) << k.tenths;
    }
    m_Scene->m_Messages.clear();
    g_Database = kept;
}

} // namespace
