// File extensions, system-status ranges, shot descriptors and the small record routines.
#include <gtest/gtest.h>

#include "records/param_tables.h"
#include "records/rect_list.h"
#include "records/vocab_defs.h"
#include "records/vocab_flow.h"

namespace {

TEST(Vocab, FileExtensionsAndSystemStatusRanges) {
    const VocabTable& ext = FileExtTable();
    ASSERT_EQ(ext.size(), 5u);
    EXPECT_EQ(ext[1], "stg4");
    EXPECT_EQ(ext.back(), "");
    // The status commands keep a system status inside its own range: the time counts 0-999, the scroll
    // speeds -480-480, the lives 0-99.
    const std::vector<StatusEntry>& sys = SystemStatusTable();
    ASSERT_EQ(sys.size(), 5u);
    EXPECT_EQ(sys[0].values[1], 999);
    EXPECT_EQ(sys[1].values[0], -480);
    EXPECT_EQ(sys[4].name, "残り人数");
    EXPECT_EQ(sys[4].values[1], 99);
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
