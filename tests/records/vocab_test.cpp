// Vocabularies, shot descriptors and the small rectangle and list routines.
#include <gtest/gtest.h>

#include "records/param_tables.h"
#include "records/rect_list.h"
#include "records/vocab_defs.h"
#include "records/vocab_flow.h"

namespace {

TEST(Vocab, SizesAndClosingText) {
    struct Expect {
        const VocabTable& table;
        int size;
    };
    const Expect tables[] = {
        {VocabFlowTrigger(), 20},      {VocabConditionKind(), 8},
        {VocabCompareOp(), 8},         {VocabCharaVarNames(), 8},
        {VocabDistanceAxis(), 7},      {VocabKeyState(), 3},
        {VocabFlowLettersUpper(), 27}, {VocabFlowLettersLower(), 27},
        {VocabFlowOperation(), 6},     {VocabMessagePosition(), 9},
        {VocabParamLinkOp(), 7},       {VocabVariableScope(), 3},
        {VocabShowHide(), 3},          {VocabNumberedWithNone(), 9},
        {VocabHeroAction(), 6},        {VocabEnlarge(), 10},
        {VocabEnlargeNoNone(), 9},     {VocabDirection(), 13},
        {VocabFacingChange(), 6},      {VocabHitLevel(), 19},
        {VocabHitLevel2(), 6},         {VocabColourNames(), 10},
        {FileExtTable(), 4},           {VocabShotFormation(), 6},
        {VocabShotMoveKind(), 10},     {VocabItemFlowChangeList(), 27},
    };
    for (const Expect& e : tables) {
        EXPECT_EQ(VocabSize(e.table), e.size);
        ASSERT_FALSE(e.table.empty());
        EXPECT_EQ(e.table.back(), "");
    }
}

TEST(Vocab, SampleTexts) {
    EXPECT_EQ(VocabFlowTrigger()[19], "なし（フローの操作コマンドで実行）");
    EXPECT_EQ(VocabFlowTrigger()[18], "ステージ開始前");
    EXPECT_EQ(VocabConditionKind()[0], "");
    EXPECT_EQ(VocabConditionKind()[7], "距離条件");
    EXPECT_EQ(VocabCompareOp()[7], "の倍数でない");
    EXPECT_EQ(VocabCharaVarNames()[7], "8 キャラ変数-8");
    EXPECT_EQ(VocabFlowLettersUpper()[26], "Z");
    EXPECT_EQ(VocabFlowLettersLower()[1], "a");
    EXPECT_EQ(VocabParamLinkOp()[6], "X ％");
    EXPECT_EQ(VocabParamLinkOp()[5], "÷ X の余り");
    EXPECT_EQ(VocabNumberedWithNone()[1], "0");
    EXPECT_EQ(VocabNumberedWithNone()[8], "7");
    EXPECT_EQ(VocabEnlarge()[1], "×4");
    EXPECT_EQ(VocabEnlargeNoNone()[0], "×4");
    EXPECT_EQ(VocabHitLevel()[9], "レベル10 (速度制限=600)");
    EXPECT_EQ(VocabHitLevel()[10], "レベル1 (速度制限=600)");
    EXPECT_EQ(VocabHitLevel()[18], "レベル9 (速度制限=600)");
    EXPECT_EQ(VocabDirection()[12], "入力方向");
    EXPECT_EQ(FileExtTable()[1], "stg4");
    EXPECT_EQ(VocabShotMoveKind()[7], "近いキャラへ誘導（対象死亡時、対象を変更）");
}

TEST(Vocab, StatusAndSwitchTables) {
    ASSERT_EQ(CharaStatusTable().size(), 15u);
    ASSERT_EQ(SystemStatusTable().size(), 5u);
    EXPECT_EQ(CharaStatusTable()[7].name, "マーク番号");
    EXPECT_EQ(CharaStatusTable()[7].values[2], -121);
    EXPECT_EQ(CharaStatusTable()[1].values[5], 1);
    EXPECT_EQ(CharaStatusTable()[5].values[6], 0);
    EXPECT_EQ(SystemStatusTable()[4].name, "残り人数");

    const std::vector<SwitchEntry>& sw = CharaSwitchTable();
    ASSERT_EQ(sw.size(), 9u);
    EXPECT_EQ(sw[0].texts, std::vector<std::string>{"ON"});
    EXPECT_EQ(sw[3].texts.size(), 4u);
    // "巨大化" counts from 1: value 1 is "しない", value 10 is "×100".
    const SwitchEntry& giant = sw[5];
    EXPECT_EQ(giant.name, "巨大化");
    EXPECT_EQ(giant.minimum, 1);
    EXPECT_EQ(giant.maximum, 10);
    EXPECT_EQ(giant.defaultValue, 1);
    ASSERT_EQ(giant.texts.size(), 10u);
    EXPECT_EQ(giant.texts[1 - giant.minimum], "しない");
    EXPECT_EQ(giant.texts[10 - giant.minimum], "×100");
    EXPECT_TRUE(sw[7].name.empty());
    EXPECT_TRUE(sw[8].texts.empty());
}

TEST(Vocab, ShotDescriptors) {
    ASSERT_EQ(ShotFormationParams().size(), 18u);
    ASSERT_EQ(ShotMoveParams().size(), 30u);
    EXPECT_EQ(ShotFormationParams()[3 * 2].maximum, 180);
    EXPECT_EQ(ShotFormationParams()[3 * 2].defaultValue, 30);
    EXPECT_EQ(ShotFormationParams()[3 * 3 + 1].name, "列の数");
    EXPECT_EQ(ShotFormationParams()[3 * 4].maximum, 0);
    EXPECT_EQ(ShotMoveParams()[3 * 7 + 1].defaultValue, 999);
    EXPECT_EQ(ShotMoveParams()[3 * 8 + 2].maximum, 359);
    EXPECT_EQ(ShotMoveParams()[0].name, "");
}

TEST(RectList, RectOverlap) {
    EXPECT_EQ(RectOverlap({0, 0, 10, 10}, {10, 10, 20, 20}), 1); // touching
    EXPECT_EQ(RectOverlap({0, 0, 10, 10}, {10.5, 0, 20, 10}), 0);
    EXPECT_EQ(RectOverlap({0, 0, 10, 10}, {0, 10.5, 10, 20}), 0);
    EXPECT_EQ(RectOverlap({0, 0, 10, 10}, {-5, -5, -0.5, 3}), 0);
    EXPECT_EQ(RectOverlap({2, 2, 3, 3}, {0, 0, 10, 10}), 1);
}

TEST(RectList, InitCounterRecord) {
    CounterRecord r;
    r.reserved = 7;
    InitCounterRecord(r, 1, 1, 42, 0);
    EXPECT_EQ(r.counter, 10);
    EXPECT_EQ(r.value, 42);
    EXPECT_EQ(r.reserved, 0);
    InitCounterRecord(r, 2, 1, 42, 0);
    EXPECT_EQ(r.counter, 0);
    InitCounterRecord(r, 1, 1, 42, 3);
    EXPECT_EQ(r.counter, 0);
    InitCounterRecord(r, 1, 0, 42, 0);
    EXPECT_EQ(r.counter, 0);
}

TEST(RectList, RemoveValue) {
    cCheckedVector<std::int32_t> v{5, 7, 5, 5, 9};
    EXPECT_EQ(RemoveValue(v, 4), 0);
    EXPECT_EQ(v.size(), 5u);
    EXPECT_EQ(RemoveValue(v, 5), 1);
    EXPECT_EQ(v, (cCheckedVector<std::int32_t>{7, 9}));
    cCheckedVector<std::int32_t> empty;
    EXPECT_EQ(RemoveValue(empty, 1), 0);
}

TEST(RectList, MapHitRange) {
    EXPECT_EQ(MapHitRange(0, 1), 3);
    EXPECT_EQ(MapHitRange(0, 0), 2);
    EXPECT_EQ(MapHitRange(4, 0), 7);
    EXPECT_EQ(MapHitRange(8, 1), 11);
    // Slots outside the first key group give the facing side instead of reading past the table.
    EXPECT_EQ(MapHitRange(9, 1), 3);
    EXPECT_EQ(MapHitRange(-1, 0), 2);
}

} // namespace
