// The number formats of the result and ranking screens, and the result window's layout.
#include "menus/result_window.h"

#include "app/scene.h"
#include "app/startup_state.h"
#include "menus/ranking_draw.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(ResultFormats, DigitsAndPaddedNumbers) {
    struct Digits {
        std::int32_t v;
        int n;
    };
    for (const Digits d : {Digits{0, 1}, Digits{9, 1}, Digits{10, 2}, Digits{-7, 1}, Digits{-100, 3},
                           Digits{1234567890, 10}, Digits{INT_MAX, 10}, Digits{INT_MIN, 10}})
        EXPECT_EQ(CountDigits(d.v), d.n) << d.v;

    struct Padded {
        std::int32_t v;
        int width, zero, plus;
        const char* text;
    };
    const Padded cases[] = {
        {5, 3, 1, 0, "005"},
        {5, 3, 0, 0, "  5"},
        {0, 3, 0, 0, "  0"},
        {-42, 4, 1, 0, "-0042"},
        {42, 4, 0, 1, "+  42"},
        {123456, 2, 1, 0, "123456"},
        {7, 0, 0, 0, "7"},
        {INT_MIN, 0, 0, 0, "-2147483648"},
        {INT_MAX, 12, 1, 1, "+002147483647"},
    };
    for (const Padded& p : cases) {
        std::string out;
        FormatPaddedNumber(out, p.v, p.width, p.zero, p.plus);
        EXPECT_EQ(out, p.text) << p.v;
    }
}

TEST(ResultFormats, ScoreTimes) {
    struct Case {
        std::int32_t t;
        const char* text;
    };
    for (const Case c : {Case{12345, "02:03.45"}, Case{599999, "99:59.99"}, Case{0, "00:00.00"},
                         Case{100 * 60 * 120 + 5, "120:00.05"}}) {
        std::string out;
        FormatScoreTime(out, c.t);
        EXPECT_EQ(out, c.text) << c.t;
    }
}

namespace {

class ResultLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        g_SystemData.SetDefaults();
        g_Stage.m_ResultItems.assign(5, 1);
        g_nGameMode = 0;
        g_bStartFile = 0;
    }
    void TearDown() override {
        g_SystemData.SetDefaults();
        g_Stage.m_ResultItems.assign(5, 1);
        g_bStartFile = 0;
    }
};

} // namespace

TEST_F(ResultLayout, ClearTimeAloneIsEightDigitsWide) {
    g_Stage.m_ResultItems = {0, 0, 1, 0, 0};
    const cResultLayout l = StageResultLayout({123456789, 5, 4000, 3, 2});
    EXPECT_EQ(l.items, std::vector<int>{2});
    EXPECT_EQ(l.labelWidth, 5); // "クリア時間"
    EXPECT_EQ(l.valueWidth, 8);
    EXPECT_EQ(l.width, 16 * (5 + 11));
    EXPECT_EQ(l.height, 16);
}

TEST_F(ResultLayout, ItemsFollowTheStageAndTheGameMode) {
    g_Stage.m_ResultItems = {1, 1, 0, 1, 1};
    g_SystemData.m_vRankingModes.at(0).m_vbGenres.assign({1, 0, 1, 1, 1});
    cResultLayout l = StageResultLayout({12, 99999, 0, -1234, 5});
    EXPECT_EQ(l.items, (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(l.valueWidth, 4); // the time's five digits are not shown
    // A started file shows every item the stage shows.
    g_bStartFile = 1;
    l = StageResultLayout({12, 99999, 0, -1234, 5});
    EXPECT_EQ(l.items, (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(l.valueWidth, 5);
    // Nothing shown: nothing to draw.
    g_Stage.m_ResultItems.assign(5, 0);
    EXPECT_TRUE(StageResultLayout({1, 2, 3, 4, 5}).items.empty());
}
