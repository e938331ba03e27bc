// Item definitions: chunk layout, validation, inheritance and resolving an item reference.
#include <gtest/gtest.h>

#include "def_test_util.h"

using namespace deftest;

namespace {

cEdItemDef ItemFrom(const ItemSpec& def, int version = 732) {
    ByteWriter w;
    WriteItem(w, def);
    cEdItemDef item;
    EXPECT_TRUE(LoadBytes(item, w.data(), version));
    return item;
}

} // namespace

TEST(ItemDef, ChunkBytesMatchTheDocumentedLayout) {
    ItemSpec def;
    def.entry = 0x0102;
    def.condMode = 1;
    def.offsetX = -8;
    def.offsetY = 0x0304;
    def.pictureNo = 0x0506;
    def.pictureKind = 1;
    def.pictureArg = 0x0708;
    def.z = 2;
    def.transparent = 1;
    def.markMode = 1;
    def.markNo = 0x090A;
    def.takeMessage = 0; // stored before takeMode
    def.takeMode = 2;
    def.scale = 3;
    def.soundNo = 0x0B0C;
    def.text = "key";
    ByteWriter w;
    WriteItem(w, def);
    // nFields + 24 + nStrings + text (4 + 4) + x, y + 4 + 13 flags + two empty lists.
    ASSERT_EQ(w.size(), 4u + 24 + 4 + 8 + 4 + 4 + 13 + 8);
    cEdItemDef item;
    ASSERT_TRUE(LoadBytes(item, w.data()));
    EXPECT_EQ(item.m_nPaletteEntry, 0x0102);
    EXPECT_EQ(static_cast<std::int16_t>(item.m_nOffsetX), -8);
    EXPECT_EQ(item.m_nOffsetY, 0x0304);
    EXPECT_EQ(item.m_nPictureNo, 0x0506);
    EXPECT_EQ(item.m_nMarkNo, 0x090A);
    EXPECT_EQ(item.m_nTakeMessage, 0);
    EXPECT_EQ(item.m_nTakeMode, 2);
    EXPECT_EQ(item.m_nScale, 3);
    EXPECT_EQ(item.m_nSoundNo, 0x0B0C);
    EXPECT_EQ(SavedBytes(item), w.data());

    cEdItemDef fresh;
    ByteWriter d;
    WriteItem(d, ItemSpec{});
    EXPECT_EQ(SavedBytes(fresh), d.data());
}

TEST(ItemDef, SoundOutsideTheListAndZeroScaleAreReplaced) {
    TestEnv env;
    env.counts = {{DbList::Sounds, 4}};
    ItemSpec def;
    def.soundNo = 4;
    def.scale = 0;
    cEdItemDef item = ItemFrom(def);
    EXPECT_EQ(item.m_nSoundNo, 0);
    EXPECT_EQ(item.m_nScale, 1);
    def.soundNo = 3;
    EXPECT_EQ(ItemFrom(def).m_nSoundNo, 3);
    // Kind-3 pictures of older files are renumbered, as for blocks.
    def.pictureKind = 3;
    def.pictureNo = 10;
    EXPECT_EQ(ItemFrom(def, 218).m_nPictureNo, 11);
}

TEST(ItemDef, InheritanceCopiesFlaggedGroupsAndCommandsDeeply) {
    cCheckedVector<cEdItemDef> common(2);
    cEdItemDef& entry = common[1];
    entry.m_nOffsetY = 12;
    entry.m_nTakeMode = 1;
    entry.m_Commands.resize(1);
    entry.m_Commands[0].m_Params.assign(3, 5);
    TestEnv env;
    env.commonItems = &common;
    ItemSpec def;
    def.palette = 1;
    def.entry = 1;
    def.offsetX = 3;
    def.flags[3] = 1;  // offsetY
    def.flags[12] = 1; // commands
    cEdItemDef item = ItemFrom(def);
    EXPECT_EQ(item.m_nOffsetX, 3);
    EXPECT_EQ(item.m_nOffsetY, 12);
    EXPECT_EQ(item.m_nTakeMode, 0);
    ASSERT_EQ(item.m_Commands.size(), 1u);
    item.m_Commands[0].m_Params.assign(1, 9);
    EXPECT_EQ(entry.m_Commands[0].m_Params.size(), 3u);
}

TEST(ItemDef, PaletteRefValidNamesOnlyEntriesInsideTheList) {
    cCheckedVector<cEdItemDef> common(3);
    cCheckedVector<cEdItemDef> stage(2);
    TestEnv env;
    env.commonItems = &common;
    env.stageItems = &stage;
    EXPECT_EQ(PaletteRefValid(1, 0), &common[0]);
    EXPECT_EQ(PaletteRefValid(1, 2), &common[2]);
    EXPECT_EQ(PaletteRefValid(2, 1), &stage[1]);
    EXPECT_EQ(PaletteRefValid(2, 2), nullptr);
    EXPECT_EQ(PaletteRefValid(1, -1), nullptr);
    EXPECT_EQ(PaletteRefValid(0, 1), nullptr);
    EXPECT_EQ(PaletteRefValid(3, 1), nullptr);
    EXPECT_EQ(PaletteRefValid(-1, 1), nullptr);
}
