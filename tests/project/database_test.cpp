#include "project/project_database.h"

#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "fixtures/database_bytes.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::ByteWriter;
using namespace fixtures::db;

namespace {

// One database file: version word, u32 count, the records.
struct DbFile {
    explicit DbFile(int version = 732) { w.i32(version); }
    ByteWriter w;
};

class DatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_Database = cProjectDatabase();
        std::filesystem::create_directories(dir.path() / "data" / "database");
    }
    void TearDown() override { g_Database = cProjectDatabase(); }

    void Write(const std::string& name, const Bytes& bytes) {
        fixtures::WriteAll((dir.path() / "data" / "database" / name).string(), bytes);
    }

    // A complete database at 732, every file written by hand.
    void WriteProject() {
        {
            ByteWriter w;
            w.i32(732).u32(2);
            AnimeSet(w, 732, "none", 4, 8, 0, {{"立ち", {{1, 1, 0}}}});
            AnimeSet(w, 732, "hero", 5, 9, 1, {{"a", {{2, 3, 1}}}, {"b", {}}});
            Write("AnimeSet.dat", w.data());
        }
        {
            ByteWriter w;
            w.i32(732).u32(3);
            Anime(w, 732, "なし", {{7, 5, 0}, {8, 3, 0}});
            Anime(w, 732, "walk", {{1, 2, 0}, {2, 2, 1}, {3, 2, 0}}, -3, 9, 4);
            Anime(w, 732, "empty", {});
            Write("Anime.dat", w.data());
        }
        {
            ByteWriter w;
            w.i32(732).u32(2);
            CharaBmp(w, 732, 0, "", "");
            CharaBmp(w, 732, 5, "big", "bmp\\big.bmp", 1, 3);
            Write("Bmp_CharaExc.dat", w.data());
        }
        {
            ByteWriter w;
            w.i32(732).u32(1);
            SwordFrame f;
            f.offsetX = 4;
            f.mirrorX = 1;
            f.width = 20;
            f.height = 10;
            f.time = 2;
            SwordType(w, 732, 9, "sword", "l.bmp", "r.bmp", {f});
            Write("SwordType.dat", w.data());
        }
        {
            ByteWriter w;
            w.i32(732).u32(2);
            Effect(w, 732, 0, "", "", 32, 32, 0, {{4, 9}});
            Effect(w, 732, 6, "boom", "boom.bmp", 48, 40, 1, {{0, 1}, {1, 2}});
            Write("Effect.dat", w.data());
        }
        {
            ByteWriter w;
            w.i32(732).u32(3);
            EffectRecord(w, 7, {1, 2, 3, 4, 5}, "zero");
            EffectRecord(w, 1, {5, 0, 32}, "burst\r");
            EffectRecord(w, 4, {3, 10, 20, 2, 0}, "wave");
            Write("CharaEffect.dat", w.data());
        }
        {
            ByteWriter w;
            w.i32(732).u32(3);
            EffectRecord(w, 3, {}, "");
            EffectRecord(w, 1, {10, 1, 2, 3, 4}, "move");
            EffectRecord(w, 10, {2, 640, 0, 8}, "circle");
            Write("ScrEffect.dat", w.data());
        }
        for (const char* name : {"Picture.dat", "Sound.dat", "Bgm.dat"}) {
            ByteWriter w;
            w.i32(732).u32(2);
            Media(w, 732, 0, "", "");
            Media(w, 732, 3, std::string("m_") + name, std::string("f_") + name);
            Write(name, w.data());
        }
    }

    fixtures::TempDir dir;
};

} // namespace

TEST_F(DatabaseTest, DefaultContents) {
    cProjectDatabase db;
    EXPECT_EQ(db.m_AnimeSets.size(), 1u);
    ASSERT_EQ(db.m_Animes.size(), 2u);
    EXPECT_EQ(db.m_Animes.at(0).szName, "なし");
    EXPECT_EQ(db.m_Animes.at(1).szName, "アクションA");
    EXPECT_EQ(db.m_Animes.at(1).m_Frames.size(), 1u);
    EXPECT_EQ(db.m_Animes.at(1).bValueB, 1);
    EXPECT_EQ(db.m_CharaBmps.size(), 2u);
    EXPECT_EQ(db.m_CharaBmps.at(1).nCellBlocks, 2);
    EXPECT_EQ(db.m_SwordTypes.size(), 1u);
    EXPECT_EQ(db.m_SwordTypes.at(0).m_Frames.at(0).nTime, 1);
    EXPECT_EQ(db.m_Effects.at(0).nCellWidth, 32);
    EXPECT_EQ(db.m_Effects.at(0).nCellHeight, 32);
    EXPECT_TRUE(db.m_Effects.at(0).m_Frames.empty());
    EXPECT_EQ(db.m_CharaEffects.at(1).nKind, 1);
    EXPECT_EQ(db.m_ScrEffects.size(), 2u);
    EXPECT_EQ(db.m_Pictures.size(), 2u);
    EXPECT_EQ(db.m_Sounds.size(), 2u);
    EXPECT_EQ(db.m_Bgms.size(), 2u);
    EXPECT_TRUE(db.m_CharaEffectsRev.empty());
    const cEdAnimeSet& set = db.m_AnimeSets.at(0);
    EXPECT_EQ(set.nPatternOffsetA, 4);
    EXPECT_EQ(set.nPatternOffsetB, 8);
    ASSERT_EQ(set.m_Animes.size(), 4u);
    EXPECT_EQ(set.m_Animes.at(0).szName, "立ち");
    EXPECT_EQ(set.m_Animes.at(3).szName, "飛行移動");
}

TEST_F(DatabaseTest, LoadsAHandWrittenProjectAndBuildsTheTables) {
    WriteProject();
    fixtures::ScopedCurrentDir cd(dir.path());
    ASSERT_TRUE(LoadProjectDatabase());
    const cProjectDatabase& db = g_Database;

    ASSERT_EQ(db.m_AnimeSets.size(), 2u);
    EXPECT_EQ(db.m_AnimeSets.at(1).nPatternOffsetC, 1);
    EXPECT_EQ(db.m_AnimeSets.at(1).m_Animes.size(), 2u);
    EXPECT_EQ(db.m_AnimeSets.at(1).m_Animes.at(0).m_Frames.at(0).nTime, 3);
    ASSERT_EQ(db.m_Animes.size(), 3u);
    EXPECT_EQ(db.m_Animes.at(1).wValueA, -3);
    EXPECT_EQ(db.m_Animes.at(1).bValueB, 9);
    EXPECT_EQ(db.m_CharaBmps.at(1).CellSize(), 96);
    EXPECT_EQ(db.m_CharaBmps.at(1).szFileName, "bmp\\big.bmp");
    EXPECT_EQ(db.m_SwordTypes.at(0).nTag, 9);
    EXPECT_EQ(db.m_SwordTypes.at(0).szFileName2, "r.bmp");
    EXPECT_EQ(db.m_SwordTypes.at(0).m_Frames.at(0).bMirrorX, 1);
    EXPECT_EQ(db.m_Effects.at(1).nCellWidth, 48);
    EXPECT_EQ(db.m_Effects.at(1).bScalable, 1);
    EXPECT_EQ(db.m_Sounds.at(1).szFileName, "f_Sound.dat");
    EXPECT_EQ(db.m_Bgms.at(1).nTag, 3);
    // Carriage returns are stripped from loaded texts.
    EXPECT_EQ(db.m_CharaEffects.at(1).szName, "burst");
    // Entry 0 of both effect lists is "none" whatever the file says.
    EXPECT_EQ(db.m_CharaEffects.at(0).nKind, 0);
    EXPECT_EQ(db.m_ScrEffects.at(0).nKind, 0);

    // Animation table: record 0 shows its frames without time and loops.
    ASSERT_EQ(g_AnimeSeqTable.size(), 3u);
    EXPECT_EQ(g_AnimeSeqTable.at(0), (cAnimSeqFrames{{7, 0, 1}, {8, 0, 1}, {ANIM_CODE_LOOP, 0, 1}}));
    // Switchable from the first interruptible frame on; times x 6; ends.
    EXPECT_EQ(g_AnimeSeqTable.at(1),
              (cAnimSeqFrames{{1, 12, 0}, {2, 12, 1}, {3, 12, 1}, {ANIM_CODE_END, 0, 0}}));
    EXPECT_EQ(g_AnimeSeqTable.at(2), (cAnimSeqFrames{{ANIM_CODE_END, 0, 0}}));
    // Effect table: never switchable.
    ASSERT_EQ(g_EffectSeqTable.size(), 2u);
    EXPECT_EQ(g_EffectSeqTable.at(0), (cAnimSeqFrames{{4, 0, 1}, {ANIM_CODE_LOOP, 0, 1}}));
    EXPECT_EQ(g_EffectSeqTable.at(1), (cAnimSeqFrames{{0, 6, 0}, {1, 12, 0}, {ANIM_CODE_END, 0, 0}}));

    // Prepared effects: the reverse entries come from the working copies with start and end
    // exchanged; the database itself keeps its values.
    ASSERT_EQ(g_CharaEffectTable.size(), 3u);
    ASSERT_EQ(g_CharaEffectTableRev.size(), 3u);
    EXPECT_EQ(g_CharaEffectTable.at(2).m_lpSource, &db.m_CharaEffects.at(2));
    EXPECT_EQ(g_CharaEffectTable.at(2).m_nFrames, 18);
    EXPECT_EQ(g_CharaEffectTableRev.at(2).m_lpSource, &db.m_CharaEffectsRev.at(2));
    EXPECT_EQ(db.m_CharaEffectsRev.at(2).nParam[1], 20);
    EXPECT_EQ(db.m_CharaEffectsRev.at(2).nParam[2], 10);
    EXPECT_EQ(db.m_CharaEffects.at(2).nParam[1], 10);
    EXPECT_EQ(db.m_CharaEffectsRev.at(2).szName, "wave");
    // Screen "move" exchanges the start point with the end point.
    const cScrEffectRecord& moveRev = db.m_ScrEffectsRev.at(1);
    EXPECT_EQ(moveRev.nParam[1], 3);
    EXPECT_EQ(moveRev.nParam[2], 4);
    EXPECT_EQ(moveRev.nParam[3], 1);
    EXPECT_EQ(moveRev.nParam[4], 2);
    const cScrEffectRecord& circleRev = db.m_ScrEffectsRev.at(2);
    EXPECT_EQ(circleRev.nParam[1], 0);
    EXPECT_EQ(circleRev.nParam[2], 640);
    EXPECT_EQ(circleRev.nParam[3], 8);
    EXPECT_EQ(g_ScrEffectTableRev.at(2).m_bReverse, 1);
    EXPECT_EQ(g_ScrEffectTable.at(1).m_nKind, 1);
}

TEST_F(DatabaseTest, TopLevelListsKeepTheirElementsNestedListsAreEmptied) {
    WriteProject();
    // Anime.dat at version 54 stores no settings: the elements keep those of the defaults.
    ByteWriter w;
    w.i32(54).u32(3);
    Anime(w, 54, "a", {{1, 1, 0}});
    Anime(w, 54, "b", {});
    Anime(w, 54, "c", {{5, 7, 0}});
    Write("Anime.dat", w.data());
    fixtures::ScopedCurrentDir cd(dir.path());
    g_Database.m_Animes.at(1).wValueA = 42; // an existing element keeps what the file does not store
    ASSERT_TRUE(g_Database.Load());
    ASSERT_EQ(g_Database.m_Animes.size(), 3u);
    EXPECT_EQ(g_Database.m_Animes.at(1).wValueA, 42);
    EXPECT_EQ(g_Database.m_Animes.at(2).bValueB, 1); // appended default
    EXPECT_EQ(g_Database.m_Animes.at(2).wValueC, 0);
    EXPECT_TRUE(g_Database.m_Animes.at(1).m_Frames.empty());
    BuildAnimeTable(g_AnimeSeqTable);
    EXPECT_EQ(g_AnimeSeqTable.at(2).at(0), (cAnimFrame{5, 42, 0}));
}

TEST_F(DatabaseTest, AnimeSetUpgrades) {
    struct Case {
        int version;
        int stored;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {118, 2, {"s0", "s1", "飛行", "飛行移動"}},
        {125, 6, {"s0", "s1", "飛行", "飛行移動"}},
        {128, 6, {"s0", "s1", "s2", "s3", "s4", "s5"}},
    };
    for (const Case& c : cases) {
        WriteProject();
        std::vector<AnimeContent> animes;
        for (int i = 0; i < c.stored; ++i)
            animes.push_back({"s" + std::to_string(i), {{i, 1, 0}}});
        ByteWriter w;
        w.i32(c.version).u32(1);
        AnimeSet(w, c.version, "set", 3, 6, 99, animes);
        Write("AnimeSet.dat", w.data());
        fixtures::ScopedCurrentDir cd(dir.path());
        g_Database = cProjectDatabase();
        ASSERT_TRUE(g_Database.Load()) << c.version;
        const cEdAnimeSet& set = g_Database.m_AnimeSets.at(0);
        EXPECT_EQ(set.nPatternOffsetA, 3);
        EXPECT_EQ(set.nPatternOffsetC, c.version >= 119 ? 99 : 0) << c.version;
        ASSERT_EQ(set.m_Animes.size(), c.names.size()) << c.version;
        for (std::size_t i = 0; i < c.names.size(); ++i)
            EXPECT_EQ(set.m_Animes.at(int(i)).szName, c.names[i]);
        if (c.version == 118) {
            // The appended animations have one zero frame each.
            ASSERT_EQ(set.m_Animes.at(3).m_Frames.size(), 1u);
            EXPECT_EQ(set.m_Animes.at(3).m_Frames.at(0).nTime, 0);
        }
    }
}

TEST_F(DatabaseTest, TagsAndFieldsOfOlderVersions) {
    WriteProject();
    {
        // A sword type of 150: no tag, eight fields per frame, no mirroring.
        ByteWriter w;
        w.i32(150).u32(1);
        SwordFrame f;
        f.offsetX = 3;
        f.placement = 2;
        f.time = 4;
        SwordType(w, 150, 0, "old", "l", "r", {f});
        Write("SwordType.dat", w.data());
    }
    {
        // Effects of 152 carry a tag that is dropped.
        ByteWriter w;
        w.i32(152).u32(1);
        Effect(w, 152, 77, "e", "e.bmp", 16, 16, 0, {});
        Write("Effect.dat", w.data());
    }
    {
        // A special bitmap of 171: no cell fields.
        ByteWriter w;
        w.i32(171).u32(3);
        CharaBmp(w, 171, 5, "a", "a.bmp");
        CharaBmp(w, 171, 5, "b", "b.bmp");
        CharaBmp(w, 171, 5, "c", "c.bmp");
        Write("Bmp_CharaExc.dat", w.data());
    }
    {
        ByteWriter w;
        w.i32(152).u32(2);
        Media(w, 152, 5, "", "");
        Media(w, 152, 5, "s", "s.wav");
        Write("Sound.dat", w.data());
    }
    fixtures::ScopedCurrentDir cd(dir.path());
    ASSERT_TRUE(g_Database.Load());
    const cEdSwordType& sword = g_Database.m_SwordTypes.at(0);
    EXPECT_EQ(sword.nTag, 0);
    EXPECT_EQ(sword.szFileName, "l");
    const cEdSwordFrame& frame = sword.m_Frames.at(0);
    EXPECT_EQ(frame.nOffsetX, 3);
    EXPECT_EQ(frame.bMirrorX, 0);
    EXPECT_EQ(frame.nPlacement, 2);
    EXPECT_EQ(frame.nTime, 4);
    EXPECT_EQ(g_Database.m_Effects.at(0).nTag, 0);
    EXPECT_EQ(g_Database.m_Effects.at(0).nCellWidth, 16);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g_Database.m_CharaBmps.at(i).bCustomCell, 0);
        EXPECT_EQ(g_Database.m_CharaBmps.at(i).CellSize(), 32);
        EXPECT_EQ(g_Database.m_CharaBmps.at(i).nTag, 5);
    }
    EXPECT_EQ(g_Database.m_Sounds.at(1).nTag, 0);
    EXPECT_EQ(g_Database.m_Sounds.at(1).szFileName, "s.wav");
}

TEST_F(DatabaseTest, EffectRecordsOlderThan511TakeTheRoughnessDefaults) {
    struct Case {
        int version;
        int kind;
        std::vector<int> stored;
        std::vector<int> expected;
        bool screen;
    };
    const std::vector<Case> cases = {
        {510, 4, {5, 0, 32, 2, 0}, {5, 0, 32, 2, 2}, false},
        {511, 4, {5, 0, 32, 2, 0}, {5, 0, 32, 2, 0}, false},
        {510, 5, {5, 0, 32, 2, 0}, {5, 0, 32, 2, 2}, false},
        {510, 10, {5, 32, 0, 0, 0}, {5, 32, 0, 2, 0}, false},
        {510, 6, {5, 0, 0, 0, 0}, {5, 0, 0, 0, 0}, false},
        {300, 10, {10, 640, 0, 0, 7}, {10, 640, 0, 8, 7}, true},
        {300, 6, {10, 0, 640, 4, 0}, {10, 0, 640, 4, 8}, true},
        {300, 7, {10, 0, 480, 4, 0}, {10, 0, 480, 4, 10}, true},
        {511, 7, {10, 0, 480, 4, 0}, {10, 0, 480, 4, 0}, true},
    };
    for (const Case& c : cases) {
        WriteProject();
        ByteWriter w;
        w.i32(c.version).u32(2);
        EffectRecord(w, 0, {}, "");
        EffectRecord(w, c.kind, c.stored, "x");
        Write(c.screen ? "ScrEffect.dat" : "CharaEffect.dat", w.data());
        fixtures::ScopedCurrentDir cd(dir.path());
        g_Database = cProjectDatabase();
        ASSERT_TRUE(g_Database.Load());
        const int* p =
            c.screen ? g_Database.m_ScrEffects.at(1).nParam : g_Database.m_CharaEffects.at(1).nParam;
        EXPECT_EQ(std::vector<int>(p, p + 5), c.expected) << c.version << " kind " << c.kind;
    }
}

TEST_F(DatabaseTest, AMissingFileStopsTheLoadAndNamesThePath) {
    WriteProject();
    std::filesystem::remove(dir.path() / "data" / "database" / "Picture.dat");
    // Sound.dat holds one record: it must not be read.
    ByteWriter w;
    w.i32(732).u32(1);
    Media(w, 732, 0, "", "");
    Write("Sound.dat", w.data());
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    EXPECT_FALSE(LoadProjectDatabase());
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[0], "data\\database\\Picture.dat のロードに失敗！");
    EXPECT_EQ(boxes.texts()[1], "データベースの読み込みに失敗…");
    EXPECT_EQ(g_Database.m_Sounds.size(), 2u);
    // Lists read before it keep their loaded contents.
    EXPECT_EQ(g_Database.m_Animes.size(), 3u);
}

TEST_F(DatabaseTest, EmptyListsStillHaveTheirNoneEntry) {
    WriteProject();
    for (const char* name : {"CharaEffect.dat", "ScrEffect.dat", "Anime.dat", "Effect.dat"})
        Write(name, ByteWriter().i32(732).u32(0).data());
    fixtures::ScopedCurrentDir cd(dir.path());
    ASSERT_TRUE(LoadProjectDatabase());
    ASSERT_EQ(g_Database.m_CharaEffects.size(), 1u);
    EXPECT_EQ(g_Database.m_CharaEffects.at(0).nKind, 0);
    ASSERT_EQ(g_Database.m_ScrEffects.size(), 1u);
    EXPECT_EQ(g_CharaEffectTableRev.size(), 1u);
    ASSERT_EQ(g_AnimeSeqTable.size(), 1u);
    // The entry added is the list's default record: one blank frame.
    EXPECT_EQ(g_AnimeSeqTable.at(0), (cAnimSeqFrames{{0, 0, 1}, {ANIM_CODE_LOOP, 0, 1}}));
    ASSERT_EQ(g_EffectSeqTable.size(), 1u);
    EXPECT_EQ(g_EffectSeqTable.at(0), (cAnimSeqFrames{{ANIM_CODE_LOOP, 0, 1}}));
}

TEST_F(DatabaseTest, DamagedFilesFailWithTheirOwnMessage) {
    WriteProject();
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    for (const char* file : g_DatabaseFiles) {
        const std::string path = std::string(file).replace(4, 1, "/").replace(13, 1, "/");
        const Bytes whole = fixtures::ReadAll(path);
        ASSERT_FALSE(whole.empty()) << path;
        // Every strict prefix fails, naming the file; random flips never crash, and every list
        // keeps its entry 0 and the tables can be built.
        fixtures::DamageFile(
            path, whole,
            [&](const std::string&, std::size_t n) {
                g_Database = cProjectDatabase();
                const bool ok = g_Database.Load();
                if (n < whole.size()) {
                    EXPECT_FALSE(ok) << path << " " << n;
                    EXPECT_EQ(boxes.texts().back(), std::string(file) + " のロードに失敗！");
                }
                EXPECT_GE(g_Database.m_Animes.size(), 1u);
                EXPECT_GE(g_Database.m_ScrEffects.size(), 1u);
                g_Database.FillWorkingCopies();
                BuildAnimeTable(g_AnimeSeqTable);
                BuildEffectTable(g_EffectSeqTable);
                BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
                BuildScrEffectTables(g_ScrEffectTable, g_ScrEffectTableRev);
            },
            40);
        fixtures::WriteAll(path, whole);
    }
    // A count far beyond the file is refused without building the elements.
    fixtures::WriteAll("data/database/Anime.dat", ByteWriter().i32(732).u32(0x7FFFFFFF).data());
    g_Database = cProjectDatabase();
    EXPECT_FALSE(g_Database.Load());
}

TEST_F(DatabaseTest, OldestLayoutsOfTheMediaAndSwordRecords) {
    WriteProject();
    {
        // Before 138 a sword frame stores eight fields (no mirror switches).
        ByteWriter w;
        w.i32(137).u32(1);
        SwordFrame f;
        f.offsetX = 6;
        f.offsetY = 7;
        f.placement = 3;
        f.width = 11;
        f.time = 2;
        SwordType(w, 137, 0, "s", "l", "r", {f, f});
        Write("SwordType.dat", w.data());
    }
    for (const char* name : {"Picture.dat", "Sound.dat", "Bgm.dat"}) {
        // Before 151 a media record stores no field.
        ByteWriter w;
        w.i32(150).u32(2);
        Media(w, 150, 0, "", "");
        Media(w, 150, 0, "n", "file");
        Write(name, w.data());
    }
    {
        ByteWriter w;
        w.i32(150).u32(1);
        Effect(w, 150, 0, "e", "e.bmp", 24, 16, 1, {{3, 4}});
        Write("Effect.dat", w.data());
    }
    {
        // Before 152 a special bitmap stores no field.
        ByteWriter w;
        w.i32(151).u32(1);
        CharaBmp(w, 151, 0, "b", "b.bmp");
        Write("Bmp_CharaExc.dat", w.data());
    }
    fixtures::ScopedCurrentDir cd(dir.path());
    ASSERT_TRUE(g_Database.Load());
    const cEdSwordFrame& frame = g_Database.m_SwordTypes.at(0).m_Frames.at(1);
    EXPECT_EQ(frame.nOffsetX, 6);
    EXPECT_EQ(frame.nOffsetY, 7);
    EXPECT_EQ(frame.bMirrorY, 0);
    EXPECT_EQ(frame.nPlacement, 3);
    EXPECT_EQ(frame.nWidth, 11);
    EXPECT_EQ(frame.nTime, 2);
    EXPECT_EQ(g_Database.m_Pictures.at(1).szFileName, "file");
    EXPECT_EQ(g_Database.m_Bgms.at(1).szName, "n");
    const cEdEffect& effect = g_Database.m_Effects.at(0);
    EXPECT_EQ(effect.nCellWidth, 24);
    EXPECT_EQ(effect.bScalable, 1);
    EXPECT_EQ(effect.m_Frames.at(0).nTime, 4);
    EXPECT_EQ(g_Database.m_CharaBmps.at(0).szFileName, "b.bmp");
    // A saved record writes the current layout again.
    cEdSwordType sword = g_Database.m_SwordTypes.at(0);
    const std::string out = dir.file("sword.dat");
    ASSERT_TRUE(sword.SaveFile(out));
    ByteWriter expected;
    expected.i32(732);
    SwordFrame g = {6, 7, 0, 0, 3, 0, 0, 11, 0, 2};
    SwordType(expected, 732, 0, "s", "l", "r", {g, g});
    EXPECT_EQ(fixtures::ReadAll(out), expected.data());
}

TEST_F(DatabaseTest, TimesTooLargeForFramesSaturate) {
    g_Database.m_Animes.at(1).m_Frames.at(0).nTime = 0x7FFFFFFF;
    g_Database.m_CharaEffects.at(1).nParam[0] = -0x40000000;
    g_Database.FillWorkingCopies();
    BuildAnimeTable(g_AnimeSeqTable);
    BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
    EXPECT_EQ(g_AnimeSeqTable.at(1).at(0).nDuration, INT32_MAX);
    EXPECT_EQ(g_CharaEffectTable.at(1).m_nFrames, INT32_MIN);
}
