#include "project/world_map.h"

#include "fixtures/bytes.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::ByteWriter;

namespace {

struct Entry {
    int kind = 0, icon = 0, flag = 0, variable = 0, value = 0, op = 0, minimum = 0;
};

void WriteEntry(ByteWriter& w, int version, const Entry& e) {
    w.i32(version >= 209 ? 11 : 10);
    w.i32(e.kind).i32(e.icon).i32(1).i32(2).i32(3).i32(4).i32(e.flag).i32(e.variable).i32(e.value).i32(e.op);
    if (version >= 209) w.i32(e.minimum);
    w.i32(2).str("ta").str("");
}

void WriteNode(ByteWriter& w, int version, int x, int y, const std::string& name,
               const std::vector<Entry>& entries) {
    w.i32(2).i32(x).i32(y).i32(1).str(name);
    w.u32(static_cast<std::uint32_t>(entries.size()));
    for (const auto& e : entries)
        WriteEntry(w, version, e);
}

// A 3 x 2 map (pitch 4) with two tiles, written by hand.
// `cell` is the road tile's picture and every node entry's icon.
Bytes SmallMap(int version, int startX, std::vector<std::pair<int, int>> nodeCells, int minimum = 5,
               std::int64_t cell = 6) {
    ByteWriter w;
    w.i32(version);
    w.i32(8).i32(3).i32(2).i32(4).i32(2).i32(startX).i32(1).i32(16).i32(1);
    w.i32(2).str("map").str("bmp\\back.bmp");
    w.u32(2);
    w.i32(3).i32(0).i32(1).i32(0).i32(2).str("").str("wall");
    w.i32(3).i32(0).i32(0).i32(cell).i32(2).str("").str("road");
    w.u32(8);
    for (int c : {1, 0, 1, 0, 0, 7, 1, 0})
        w.i32(c);
    w.u32(static_cast<std::uint32_t>(nodeCells.size()));
    for (auto [x, y] : nodeCells)
        WriteNode(w, version, x, y, "n", {Entry{1, static_cast<int>(cell), 0, 0, 0, 0, minimum}});
    w.u32(1);
    WriteNode(w, version, 3, 0, "tmpl", {});
    return w.data();
}

class WorldMapFile : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    std::string path = dir.file("WorldMap.dat");
    cWorldMap map;
};

} // namespace

TEST(WorldMapGrid, DefaultsAreTheEditorsNewMap) {
    cWorldMap m;
    EXPECT_EQ(m.name, "ワールド");
    EXPECT_EQ(m.width, 20);
    EXPECT_EQ(m.height, 15);
    EXPECT_EQ(m.pitch, 32);
    EXPECT_EQ(m.pitchShift, 5);
    EXPECT_EQ(m.cells.size(), 480u);
    EXPECT_EQ(m.startX, 9);
    EXPECT_EQ(m.startY, 7);
    EXPECT_EQ(m.backColour, 16);
    ASSERT_EQ(m.tiles.size(), 10u);
    EXPECT_EQ(m.tiles[4].bBlocked, 1);
    EXPECT_EQ(m.tiles[5].bBlocked, 0);
    EXPECT_EQ(m.tiles[7].nPicture, 7);
    EXPECT_EQ(m.tiles[0].szName, "通行不可");
    EXPECT_EQ(m.tiles[9].szName, "通行可");
    EXPECT_TRUE(m.nodes.empty());
    ASSERT_EQ(m.templates.size(), 1u);
    EXPECT_EQ(m.templates[0].szName, "デフォルト");
    EXPECT_EQ(m.templates[0].m_Entries.size(), 1u);
}

TEST(WorldMapGrid, SetSizePitchAndKeptCells) {
    cWorldMap m;
    m.cells.clear();
    ASSERT_EQ(m.SetSize(33, 2), 1);
    EXPECT_EQ(m.pitch, 64);
    EXPECT_EQ(m.pitchShift, 6);
    ASSERT_EQ(m.SetSize(32, 2), 1);
    EXPECT_EQ(m.pitch, 32);
    ASSERT_EQ(m.SetSize(1, 1), 1);
    EXPECT_EQ(m.pitchShift, 0);
    EXPECT_EQ(m.SetSize(0, 5), 0);
    EXPECT_EQ(m.width, 1);

    cWorldMap g;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            g.cells[(y << 5) + x] = 100 * y + x;
    ASSERT_EQ(g.SetSize(10, 5), 1);
    EXPECT_EQ(g.pitch, 16);
    EXPECT_EQ(g.CellAt(9, 4), 409);
    EXPECT_EQ(g.CellAt(0, 3), 300);
    ASSERT_EQ(g.SetSize(20, 15), 1);
    EXPECT_EQ(g.CellAt(9, 4), 409);
    EXPECT_EQ(g.CellAt(10, 4), 0);
    EXPECT_EQ(g.CellAt(3, 5), 0);
}

TEST(WorldMapGrid, EntryComparisons) {
    EXPECT_TRUE(WorldMapCompare(0, 3, 3));
    EXPECT_TRUE(WorldMapCompare(1, 3, 4));
    EXPECT_TRUE(WorldMapCompare(2, 4, 4));
    EXPECT_FALSE(WorldMapCompare(3, 5, 4));
    EXPECT_TRUE(WorldMapCompare(4, 5, 4));
    EXPECT_TRUE(WorldMapCompare(5, 3, 4));
    EXPECT_TRUE(WorldMapCompare(6, -6, 3));
    EXPECT_TRUE(WorldMapCompare(6, 7, 0));
    EXPECT_FALSE(WorldMapCompare(7, 7, 0));
    EXPECT_TRUE(WorldMapCompare(7, 7, 3));
    EXPECT_FALSE(WorldMapCompare(8, 0, 0));
    EXPECT_TRUE(WorldMapCompare(6, INT32_MIN, -1));
}

TEST_F(WorldMapFile, LoadsAHandWrittenMap) {
    fixtures::WriteAll(path, SmallMap(732, 1, {{2, 1}, {0, 0}}));
    ASSERT_TRUE(map.LoadFile(path));
    EXPECT_EQ(map.width, 3);
    EXPECT_EQ(map.height, 2);
    EXPECT_EQ(map.pitch, 4);
    EXPECT_EQ(map.name, "map");
    EXPECT_EQ(map.backPicture, "bmp\\back.bmp");
    EXPECT_EQ(map.showBackPicture, 1);
    ASSERT_EQ(map.tiles.size(), 2u);
    EXPECT_EQ(map.tiles[1].nPicture, 6);
    EXPECT_EQ(map.tiles[1].szName, "road");
    EXPECT_EQ(map.CellAt(0, 0), 1);
    EXPECT_EQ(map.CellAt(2, 0), 1);
    // A cell naming tile 7 of two shows tile 0.
    EXPECT_EQ(map.CellAt(1, 1), 0);
    ASSERT_EQ(map.nodes.size(), 2u);
    ASSERT_NE(map.FindNode(2, 1), nullptr);
    EXPECT_EQ(map.FindNode(2, 1)->m_Entries[0].nMinimum, 5);
    EXPECT_EQ(map.FindNode(2, 1)->m_Entries[0].nValues[3], 4);
    EXPECT_EQ(map.FindNode(1, 1), nullptr);
    // The template outside the grid is kept.
    ASSERT_EQ(map.templates.size(), 1u);
    EXPECT_EQ(map.templates[0].x, 3);
}

TEST_F(WorldMapFile, StartAndNodesOutsideTheGridAreMended) {
    fixtures::WriteAll(path, SmallMap(732, 3, {{3, 0}, {1, 1}, {-1, 0}, {0, 2}}));
    ASSERT_TRUE(map.LoadFile(path));
    EXPECT_EQ(map.startX, 2);
    ASSERT_EQ(map.nodes.size(), 1u);
    EXPECT_EQ(map.nodes[0].x, 1);
}

TEST_F(WorldMapFile, OlderEntriesHaveNoMinimum) {
    fixtures::WriteAll(path, SmallMap(208, 0, {{0, 0}}, 0));
    ASSERT_TRUE(map.LoadFile(path));
    ASSERT_EQ(map.nodes.size(), 1u);
    EXPECT_EQ(map.nodes[0].m_Entries[0].nMinimum, 0);
    EXPECT_EQ(map.nodes[0].m_Entries[0].nOperator, 0);
}

TEST_F(WorldMapFile, SaveWritesTheSameBytes) {
    const Bytes original = SmallMap(732, 1, {{2, 1}});
    fixtures::WriteAll(path, original);
    ASSERT_TRUE(map.LoadFile(path));
    // Tile 7 became 0 on loading; everything else is written back as read.
    Bytes expected = original;
    const std::string copy = dir.file("copy.dat");
    ASSERT_TRUE(map.SaveFile(copy));
    Bytes saved = fixtures::ReadAll(copy);
    ASSERT_EQ(saved.size(), expected.size());
    int differing = 0;
    for (std::size_t i = 0; i < saved.size(); ++i)
        differing += saved[i] != expected[i];
    EXPECT_EQ(differing, 1);
}

TEST_F(WorldMapFile, MissingOrDamagedFilesLeaveASaneMap) {
    EXPECT_FALSE(map.LoadFile(dir.file("none.dat")));
    EXPECT_EQ(map.width, 20);

    const Bytes whole = SmallMap(732, 1, {{2, 1}, {0, 0}});
    fixtures::DamageFile(path, whole, [&](const std::string& p, std::size_t) {
        cWorldMap m;
        if (m.LoadFile(p)) {
            EXPECT_GE(m.width, 1);
            EXPECT_EQ(m.cells.size(), static_cast<std::size_t>(m.height) * m.pitch);
            for (int c : m.cells)
                EXPECT_TRUE(c >= 0 && c < m.tiles.Count());
        } else {
            EXPECT_EQ(m.width, 20);
            EXPECT_EQ(m.cells.size(), 480u);
        }
    });
}

// Sheet cells are drawn from (number x 32): a number no sheet could hold is read as cell 0, so the
// drawing never computes a position outside the integers.
TEST_F(WorldMapFile, PictureAndIconNumbersStayOnTheirSheets) {
    const std::int64_t cases[][2] = {{6, 6},  {65535, 65535}, {65536, 0},
                                     {-1, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        fixtures::WriteAll(path, SmallMap(732, 1, {{2, 1}}, 5, c[0]));
        cWorldMap m;
        ASSERT_TRUE(m.LoadFile(path));
        EXPECT_EQ(m.tiles[1].nPicture, c[1]);
        EXPECT_EQ(m.nodes[0].m_Entries[0].nIcon, c[1]);
    }
    // A demo map whose third node's entry holds random bytes from its kind to its values.
    ASSERT_TRUE(map.LoadFile(M4_SOURCE_DIR "/tests/data/damaged/WorldMap.dat.node-overflow"));
    for (const auto& node : map.nodes)
        for (const auto& entry : node.m_Entries) {
            EXPECT_GE(entry.nIcon, 0);
            EXPECT_LT(entry.nIcon, cWorldMap::MAX_SHEET_CELLS);
        }
}

// An emptied map file (every byte 0) stores no size: it is refused, as a short file is.
TEST_F(WorldMapFile, AZeroedFileIsRefused) {
    EXPECT_FALSE(map.LoadFile(M4_SOURCE_DIR "/tests/data/damaged/WorldMap.dat.zero"));
    EXPECT_EQ(map.width, 20);
    EXPECT_EQ(map.tiles.size(), 10u);
    // A chunk that stores the width alone is refused too.
    ByteWriter w;
    w.i32(732).i32(1).i32(5).i32(0).u32(0).u32(0).u32(0).u32(0);
    fixtures::WriteAll(path, w.data());
    EXPECT_FALSE(map.LoadFile(path));
}
