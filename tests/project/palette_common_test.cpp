// The common palette file: layout, entry 0 reset, padding to two entries, cleared inherit flags and
// validation of the entries.
#include <gtest/gtest.h>

#include "fixtures/box_capture.h"
#include "project/common_palette.h"
#include "project/stage_file.h"
#include "records/def_test_util.h"

using namespace deftest;

namespace {

struct PaletteBody {
    std::vector<BlockSpec> blocks;
    std::vector<CharaSpec> charas;
    std::vector<ItemSpec> items;
};

Bytes WritePalette(const PaletteBody& p) {
    ByteWriter w;
    w.i32(0).i32(0); // the palette's own chunk: no fields, no strings
    w.u32(static_cast<std::uint32_t>(p.blocks.size()));
    for (const auto& b : p.blocks)
        WriteBlock(w, b);
    w.u32(static_cast<std::uint32_t>(p.charas.size()));
    for (const auto& c : p.charas)
        WriteChara(w, c);
    w.u32(static_cast<std::uint32_t>(p.items.size()));
    for (const auto& i : p.items)
        WriteItem(w, i);
    return w.data();
}

// Loads into g_CommonPalette, which is what selector 1 names while the entries load.
bool LoadCommon(const Bytes& body) {
    g_CommonPalette = cCommonPalette();
    return LoadBytes(g_CommonPalette, body);
}

class CommonPalette : public ::testing::Test {
  protected:
    void TearDown() override { g_CommonPalette = cCommonPalette(); }
};

} // namespace

TEST_F(CommonPalette, NewPaletteHoldsOneDefaultEntryPerList) {
    cCommonPalette palette;
    EXPECT_EQ(palette.m_Blocks.size(), 1u);
    EXPECT_EQ(palette.m_Charas.size(), 1u);
    EXPECT_EQ(palette.m_Items.size(), 1u);
    EXPECT_EQ(palette.FieldCount(), 0);
    EXPECT_EQ(palette.StringCount(), 0);
}

TEST_F(CommonPalette, OneStoredEntryBecomesTwoAndEntryZeroIsReset) {
    PaletteBody body;
    BlockSpec zero;
    zero.text = "x";
    zero.pictureNo = 6;
    zero.flags = std::vector<int>(11, 1);
    body.blocks = {zero};
    CharaSpec c0;
    c0.f[39] = 77;
    c0.text = "y";
    body.charas = {c0};
    ItemSpec i0;
    i0.z = 1;
    body.items = {i0, ItemSpec{}, ItemSpec{}};
    ASSERT_TRUE(LoadCommon(WritePalette(body)));
    ASSERT_EQ(g_CommonPalette.m_Blocks.size(), 2u);
    EXPECT_EQ(g_CommonPalette.m_Blocks[0].m_strText, "");
    EXPECT_EQ(g_CommonPalette.m_Blocks[0].m_nPictureNo, 0);
    EXPECT_EQ(g_CommonPalette.m_Blocks[0].m_nPassFaction, 255);
    EXPECT_EQ(g_CommonPalette.m_Blocks[0].m_InheritFlags, std::vector<std::uint8_t>(11, 0));
    ASSERT_EQ(g_CommonPalette.m_Charas.size(), 2u);
    EXPECT_EQ(g_CommonPalette.m_Charas[0].m_nMaxHP, 10u);
    EXPECT_EQ(g_CommonPalette.m_Charas[0].m_strText, "");
    ASSERT_EQ(g_CommonPalette.m_Items.size(), 3u);
    EXPECT_EQ(g_CommonPalette.m_Items[0].m_nZ, 6);
    // An empty list is filled to two default entries.
    body.blocks.clear();
    ASSERT_TRUE(LoadCommon(WritePalette(body)));
    EXPECT_EQ(g_CommonPalette.m_Blocks.size(), 2u);
}

TEST_F(CommonPalette, EntriesKeepWhatTheyInheritedButNoMarks) {
    PaletteBody body;
    BlockSpec source;
    source.pictureNo = 12;
    source.layer = 3;
    BlockSpec heir;
    heir.pictureNo = 1;
    heir.palette = 1;
    heir.entry = 1;
    heir.flags = std::vector<int>(11, 0);
    heir.flags[3] = 1; // layer
    body.blocks = {BlockSpec{}, source, heir};
    CharaSpec far;
    far.f[1] = 1;
    far.f[2] = 9; // beyond the character list
    far.flags = std::vector<int>(37, 1);
    body.charas = {CharaSpec{}, far};
    body.items = {ItemSpec{}, ItemSpec{}};
    ASSERT_TRUE(LoadCommon(WritePalette(body)));
    const cEdBlockDef& b = g_CommonPalette.m_Blocks[2];
    EXPECT_EQ(b.m_nLayer, 3);
    EXPECT_EQ(b.m_nPictureNo, 1);
    EXPECT_EQ(b.m_InheritFlags, std::vector<std::uint8_t>(11, 0));
    const cEdCharaDef& c = g_CommonPalette.m_Charas[1];
    EXPECT_EQ(c.m_nPalette, 0);
    EXPECT_EQ(c.m_nPaletteEntry, 0);
    EXPECT_EQ(c.m_InheritFlags, std::vector<std::uint8_t>(37, 0));
}

TEST_F(CommonPalette, SavedFileHasTheDocumentedLayout) {
    cCommonPalette palette;
    palette.m_Blocks[0].m_nPictureNo = 0;
    const Bytes saved = SavedBytes(palette);
    PaletteBody body;
    BlockSpec plain;
    plain.solidity = 0; // saved without a picture
    body.blocks = {plain, plain};
    body.charas = {CharaSpec{}, CharaSpec{}};
    body.items = {ItemSpec{}, ItemSpec{}};
    EXPECT_EQ(saved, WritePalette(body));
}

TEST_F(CommonPalette, MissingOrDamagedFileIsReported) {
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd(dir.path());
    fixtures::BoxCapture boxes;
    EXPECT_FALSE(LoadCommonPalette());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "data\\CommonPalette.cplt4 のロードに失敗！");

    Bytes file = {0xDC, 0x02, 0, 0};
    const Bytes body = WritePalette(PaletteBody{{BlockSpec{}}, {}, {}});
    file.insert(file.end(), body.begin(), body.end() - 6);
    fixtures::WriteAll(dir.file("data/CommonPalette.cplt4"), file);
    EXPECT_FALSE(LoadCommonPalette());
    EXPECT_EQ(boxes.texts().size(), 2u);

    file.insert(file.end(), body.end() - 6, body.end());
    fixtures::WriteAll(dir.file("data/CommonPalette.cplt4"), file);
    EXPECT_TRUE(LoadCommonPalette());
    EXPECT_EQ(g_CommonPalette.m_Blocks.size(), 2u);
}
