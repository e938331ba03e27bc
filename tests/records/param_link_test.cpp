// Command parameter tables and parameter links.
#include <climits>

#include <gtest/gtest.h>

#include "app/shell_test_support.h"

#include "records/ed_flow.h"
#include "records/flow_test_util.h"
#include "records/param_link.h"
#include "records/param_tables.h"
#include "records/vocab_flow.h"

namespace {

class ParamLinkTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildParamTables(); }

    // A shot command with its settings.
    static cEdFlowCmd Shot() {
        cEdFlowCmd c = MakeCommandPrototype();
        c.m_nKind = FCT_SHOT;
        NewShot(c.m_Shot);
        return c;
    }
    // Applies one link reading stage variable 1 = source.
    static void Apply(cEdFlowCmd& c, int kind, int param, int op, std::int32_t source) {
        const std::int32_t stage[2] = {0, source};
        ParamLinkVars vars;
        vars.stage = stage;
        ApplyParamLink(&c, ParamLink{kind, param, op, VS_STAGE, 1}, vars);
    }
};

TEST_F(ParamLinkTest, TablesHaveEveryKindAndBuildingTwiceGivesTheSame) {
    ASSERT_EQ(CommandParamTables.Count(), FCT_COUNT);
    EXPECT_EQ(CommandParamTables[FCT_SHOT].size(), 29u);
    EXPECT_EQ(CommandParamTables[FCT_SHOT][27].name, "威力");
    EXPECT_EQ(CommandParamTables[FCT_SHOT][27].minimum, -999999);
    EXPECT_EQ(CommandParamTables[FCT_SHOT][2].maximum, INT32_MAX);
    EXPECT_EQ(CommandParamTables[FCT_SUMMON_CHARA][0].maximum, 9999);
    EXPECT_EQ(CommandParamTables[FCT_CHANGE_BACKGROUND][0].name, "背景番号");
    EXPECT_TRUE(CommandParamTables[FCT_JUMP].empty());
    EXPECT_TRUE(CommandParamTables[FCT_CIRCLE_MOVE].empty());
    std::vector<std::pair<std::string, std::int32_t>> first;
    for (auto& list : CommandParamTables)
        for (auto& d : list)
            first.push_back({d.name, d.minimum ^ d.maximum});
    CommandParamTables.resize(45);
    CommandParamTables[FCT_SHOT].resize(3);
    BuildParamTables();
    std::vector<std::pair<std::string, std::int32_t>> second;
    for (auto& list : CommandParamTables)
        for (auto& d : list)
            second.push_back({d.name, d.minimum ^ d.maximum});
    EXPECT_EQ(CommandParamTables.Count(), FCT_COUNT);
    EXPECT_EQ(first, second);
}

TEST_F(ParamLinkTest, CommandKindsAndCounts) {
    ASSERT_EQ(CommandKinds().size(), 39u);
    ASSERT_EQ(ItemCommandKinds().size(), 24u);
    EXPECT_EQ(CommandKinds()[0].name, "");
    EXPECT_EQ(CommandKinds()[FCT_MESSAGE].count, 18);
    EXPECT_EQ(CommandKinds()[FCT_ARRANGE].name, "アレンジ");
    EXPECT_EQ(ItemCommandKinds()[ICT_FLOW_CHANGE].name, "フローの変更");
    EXPECT_EQ(ItemCommandKinds()[ICT_FLOW_CHANGE].count, 2);
    EXPECT_EQ(ItemCommandKinds()[ICT_LOOP].name, "ループ");
    EXPECT_EQ(ItemCommandKinds()[ICT_SHOW_PICTURE].count, 15);
    // Getters and setters exist exactly for the kinds that address fields (3, 4 and 7 do nothing).
    for (int k : {0, 1, 8, 9, 10, 16, 18, 23, 24, 26, 27, 29, 30, 34, 35, 36, 37, 38}) {
        EXPECT_EQ(CommandParamGetters[k], nullptr) << k;
        EXPECT_EQ(CommandParamSetters[k], nullptr) << k;
    }
    EXPECT_NE(CommandParamSetters[FCT_CIRCLE_MOVE], nullptr);
}

TEST_F(ParamLinkTest, GettersSignExtendAndSettersTruncateToTheFieldWidth) {
    cEdFlowCmd c = Shot();
    c.m_Shot->m_nZOrder = -3;
    c.m_Shot->m_nOffsetY = -700;
    c.m_Shot->m_nPower = -999999;
    std::int32_t v = 12345;
    CommandParamGetters[FCT_SHOT](&v, 1, &c);
    EXPECT_EQ(v, -3);
    CommandParamGetters[FCT_SHOT](&v, 12, &c);
    EXPECT_EQ(v, -700);
    CommandParamGetters[FCT_SHOT](&v, 27, &c);
    EXPECT_EQ(v, -999999);
    v = 777;
    CommandParamGetters[FCT_SHOT](&v, 29, &c); // not addressed
    EXPECT_EQ(v, 777);
    CommandParamSetters[FCT_SHOT](0x1FF, 14, &c);
    EXPECT_EQ(c.m_Shot->m_nForce, -1);
    CommandParamSetters[FCT_SHOT](0x12345, 18, &c);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 0x2345);

    // Two-parameter kinds read their second field for any number other than 0 and write only 0 and 1.
    cEdFlowCmd t = MakeCommandPrototype();
    t.m_nKind = FCT_SET_TARGET;
    t.m_Params.assign({0, 4, 0, 0, 0, 0, 0, 0, 0, 42});
    CommandParamGetters[FCT_SET_TARGET](&v, 7, &t);
    EXPECT_EQ(v, 42);
    CommandParamSetters[FCT_SET_TARGET](5, 7, &t);
    EXPECT_EQ(t.m_Params[9], 42);
    CommandParamSetters[FCT_SET_TARGET](5, 1, &t);
    EXPECT_EQ(t.m_Params[9], 5);

    // The picture ID is listed but addresses nothing.
    cEdFlowCmd p = MakeCommandPrototype();
    p.m_nKind = FCT_SHOW_PICTURE;
    p.m_Params.assign(15, 0);
    Apply(p, FCT_SHOW_PICTURE, 0, PLO_ASSIGN, 5);
    for (std::int32_t x : p.m_Params)
        EXPECT_EQ(x, 0);
    Apply(p, FCT_SHOW_PICTURE, 5, PLO_ASSIGN, 250);
    EXPECT_EQ(p.m_Params[7], 250);
}

TEST_F(ParamLinkTest, EveryOperation) {
    cEdFlowCmd c = Shot();
    struct Case {
        int op;
        std::int32_t current, source, want;
    };
    // On "速度" (-200..200) of a shot.
    const Case cases[] = {
        {PLO_ASSIGN, 5, 17, 17},    {PLO_ADD, 5, 17, 22},     {PLO_SUB, 5, 17, -12},
        {PLO_MUL, 5, -7, -35},      {PLO_DIV, 100, 7, 14},    {PLO_DIV, -100, 7, -14},
        {PLO_DIV, 9, 0, 9},         {PLO_MOD, 100, 7, 2},     {PLO_MOD, -100, 7, -2},
        {PLO_MOD, 9, 0, 9},         {PLO_PERCENT, 3, 50, 2},  {PLO_PERCENT, -3, 50, -2},
        {PLO_PERCENT, 150, 33, 50}, {PLO_ADD, 150, 100, 200}, {PLO_SUB, -150, 100, -200},
        {99, 12, 50, 12},           {-1, 12, 50, 12},
    };
    for (const Case& k : cases) {
        c.m_Shot->m_nSpeed = static_cast<std::int16_t>(k.current);
        Apply(c, FCT_SHOT, 18, k.op, k.source);
        EXPECT_EQ(c.m_Shot->m_nSpeed, k.want) << k.op << " " << k.current << " " << k.source;
    }
}

TEST_F(ParamLinkTest, ArithmeticNeverWrapsOrTraps) {
    // "威力" 999999 x 3000 does not fit 32 bits: held to the maximum.
    cEdFlowCmd c = Shot();
    c.m_Shot->m_nPower = 999999;
    Apply(c, FCT_SHOT, 27, PLO_MUL, 3000);
    EXPECT_EQ(c.m_Shot->m_nPower, 999999);
    c.m_Shot->m_nPower = -999999;
    Apply(c, FCT_SHOT, 27, PLO_MUL, 3000);
    EXPECT_EQ(c.m_Shot->m_nPower, -999999);

    // The 64-bit combination itself, over the whole 32-bit range.
    EXPECT_EQ(CombineParamLink(PLO_MUL, 65536, 65537, INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(CombineParamLink(PLO_MUL, 65536, -65537, INT32_MIN, INT32_MAX), INT32_MIN);
    EXPECT_EQ(CombineParamLink(PLO_ADD, INT32_MAX, 1, INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(CombineParamLink(PLO_SUB, INT32_MIN, 1, INT32_MIN, INT32_MAX), INT32_MIN);
    EXPECT_EQ(CombineParamLink(PLO_DIV, INT32_MIN, -1, INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(CombineParamLink(PLO_MOD, INT32_MIN, -1, INT32_MIN, INT32_MAX), 0);
    EXPECT_EQ(CombineParamLink(PLO_PERCENT, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(CombineParamLink(PLO_PERCENT, INT32_MAX, 200, INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(CombineParamLink(PLO_DIV, 7, 0, 0, 5), 5); // unchanged, still held to the range
}

TEST_F(ParamLinkTest, VariableScopesAndBounds) {
    cEdFlowCmd c = Shot();
    const std::int32_t common[3] = {100, 11, 12};
    const std::int32_t chara[2] = {3, 4};
    ParamLinkVars vars{common, {}, chara};
    c.m_Shot->m_nSpeed = 1;
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_COMMON, 0}, vars);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 1); // common variables count from 1
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_COMMON, 2}, vars);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 12);
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_COMMON, 3}, vars);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 12);
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_STAGE, 1}, vars);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 12); // no stage variables
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_CHARA, 0}, vars);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 3); // character variables count from 0
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_CHARA, -1}, vars);
    ApplyParamLink(&c, ParamLink{FCT_SHOT, 18, PLO_ASSIGN, 3, 1}, vars);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 3);
}

TEST_F(ParamLinkTest, InvalidLinksChangeNothing) {
    cEdFlowCmd c = Shot();
    c.m_Shot->m_nSpeed = 9;
    const Bytes before = SavedBytes(*c.m_Shot);
    Apply(c, FCT_SWORD, 0, PLO_ASSIGN, 1); // another kind
    EXPECT_EQ(SavedBytes(*c.m_Shot), before);
    cEdFlowCmd noShot = MakeCommandPrototype();
    noShot.m_nKind = FCT_SHOT;
    Apply(noShot, FCT_SHOT, 18, PLO_ASSIGN, 1); // no settings to change
    EXPECT_FALSE(noShot.m_Shot);
    cEdFlowCmd bad = MakeCommandPrototype();
    bad.m_nKind = 60;
    Apply(bad, 60, 0, PLO_ASSIGN, 1);
    ApplyParamLink(nullptr, ParamLink{}, ParamLinkVars{});
}

TEST_F(ParamLinkTest, FormationAndMovementRangesOverrideTheTable) {
    cEdFlowCmd c = Shot();
    c.m_Shot->m_nFormation = 4; // "爆発": no values
    Apply(c, FCT_SHOT, 2, PLO_ASSIGN, 50);
    EXPECT_EQ(c.m_Shot->m_nFormationValues[0], 0);
    c.m_Shot->m_nFormation = 2; // "拡散": 0..180
    Apply(c, FCT_SHOT, 2, PLO_ASSIGN, 500);
    EXPECT_EQ(c.m_Shot->m_nFormationValues[0], 180);
    c.m_Shot->m_nFormation = 3; // "落雷": value 2 "列の数" 1..50
    Apply(c, FCT_SHOT, 3, PLO_ASSIGN, 0);
    EXPECT_EQ(c.m_Shot->m_nFormationValues[1], 1);
    // A formation without descriptors keeps the table's range, held to the 16-bit field.
    c.m_Shot->m_nFormation = 9;
    Apply(c, FCT_SHOT, 4, PLO_ASSIGN, 100000);
    EXPECT_EQ(c.m_Shot->m_nFormationValues[2], 32767);
    c.m_Shot->m_nMoveKind = 8; // "ウェーブ": value 3 "開始角度" 0..359
    Apply(c, FCT_SHOT, 17, PLO_ASSIGN, 400);
    EXPECT_EQ(c.m_Shot->m_nMoveValues[2], 359);
    c.m_Shot->m_nMoveKind = -1;
    Apply(c, FCT_SHOT, 15, PLO_ASSIGN, -5);
    EXPECT_EQ(c.m_Shot->m_nMoveValues[0], 0);

    cEdFlowCmd item = MakeCommandPrototype();
    item.m_nKind = FCT_SUMMON_ITEM;
    NewShot(item.m_Shot);
    item.m_Shot->m_nFormation = 5; // "包囲": 0..40
    Apply(item, FCT_SUMMON_ITEM, 1, PLO_ASSIGN, 41);
    EXPECT_EQ(item.m_Shot->m_nFormationValues[0], 40);
    Apply(item, FCT_SUMMON_ITEM, 0, PLO_ASSIGN, 12000);
    EXPECT_EQ(item.m_Shot->m_nRange, 9999);
}

TEST_F(ParamLinkTest, QueuedLinksApplyInOrderAndItemCommandsMatchByKindPlus15) {
    cEdFlowCmd c = Shot();
    const std::int32_t stage[3] = {0, 10, 5};
    ParamLinkVars vars;
    vars.stage = stage;
    ParamLinkList pending;
    pending.push_back(ParamLink{FCT_SHOT, 18, PLO_ASSIGN, VS_STAGE, 1});
    pending.push_back(ParamLink{FCT_SHOT, 18, PLO_ADD, VS_STAGE, 2});
    ApplyParamLinks(&c, vars, &pending);
    EXPECT_EQ(c.m_Shot->m_nSpeed, 15);
    ApplyParamLinks(&c, vars, nullptr); // no running flow
    EXPECT_EQ(c.m_Shot->m_nSpeed, 15);

    cEdFlowCmd msg = MakeCommandPrototype();
    msg.m_bItem = 1;
    msg.m_nKind = ICT_MESSAGE;
    msg.m_Params.assign(18, 0);
    ParamLinkList hero;
    hero.push_back(ParamLink{FCT_MESSAGE, 0, PLO_ASSIGN, VS_STAGE, 1});
    ApplyItemParamLinks(&msg, vars, hero);
    EXPECT_EQ(msg.m_Params[13], 10);

    cEdFlowCmd arrange = MakeCommandPrototype();
    arrange.m_nKind = FCT_ARRANGE;
    arrange.m_Params.assign({FCT_SHOT, 18, PLO_MUL, VS_CHARA, 2});
    // An arrangement has no parameters of its own: links never change it.
    ParamLinkList toArrange;
    toArrange.push_back(ParamLink{FCT_ARRANGE, 0, PLO_ASSIGN, VS_STAGE, 1});
    ApplyItemParamLinks(&arrange, vars, toArrange);
    EXPECT_EQ(arrange.m_Params[0], FCT_SHOT);
    const ParamLink link = ParamLinkFromCommand(arrange);
    EXPECT_EQ(link.kind, FCT_SHOT);
    EXPECT_EQ(link.op, PLO_MUL);
    EXPECT_EQ(link.index, 2);
}

TEST_F(ParamLinkTest, MovementKindsChangeTheirMovementSettings) {
    cEdFlowCmd w = MakeCommandPrototype();
    w.m_nKind = FCT_WARP;
    Apply(w, FCT_WARP, 0, PLO_ASSIGN, 5); // no movement settings
    NewMove(w.m_Move);
    Apply(w, FCT_WARP, 0, PLO_ASSIGN, 100);
    EXPECT_EQ(w.m_Move->m_nDistance, 64);
    Apply(w, FCT_WARP, 4, PLO_ASSIGN, -7);
    EXPECT_EQ(w.m_Move->m_nTargetXDot, -7);
    cEdFlowCmd h = MakeCommandPrototype();
    h.m_nKind = FCT_HOMING_MOVE;
    NewMove(h.m_Move);
    Apply(h, FCT_HOMING_MOVE, 1, PLO_ASSIGN, 4);
    EXPECT_EQ(h.m_Move->m_nHomingWeaknessStep, 4);
    cEdFlowCmd l = MakeCommandPrototype();
    l.m_nKind = FCT_LINE_MOVE;
    NewMove(l.m_Move);
    Apply(l, FCT_LINE_MOVE, 4, PLO_SUB, 8000);
    EXPECT_EQ(l.m_Move->m_nAngle, -7200);
}

// A parameter number outside the kind's list is a data error: reported as the checked lists
// report a bad index, with the program asked to close; an invalid source ends the link first.
class ParamLinkReportTest : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        ShellFixture::SetUp();
        BuildParamTables();
    }
};

TEST_F(ParamLinkReportTest, AParameterNumberOutsideTheKindsListIsReported) {
    const int count = CommandParamTables[FCT_SHOT].Count();
    const int size = static_cast<int>(sizeof(CommandParamDesc));
    const struct {
        std::int32_t param, variable;
        bool reported;
    } cases[] = {
        {18, 1, false}, {count, 1, true}, {-1, 1, true}, {INT32_MAX, 1, true}, {count, 5, false},
    };
    for (const auto& k : cases) {
        cEdFlowCmd c = MakeCommandPrototype();
        c.m_nKind = FCT_SHOT;
        NewShot(c.m_Shot);
        const std::int32_t stage[2] = {0, 4};
        ParamLinkVars vars;
        vars.stage = stage;
        const std::string before = ReportText();
        ApplyParamLink(&c, ParamLink{FCT_SHOT, k.param, PLO_ASSIGN, VS_STAGE, k.variable}, vars);
        char line[64];
        std::snprintf(line, sizeof line, "err V[%d] ( %d , %d )\r\n", k.param, count, size);
        EXPECT_EQ(ReportText().substr(before.size()), k.reported ? line : "") << k.param;
        EXPECT_EQ(TakeCloses(), k.reported ? 1 : 0) << k.param;
    }
}

} // namespace
