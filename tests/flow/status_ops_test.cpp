// Status conditions and status operations: ranges, saturation, percentages, missing targets.
#include "flow/status_ops.h"
#include "flow_fixture.h"

#include <climits>

namespace {

struct OpCase {
    std::int32_t start, x;
    int op;
    std::int32_t lower, upper, expected;
};

TEST(FlowStatusArithmetic, OperationsSaturateAndKeepTheRange) {
    const OpCase cases[] = {
        {20, 100, PLO_ADD, 0, 50, 50},
        {5, 7, PLO_ASSIGN, 0, 50, 7},
        {5, 9, PLO_SUB, 0, 50, 0},
        {65536, 65537, PLO_MUL, INT_MIN, INT_MAX, INT_MAX}, // wraps to a positive value in 32 bits
        {-65536, 65537, PLO_MUL, INT_MIN, INT_MAX, INT_MIN},
        {1000, 1000, PLO_MUL, -999999, 999999, 999999},
        {9, 0, PLO_DIV, 0, 50, 9},
        {9, 0, PLO_MOD, 0, 50, 9},
        {-9, 2, PLO_DIV, -50, 50, -4},
        {-9, 2, PLO_MOD, -50, 50, -1},
        {INT_MIN, -1, PLO_DIV, INT_MIN, INT_MAX, INT_MAX},
        {INT_MIN, -1, PLO_MOD, INT_MIN, INT_MAX, 0},
        {7, 50, PLO_PERCENT, -99, 99, 4},
        {-7, 50, PLO_PERCENT, -99, 99, -4},
        {INT_MAX, INT_MAX, PLO_ADD, INT_MIN, INT_MAX, INT_MAX},
        {3, 4, 99, 0, 2, 2}, // an unknown operation only clamps
    };
    for (const OpCase& c : cases) {
        std::int32_t v = c.start;
        ApplyStatusOperation(&v, c.x, c.op, c.lower, c.upper);
        EXPECT_EQ(v, c.expected) << c.start << " op " << c.op << " " << c.x;
    }
    EXPECT_EQ(PercentOf(7, 50), 4);
    EXPECT_EQ(PercentOf(-5, 10), -1); // -0.5 rounds away from zero
    EXPECT_EQ(PercentOf(INT_MAX, INT_MAX), INT_MAX);
}

class FlowStatusTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        Give(m_Self, {});
        Give(m_Other, {});
        m_Self.m_Def.m_nMaxHP = 50;
        m_Self.m_nHP = 20;
    }
    // A command 22 on the acting character: status, operation, constant; mode and gauge.
    static cEdFlowCmd Op22(int subject, int status, int op, int value, int mode = 0) {
        cEdFlowCmd rec;
        rec.m_nKind = FCT_STATUS;
        rec.m_Params.assign(18, 0);
        rec.m_Params[SOP_SUBJECT] = subject;
        rec.m_Params[SOP_STATUS] = status;
        rec.m_Params[SOP_OPERATION] = op;
        rec.m_Params[SOP_CONSTANT] = value;
        rec.m_Params[SOP_CALC_MODE] = mode;
        return rec;
    }
    static cEdFlowCmd Op23(int subject, int status, int value) {
        cEdFlowCmd rec;
        rec.m_nKind = FCT_STATUS2;
        rec.m_Params = {subject, status, value};
        return rec;
    }
    cStageChara m_Self;
    cStageChara m_Other;
};

TEST_F(FlowStatusTest, OperationsOnCharacterStatuses) {
    auto run = [this](cEdFlowCmd rec) { CmdStatusOperation(m_Self, rec); };
    run(Op22(0, 1, PLO_ADD, 100)); // HP + 100 stops at the maximum
    EXPECT_EQ(m_Self.m_nHP, 50);
    run(Op22(0, 1, PLO_ASSIGN, 50, 1)); // 50 % of the maximum
    EXPECT_EQ(m_Self.m_nHP, 25);
    run(Op22(0, 1, PLO_DIV, 0));
    EXPECT_EQ(m_Self.m_nHP, 25);
    run(Op22(0, 10, PLO_ADD, 5000)); // impact, a signed byte
    EXPECT_EQ(m_Self.Impact(), 20);
    run(Op22(0, 10, PLO_SUB, 5000));
    EXPECT_EQ(m_Self.Impact(), -20);
    run(Op22(0, 9, PLO_MUL, 65537)); // power 0 stays 0
    m_Self.m_Def.m_nBodyPower = 65536;
    run(Op22(0, 9, PLO_MUL, 65537));
    EXPECT_EQ(static_cast<std::int32_t>(m_Self.m_Def.m_nBodyPower), 999999);
    run(Op22(0, 13, PLO_ASSIGN, 150));
    EXPECT_EQ(m_Self.m_Def.m_nStoppability, 150);
    EXPECT_DOUBLE_EQ(m_Self.m_dDecel, 1.5);
    run(Op22(0, 8, PLO_ASSIGN, 30)); // sight: heroes only
    EXPECT_EQ(m_Self.m_Def.m_nSightRange, 0);

    // On the target: nothing without one; the defeat check when its HP falls below 1.
    run(Op22(1, 1, PLO_ASSIGN, 0));
    EXPECT_EQ(m_Scene->m_bHpCheck, 0);
    cObjectLinks::SetTarget(m_Self, &m_Other);
    run(Op22(1, 1, PLO_ASSIGN, 0));
    EXPECT_EQ(m_Other.m_nHP, 0);
    EXPECT_EQ(m_Scene->m_bHpCheck, 1);
    cObjectLinks::SetTarget(m_Self, nullptr);

    // A variable by percent of its current value, and a system status.
    g_SaveData.m_vnCommonVars[4] = 80;
    cEdFlowCmd v = Op22(0, 0, PLO_ASSIGN, 25, 2);
    v.m_Params[SOP_TARGET_SOURCE] = 1;
    v.m_Params[SOP_TARGET_VAR] = 4;
    run(v);
    EXPECT_EQ(g_SaveData.m_vnCommonVars[4], 20);
    g_nScore = 10;
    run(Op22(2, 3, PLO_SUB, 50));
    EXPECT_EQ(g_nScore, 0);
    g_SaveData.m_nLives = UNLIMITED_LIVES;
    run(Op22(2, 4, PLO_ADD, 1));
    EXPECT_EQ(g_SaveData.m_nLives, UNLIMITED_LIVES);
    g_SaveData.m_nLives = 3;
}

TEST_F(FlowStatusTest, VanishingWithoutPlaySceneHooksUnlinksAndMarks) {
    cObjectLinks::SetTarget(m_Self, &m_Other);
    cEdFlowCmd vanish = Op23(1, 0, 0);
    CmdStatusOperation2(m_Self, vanish);
    EXPECT_EQ(m_Other.m_bRemoved, 1);
    EXPECT_EQ(m_Self.m_pTarget, nullptr);
}

TEST_F(FlowStatusTest, OnOffStatusesAndVanishing) {
    static int removed = 0;
    removed = 0;
    g_FlowHooks.RemoveFromPlay = [](cChara&) { ++removed; };
    auto run = [this](cEdFlowCmd rec) { CmdStatusOperation2(m_Self, rec); };
    run(Op23(0, 4, 7));
    EXPECT_EQ(m_Self.m_Def.m_nInvincible, 2);
    run(Op23(0, 1, 1));
    EXPECT_EQ(m_Self.m_Def.m_nTransparent, 1);
    run(Op23(1, 0, 1)); // no target: nothing
    EXPECT_EQ(removed, 0);
    cObjectLinks::SetTarget(m_Self, &m_Other);
    run(Op23(1, 0, 0));
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(m_Scene->m_bHpCheck, 1);
    cObjectLinks::SetTarget(m_Self, nullptr);
}

TEST_F(FlowStatusTest, StatusConditions) {
    cEdFlowCond c;
    c.m_nKind = CK_STATUS;
    c.m_nItem = 1; // HP 20 of 50
    c.m_nOperator = 2;
    c.m_nValue = 40;
    c.m_bPercent = 1;
    EXPECT_TRUE(CheckCondition(c, m_Self)); // 20 >= 40 % of 50
    EXPECT_TRUE(CheckCondition(c, m_Self)); // the constant is kept, not its percentage
    EXPECT_EQ(c.m_nValue, 40);
    c.m_nSubject = 1;
    EXPECT_FALSE(CheckCondition(c, m_Self)); // no target

    cEdFlowCond s;
    s.m_nKind = CK_STATUS2;
    s.m_nItem = 0; // vanishing is never true
    EXPECT_FALSE(CheckCondition(s, m_Self));
    s.m_nItem = 5; // giant factor 1
    s.m_nNumber = 1;
    EXPECT_TRUE(CheckCondition(s, m_Self));

    cEdFlowCond st;
    st.m_nKind = CK_STATUS3;
    st.m_nItem = 3; // on screen
    st.m_nOperator = 1;
    m_Self.m_bInView = 0;
    EXPECT_TRUE(CheckCondition(st, m_Self));
    m_Self.m_bInView = 1;
    EXPECT_FALSE(CheckCondition(st, m_Self));
    st.m_nSubject = 1;
    st.m_nOperator = 0;
    EXPECT_FALSE(CheckCondition(st, m_Self));
}

} // namespace
