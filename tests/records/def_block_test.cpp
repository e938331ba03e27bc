// Block definitions: chunk bytes, the picture upgrade of older files, validation and inheritance.
#include <gtest/gtest.h>

#include "def_test_util.h"

using namespace deftest;

namespace {

cEdBlockDef BlockFrom(const BlockSpec& def, int version = 732) {
    ByteWriter w;
    WriteBlock(w, def);
    cEdBlockDef block;
    EXPECT_TRUE(LoadBytes(block, w.data(), version));
    return block;
}

} // namespace

TEST(BlockDef, ChunkBytesMatchTheDocumentedLayout) {
    BlockSpec def;
    def.palette = 0;
    def.entry = 0x0102;
    def.condMode = 1;
    def.condLatch = 1;
    def.pictureNo = 0x0304;
    def.pictureKind = 2;
    def.pictureArg = 0x0506;
    def.layer = 3;
    def.noDraw = 1;
    def.markMode = 1;
    def.markNo = 0x0708;
    def.solidity = 4;
    def.passFaction = 5;
    def.heroAction = 3;
    def.heroActionValue = 0x0A0B0C0D;
    def.itemPalette = 0;
    def.itemEntry = 0x0E0F;
    def.noOverwrite = 1;
    def.text = "abc";
    def.x = -2;
    def.y = 300;
    def.flags = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    ByteWriter w;
    WriteBlock(w, def);
    // 4 (nFields) + 26 field bytes + 4 (nStrings) + 8 ("abc") + 4 (x, y) + 4 + 11 flags + 4 conditions.
    ASSERT_EQ(w.size(), 65u);

    cEdBlockDef block;
    ASSERT_TRUE(LoadBytes(block, w.data()));
    EXPECT_EQ(block.m_nPaletteEntry, 0x0102);
    EXPECT_EQ(block.m_nPictureNo, 0x0304);
    EXPECT_EQ(block.m_nPictureArg, 0x0506);
    EXPECT_EQ(block.m_nMarkNo, 0x0708);
    EXPECT_EQ(block.m_nSolidity, 4);
    EXPECT_EQ(block.m_nPassFaction, 5);
    EXPECT_EQ(block.m_nHeroActionValue, 0x0A0B0C0Du);
    EXPECT_EQ(block.m_nItemEntry, 0x0E0F);
    EXPECT_EQ(block.m_nNoOverwrite, 1);
    EXPECT_EQ(block.m_strText, "abc");
    EXPECT_EQ(block.m_nX, -2);
    EXPECT_EQ(block.m_nY, 300);
    EXPECT_EQ(block.m_InheritFlags, (std::vector<std::uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(SavedBytes(block), w.data());
}

TEST(BlockDef, NewBlockHasTheDocumentedDefaultsAndSavesWithoutSolidity) {
    cEdBlockDef block;
    EXPECT_EQ(block.m_nSolidity, 1);
    EXPECT_EQ(block.m_nPassFaction, 255);
    EXPECT_EQ(block.m_InheritFlags.size(), 11u);
    // A block without picture is saved neither solid nor protected.
    block.m_nNoOverwrite = 1;
    BlockSpec def;
    def.solidity = 0;
    ByteWriter w;
    WriteBlock(w, def);
    EXPECT_EQ(SavedBytes(block), w.data());
    EXPECT_EQ(block.m_nSolidity, 0);
    EXPECT_EQ(block.m_nNoOverwrite, 0);
}

TEST(BlockDef, KindThreePicturesOfOlderFilesAreRenumbered) {
    BlockSpec def;
    def.pictureKind = 3;
    def.pictureNo = 119;
    EXPECT_EQ(BlockFrom(def, 218).m_nPictureNo, 119);
    def.pictureNo = 5;
    EXPECT_EQ(BlockFrom(def, 218).m_nPictureNo, 6);
    EXPECT_EQ(BlockFrom(def, 219).m_nPictureNo, 5);
    def.pictureKind = 2;
    EXPECT_EQ(BlockFrom(def, 218).m_nPictureNo, 5);
}

TEST(BlockDef, OnlyFlaggedGroupsAreInheritedAndPositionNever) {
    cCheckedVector<cEdBlockDef> common(3);
    cEdBlockDef& entry = common[2];
    entry.m_strText = "entry";
    entry.m_nPictureNo = 40;
    entry.m_nPictureKind = 1;
    entry.m_nPictureArg = 7;
    entry.m_nSolidity = 3;
    entry.m_nPassFaction = 2;
    entry.m_nLayer = 5;
    entry.m_Conditions.resize(2);
    entry.m_Conditions[1].m_nKind = 4;
    entry.m_nConditionMode = 1;
    TestEnv env;
    env.commonBlocks = &common;

    BlockSpec def;
    def.palette = 1;
    def.entry = 2;
    def.pictureNo = 9;
    def.text = "own";
    def.layer = 1;
    def.x = 12;
    def.y = 34;
    def.flags = {0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0};
    cEdBlockDef block = BlockFrom(def);
    EXPECT_EQ(block.m_strText, "own");
    EXPECT_EQ(block.m_nLayer, 1);
    EXPECT_EQ(block.m_nPassFaction, 255);
    EXPECT_EQ(block.m_nPictureNo, 40);
    EXPECT_EQ(block.m_nPictureKind, 1);
    EXPECT_EQ(block.m_nPictureArg, 7);
    EXPECT_EQ(block.m_nSolidity, 3);
    ASSERT_EQ(block.m_Conditions.size(), 2u);
    EXPECT_EQ(block.m_Conditions[1].m_nKind, 4);
    EXPECT_EQ(block.m_nConditionMode, 1);
    EXPECT_EQ(block.m_nX, 12);
    EXPECT_EQ(block.m_nY, 34);
    // The copy is deep: the entry's conditions are its own.
    block.m_Conditions[1].m_nKind = 2;
    EXPECT_EQ(entry.m_Conditions[1].m_nKind, 4);
}

TEST(BlockDef, ReferencesOutsideThePaletteBecomeNone) {
    cCheckedVector<cEdBlockDef> common(3);
    common[1].m_nLayer = 9;
    cCheckedVector<cEdItemDef> items(2);
    TestEnv env;
    env.commonBlocks = &common;
    env.commonItems = &items;

    BlockSpec def;
    def.pictureNo = 1;
    def.layer = 4;
    def.flags = std::vector<int>(11, 1);
    // An entry equal to the list's length: none, own members kept.
    def.palette = 1;
    def.entry = 3;
    cEdBlockDef block = BlockFrom(def);
    EXPECT_EQ(block.m_nPalette, 0);
    EXPECT_EQ(block.m_nPaletteEntry, 0);
    EXPECT_EQ(block.m_nLayer, 4);
    // Entry 0 names nothing.
    def.entry = 0;
    block = BlockFrom(def);
    EXPECT_EQ(block.m_nPalette, 1);
    EXPECT_EQ(block.m_nLayer, 4);
    // A negative entry is outside the list too.
    def.entry = -1;
    block = BlockFrom(def);
    EXPECT_EQ(block.m_nPalette, 0);
    EXPECT_EQ(block.m_nPaletteEntry, 0);
    EXPECT_EQ(block.m_nLayer, 4);
    // A selector outside 0-2 names no palette.
    def.palette = 3;
    def.entry = 1;
    block = BlockFrom(def);
    EXPECT_EQ(block.m_nPalette, 0);
    EXPECT_EQ(block.m_nPaletteEntry, 0);
    EXPECT_EQ(block.m_nLayer, 4);

    // Item references: outside or negative entries and unknown selectors become none.
    def.palette = 0;
    for (auto [sel, ent, keep] : {std::tuple{1, 1, true}, std::tuple{1, 2, false}, std::tuple{1, -3, false},
                                  std::tuple{-1, 1, false}, std::tuple{0, 7, true}}) {
        cEdBlockDef b;
        b.m_nItemPalette = static_cast<std::int8_t>(sel);
        b.m_nItemEntry = static_cast<std::int16_t>(ent);
        ValidateItemRef(b);
        EXPECT_EQ(b.m_nItemPalette, keep ? sel : 0) << sel << " " << ent;
        EXPECT_EQ(b.m_nItemEntry, keep ? ent : 0) << sel << " " << ent;
    }
}

TEST(BlockDef, FlagsBeyondTheGroupTableAreKeptButApplyNothing) {
    cCheckedVector<cEdBlockDef> stage(2);
    stage[1].m_nNoOverwrite = 1;
    stage[1].m_nPictureNo = 3;
    TestEnv env;
    env.stageBlocks = &stage;
    BlockSpec def;
    def.palette = 2;
    def.entry = 1;
    def.pictureNo = 5;
    def.flags = std::vector<int>(14, 0);
    def.flags[12] = 1;
    def.flags[13] = 1;
    cEdBlockDef block = BlockFrom(def);
    EXPECT_EQ(block.m_InheritFlags.size(), 14u);
    EXPECT_EQ(block.m_nNoOverwrite, 0);
    EXPECT_EQ(block.m_nPictureNo, 5);
    def.flags[10] = 1;
    EXPECT_EQ(BlockFrom(def).m_nNoOverwrite, 1);
}

TEST(BlockDef, DamagedChunksFailTheLoad) {
    ByteWriter w;
    WriteBlock(w, BlockSpec{});
    Bytes whole = w.data();
    for (std::size_t n = 0; n < whole.size(); ++n) {
        cEdBlockDef block;
        EXPECT_FALSE(LoadBytes(block, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n))))
            << n;
    }
    // A condition count far beyond the file's size.
    Bytes huge = whole;
    huge[huge.size() - 1] = 0x7F;
    cEdBlockDef block;
    EXPECT_FALSE(LoadBytes(block, huge));
}
