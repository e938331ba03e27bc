// The expression evaluator: operators, objects, statuses, system values, side effects and errors,
// and random or truncated texts that must end in an error, never in a crash.
#include "app/play_bounds.h"
#include "flow/evaluator.h"
#include "flow_fixture.h"
#include "platform/crt_rand.h"

#include <climits>

namespace {

class FlowEvaluatorTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        Give(m_Self, {});
        Give(m_Other, {});
        m_Self.m_Def.m_nMaxHP = 50;
        m_Self.m_nHP = 20;
        m_Self.m_Def.m_nMaxSP = 30;
        m_Self.m_nSP = 5;
        m_Other.m_nHP = 7;
        g_Heroes.resize(1);
        g_Heroes[0].m_Def.m_nMaxHP = 100;
        g_Heroes[0].m_nHP = 60;
        g_SaveData.m_vnCommonVars[2] = 12;
        m_Scene->m_StageVars[3] = -4;
        g_nScore = 100;
        g_SaveData.m_nLives = 3;
        m_Scene->m_nTimeLimit = 90;
    }
    void TearDown() override {
        g_nScore = 0;
        g_Stage.m_nAutoScrollSpeedH = 0;
        FlowTest::TearDown();
    }
    cStageChara m_Self;
    cStageChara m_Other;
};

struct ValueCase {
    const char* text;
    std::int32_t expected;
};

TEST_F(FlowEvaluatorTest, ValuesOfOperatorsObjectsAndNames) {
    cObjectLinks::SetTarget(m_Self, &m_Other);
    m_Self.m_Vars[1] = 6;
    m_Self.m_Vars[8] = -2;
    const ValueCase cases[] = {
        {"", 0},
        {"42", 42},
        {"-42", -42},
        {"+7", 7},
        {"12abc", 12},
        {"abc", 0},
        {"1+2", 1}, // words need spaces
        {"1 + 2 * 3", 7},
        {"10 - 3 - 2", 5},
        {"7 / 2", 3},
        {"-7 / 2", -3},
        {"-7 % 3", -1},
        {"2 * 3 % 4", 2},
        {"(5)", 5},
        {"((1 + 2) * (3 + 4))", 21},
        {"2 * (3 + (4 - 1))", 12},
        {"10 - (2 - 7)", 15},
        {"C2 + S3", 8},
        {"C2 * my.v1", 72},
        {"my.v8", -2},
        {"hp", 20},
        {"my. hp", 20},
        {"tg.hp", 7},
        {"pl.hp + pl.mhp", 160},
        {"mhp + msp", 80},
        {"time", 90},
        {"score", 100},
        {"life", 3},
        {"2147483647 + 1", INT_MIN},
        {"-2147483648 - 1", INT_MAX},
        {"65536 * 65536", 0},
        {"-2147483648 / -1", INT_MIN},
        {"-2147483648 % -1", 0},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"1 2 3", 3}, // no operator: the last operand
        // Words that only begin like a name, or a name after digits, are numbers.
        {"h", 0},
        {"hpx", 0},
        {"scores", 0},
        {"lif", 0},
        {"1hp", 1},
        {"mhp2", 0},
        // Terms of more words than a short text holds.
        {"1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1", 20},
        {"2 * 2 * 2 * 2 * 2 * 2 * 2 * 2 * 2 * 2 - 1 - 1 - 1 - 1 - 1 - 1 - 1 - 1 - 1 - 1 - 1 - 1", 1012},
        {"(1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10) * (1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1)", 550},
    };
    for (const ValueCase& c : cases) {
        m_Scene->m_bHpCheck = 0;
        EXPECT_TRUE(EvaluateExpression(c.text, m_Self)) << c.text;
        EXPECT_EQ(ParseExpression(c.text, m_Self), c.expected) << c.text;
    }
    EXPECT_TRUE(s_Boxes.empty());
}

TEST_F(FlowEvaluatorTest, RandomNumbersComeFromThePlayGenerator) {
    crt::srand(7);
    std::vector<int> seen(4, 0);
    for (int i = 0; i < 200; ++i) {
        const int v = ParseExpression("rand(3, 1)", m_Self);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 3);
        ++seen[static_cast<std::size_t>(v)];
    }
    EXPECT_GT(seen[1] * seen[2] * seen[3], 0);
    crt::srand(7);
    const int first = crt::rand() % 3 + 1;
    crt::srand(7);
    EXPECT_EQ(ParseExpression("rand(1, 3)", m_Self), first);
    // Commas inside nested parentheses belong to the inner call.
    EXPECT_EQ(ParseExpression("rand(rand(5, 5), (2 + 3)) * 2", m_Self), 10);
    EXPECT_EQ(ParseExpression("rand(-2147483648, 2147483647) * 0", m_Self), 0);
}

TEST_F(FlowEvaluatorTest, AssignmentsKeepTheirRangesAndHaveTheirEffects) {
    cObjectLinks::SetTarget(m_Self, &m_Other);
    std::int32_t hp, imp, z, mark, mhp, power;
    const auto read = [&] {
        hp = m_Self.m_nHP;
        imp = m_Self.Impact();
        z = static_cast<std::int8_t>(m_Self.m_Def.m_nZ);
        mark = static_cast<std::int16_t>(m_Self.m_Def.m_nMarkNo);
        mhp = static_cast<std::int32_t>(m_Self.m_Def.m_nMaxHP);
        power = static_cast<std::int32_t>(m_Self.m_Def.m_nBodyPower);
    };
    struct Case {
        const char* text;
        std::int32_t* field;
        std::int32_t expected;
    } cases[] = {
        {"my.hp = my.hp + 10", &hp, 30},
        {"hp = 1 + 2 * 3", &hp, 7},
        {"hp = 1000", &hp, 50},
        {"imp = 5000", &imp, 20},
        {"imp = -5000", &imp, -20},
        {"z = -1", &z, 0},
        {"mark = 500", &mark, 119},
        {"power = -5000000", &power, -999999},
        {"mhp = 5", &mhp, 5},
        {"hp = 0", &hp, 0},
        {"mhp = 40", &mhp, 40},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(EvaluateExpression(c.text, m_Self)) << c.text;
        read();
        EXPECT_EQ(*c.field, c.expected) << c.text;
    }
    // The maximum's clamps: lowered below HP, HP follows; raised while HP is 0, HP becomes 1.
    EXPECT_EQ(m_Self.m_nHP, 1);
    EXPECT_GT(m_Self.m_HPGauge.nFrames, 0);

    EXPECT_TRUE(EvaluateExpression("S3 = C2 * 100000", m_Self));
    EXPECT_EQ(m_Scene->m_StageVars[3], 999999);
    // "=" is left-associative: C5 takes S3, then the stored number has nothing to assign to.
    EXPECT_FALSE(EvaluateExpression("C5 = S3 = 3", m_Self));
    EXPECT_EQ(g_SaveData.m_vnCommonVars[5], 999999);
    s_Boxes.clear();

    EXPECT_TRUE(EvaluateExpression("tg.hp = 0", m_Self));
    EXPECT_EQ(m_Scene->m_bHpCheck, 1);
    g_SaveData.m_nLives = UNLIMITED_LIVES;
    EXPECT_TRUE(EvaluateExpression("sys.life = 50", m_Self));
    EXPECT_EQ(g_SaveData.m_nLives, UNLIMITED_LIVES);
    g_SaveData.m_nLives = 3;
    EXPECT_TRUE(EvaluateExpression("life = 500", m_Self));
    EXPECT_EQ(g_SaveData.m_nLives, 99);
    EXPECT_TRUE(EvaluateExpression("scrlx = 600", m_Self));
    EXPECT_EQ(g_Stage.m_nAutoScrollSpeedH, 480);
    EXPECT_TRUE(EvaluateExpression("score = -5", m_Self));
    EXPECT_EQ(g_nScore, 0);

    static int surfaces = 0;
    surfaces = 0;
    g_FlowHooks.CreateWorkSurfaces = [] { ++surfaces; };
    EXPECT_TRUE(EvaluateExpression("pl.sight = 3", m_Self));
    EXPECT_EQ(g_Heroes[0].m_nLightRadius, 48);
    EXPECT_EQ(surfaces, 1);
    EXPECT_TRUE(s_Boxes.empty());
}

struct ErrorCase {
    const char* text;
    const char* box; // null: an error without a box
};

// Texts evaluated again (more of them than are kept between evaluations) read the state of their
// time, and a faulty one reports itself every time.
TEST_F(FlowEvaluatorTest, TextsEvaluatedAgainReadTheStateOfTheirTime) {
    for (int round = 0; round < 3; ++round) {
        g_SaveData.m_vnCommonVars[2] = round * 10;
        m_Other.m_nHP = 7 + round;
        cObjectLinks::SetTarget(m_Self, round == 1 ? nullptr : &m_Other);
        for (int k = 0; k < 10; ++k) {
            const std::string text = "C5 = C2 + " + std::to_string(k);
            EXPECT_TRUE(EvaluateExpression(text, m_Self)) << text;
            EXPECT_EQ(g_SaveData.m_vnCommonVars[5], round * 10 + k) << text;
        }
        m_Self.m_Vars[1] = -1;
        EXPECT_EQ(EvaluateExpression("my.v1 = tg.hp", m_Self), round != 1) << round;
        EXPECT_EQ(m_Self.m_Vars[1], round == 1 ? -1 : 7 + round) << round;
        s_Boxes.clear();
        EXPECT_FALSE(EvaluateExpression("foo.hp = 1", m_Self));
        ASSERT_EQ(s_Boxes.size(), 1u) << round;
        EXPECT_EQ(s_Boxes[0], "オブジェクト \"foo.\" が認識できません！");
    }
}

TEST_F(FlowEvaluatorTest, ErrorsStopTheTextAndKeepEarlierAssignments) {
    const ErrorCase cases[] = {
        {"(1 + 2", "\")\"が見つかりません！"},
        {"rand(1, 2", "関数 rand で\")\"が見つかりません！"},
        {"rand(1)", "関数 rand の引数が不正です！"},
        {"rand(1, 2, 3)", "関数 rand の引数が不正です！"},
        {"foo.hp", "オブジェクト \"foo.\" が認識できません！"},
        {"tg.hp = 0", nullptr},
        {"S3 = C2 / 0", "0除算が行われました！(S3 = C2 / 0)"},
        {"5 % (2 - 2)", "0除算が行われました！(5 % 0)"},
        {"5 = 3", "値を代入できません！(5 = 3)"},
        {"1 + 2 = 3", "値を代入できません！(1 + 2 = 3)"},
        {"+ 1", "演算子 + の前後に値がありません！(+ 1)"},
        {"1 *", "演算子 * の前後に値がありません！(1 *)"},
        {"1 + * 2", "演算子 * の前後に値がありません！(1 + * 2)"},
        {"sys.hp", "オブジェクト \"sys.\" に hp はありません！"},
    };
    for (const ErrorCase& c : cases) {
        s_Boxes.clear();
        m_Scene->m_StageVars[3] = -4;
        EXPECT_FALSE(EvaluateExpression(c.text, m_Self)) << c.text;
        if (c.box) {
            ASSERT_EQ(s_Boxes.size(), 1u) << c.text;
            EXPECT_EQ(s_Boxes[0], c.box);
        } else {
            EXPECT_TRUE(s_Boxes.empty()) << c.text;
        }
        EXPECT_EQ(m_Scene->m_StageVars[3], -4) << c.text;
    }
    // What was assigned before the error stays; no gauge is shown.
    EXPECT_FALSE(EvaluateExpression("hp = 30 + (C1 = 4) + (2 / 0)", m_Self));
    EXPECT_EQ(g_SaveData.m_vnCommonVars[1], 4);
    EXPECT_EQ(m_Self.m_HPGauge.nFrames, 0);
}

TEST(FlowStrings, Sync) {
    std::string s("ab\0cd", 5);
    EXPECT_EQ(SyncStringLength(s), 2);
    EXPECT_EQ(s, "ab");
}

// Random word salads and every prefix of real texts: each ends as a value or an error.
TEST_F(FlowEvaluatorTest, CodeTextsPastTheirBoundAreNotRun) {
    const std::size_t bound = PlayBoundLimit(PlayBound::CodeText);
    const std::string sum = "C7 = 1 + 1 + 1"; // spaces are words' separators: padding changes nothing
    const struct {
        std::string text;
        bool run;
    } cases[] = {
        {sum + std::string(bound - sum.size(), ' '), true},
        {sum + std::string(bound - sum.size() + 1, ' '), false},
        {sum + std::string(bound - sum.size(), ' ') + std::string(1, '\0') + "xx", true}, // cut at its NUL
    };
    for (const auto& c : cases) {
        g_SaveData.m_vnCommonVars[7] = 0;
        EXPECT_EQ(EvaluateExpression(c.text, m_Self), c.run) << c.text.size();
        EXPECT_EQ(g_SaveData.m_vnCommonVars[7], c.run ? 3 : 0) << c.text.size();
    }
}

TEST_F(FlowEvaluatorTest, RandomAndTruncatedTextsNeverCrash) {
    cObjectLinks::SetTarget(m_Self, &m_Other);
    const std::string pieces[] = {"(",           ")",
                                  " ",           "rand(",
                                  ",",           "=",
                                  "+",           "-",
                                  "*",           "/",
                                  "%",           "my.",
                                  "tg.",         "pl.",
                                  "sys.",        "x.",
                                  "hp",          "mhp",
                                  "sight",       "imp",
                                  "v9",          "C",
                                  "S",           "C999",
                                  "S-1",         "2147483647",
                                  "-2147483648", "0",
                                  "7",           "life",
                                  "time",        ".",
                                  "\xff",        std::string(1, '\0')};
    const std::string samples[] = {"my.hp = my.hp + rand(1, (C2 * 3)) % 7",
                                   "S3 = (tg.mhp - (pl.hp / 2)) * rand(-5, 5)",
                                   "score = score + rand(rand(1, 2), rand(3, 4))"};
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    int errors = 0;
    for (int n = 0; n < 3000; ++n) {
        std::string text;
        const int words = static_cast<int>(next() % 16);
        for (int w = 0; w < words; ++w)
            text += pieces[next() % (sizeof(pieces) / sizeof(pieces[0]))];
        m_Self.m_nHP = 20;
        if (!EvaluateExpression(text, m_Self)) ++errors;
        EXPECT_GE(m_Self.m_nHP, 0);
        EXPECT_LE(m_Self.m_nHP, static_cast<int>(m_Self.m_Def.m_nMaxHP));
    }
    for (const std::string& s : samples)
        for (std::size_t len = 0; len <= s.size(); ++len)
            if (!EvaluateExpression(s.substr(0, len), m_Self)) ++errors;
    std::string deep(5000, '(');
    EXPECT_FALSE(EvaluateExpression(deep + "1" + std::string(5000, ')'), m_Self));
    EXPECT_GT(errors, 0);
}

} // namespace
