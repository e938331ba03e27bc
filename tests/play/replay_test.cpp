#include "play/replay.h"

#include "fixtures/bytes.h"
#include "project/save_data.h"
#include "project/stage_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

TEST(Replay, RunLengthRecording) {
    cReplay r;
    for (int i = 0; i < 1000; ++i)
        r.RecordFrame(2, static_cast<std::uint16_t>(i < 10 ? 1 : 0));
    ASSERT_EQ(r.m_Directions.size(), 1u);
    EXPECT_EQ(r.m_DirectionRuns[0], 1000u);
    ASSERT_EQ(r.m_Buttons.size(), 2u);
    EXPECT_EQ(r.m_ButtonRuns[0], 10u);
    EXPECT_EQ(r.m_ButtonRuns[1], 990u);
}

TEST(Replay, PlaybackEndsAtTheShorterStream) {
    cReplay r;
    r.RecordFrame(1, 8);
    r.RecordFrame(1, 8);
    r.RecordFrame(4, 8);
    // The button stream loses its last run: it now ends after two frames.
    r.m_ButtonRuns[0] = 2;
    std::uint16_t d = 0, b = 0;
    ASSERT_EQ(r.PlayFrame(d, b), 0);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(b, 8);
    ASSERT_EQ(r.PlayFrame(d, b), 0);
    EXPECT_EQ(r.PlayFrame(d, b), 1);
    r.Rewind();
    ASSERT_EQ(r.PlayFrame(d, b), 0);
    EXPECT_EQ(d, 1);
}

TEST(Replay, CopiesAndResetsKeepTheirOwnPlayback) {
    cReplay a;
    a.m_nSeed = 77;
    a.RecordFrame(3, 0);
    std::uint16_t d, b;
    a.PlayFrame(d, b);
    cReplay c;
    c = a;
    EXPECT_EQ(c.m_nSeed, 77);
    EXPECT_EQ(c.PlayFrame(d, b), 0); // c starts from its first frame
    a.ResetRecordVectors();
    EXPECT_EQ(a.m_nSeed, 0);
    EXPECT_TRUE(a.m_Directions.empty());
    EXPECT_EQ(c.m_Directions.size(), 1u);
}

namespace {

class ReplayFile : public ::testing::Test {
  protected:
    void SetUp() override {
        g_nDataVersion = 732;
        replay.m_nSeed = 12345;
        replay.RecordFrame(2, 0);
        replay.RecordFrame(2, 1);
        snapshot.m_nLives = 7;
        snapshot.m_strStageName = "s.";
        // A stage that places a hero: a replay of any other cannot play.
        cEdCharaDef hero;
        hero.m_nController = 0;
        hero.m_nPictureNo = 1;
        running.m_Charas.push_back(hero);
    }
    fixtures::TempDir dir;
    cReplay replay;
    cEdStage running, original;
    cSaveData snapshot;
};

} // namespace

TEST_F(ReplayFile, WrittenAndReadBack) {
    const std::string path = dir.file("a.rpl4_732");
    original.m_PaletteCharas.resize(3);
    original.m_PaletteCharas[2].m_nMaxHP = 77;
    original.m_PaletteItems.resize(2);
    ASSERT_EQ(WriteReplayFile(replay, path, running, original, snapshot), 1);
    cReplay back;
    cEdStage r2, o2;
    cSaveData s2;
    ASSERT_EQ(ReadReplayFile(back, path, r2, o2, s2), 1);
    EXPECT_EQ(back.m_nSeed, 12345);
    EXPECT_EQ(back.m_Directions, replay.m_Directions);
    EXPECT_EQ(back.m_ButtonRuns, replay.m_ButtonRuns);
    EXPECT_EQ(s2.m_nLives, 7);
    EXPECT_EQ(s2.m_strStageName, "s.");
    // The stage's palettes come back for the summons and shot items of the play.
    ASSERT_EQ(r2.m_PaletteCharas.size(), 3u);
    EXPECT_EQ(r2.m_PaletteCharas[2].m_nMaxHP, 77u);
    EXPECT_EQ(r2.m_PaletteItems.size(), 2u);
    EXPECT_TRUE(o2.m_Charas.empty());

    // The replay part of the file: seed chunk, then the four arrays.
    const auto bytes = fixtures::ReadAll(path);
    fixtures::ByteWriter w;
    w.i32(1).i32(12345).i32(0).u32(1).i16(2).u32(2).i16(0).i16(1).u32(1).u32(2).u32(2).u32(1).u32(1);
    const auto& part = w.data();
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), part.begin(), part.end()), bytes.end());
}

// The whole file: version word, the stage as written for replays, the replay part written here by
// hand (seed chunk, four arrays), the snapshot.
TEST_F(ReplayFile, WholeFileLayout) {
    replay.ResetRecordVectors();
    replay.m_nSeed = -2;
    for (int i = 0; i < 1000; ++i)
        replay.RecordFrame(6, i < 998 ? 0 : 0x8001);
    const std::string path = dir.file("b.rpl4_732");
    ASSERT_EQ(WriteReplayFile(replay, path, running, original, snapshot), 1);

    auto partOf = [&](const std::function<bool(std::FILE*)>& write) {
        const std::string p = dir.file("part");
        std::FILE* fp = std::fopen(p.c_str(), "wb");
        EXPECT_TRUE(write(fp));
        std::fclose(fp);
        return fixtures::ReadAll(p);
    };
    fixtures::ByteWriter w;
    w.u32(732);
    const auto stage = partOf([&](std::FILE* fp) { return running.SaveForReplay(fp, original); });
    fixtures::ByteWriter rec;
    // Chunk: one field of 4 bytes, the seed, no texts; then the four arrays.
    rec.i32(1).i32(-2).i32(0);
    rec.u32(1).i16(6);
    rec.u32(2).i16(0).i16(static_cast<std::int16_t>(0x8001));
    rec.u32(1).u32(1000);
    rec.u32(2).u32(998).u32(2);
    const auto save = partOf([&](std::FILE* fp) { return snapshot.Save(fp); });
    fixtures::Bytes expected = w.data();
    expected.insert(expected.end(), stage.begin(), stage.end());
    expected.insert(expected.end(), rec.data().begin(), rec.data().end());
    expected.insert(expected.end(), save.begin(), save.end());
    EXPECT_EQ(fixtures::ReadAll(path), expected);
}

// Run lists that cannot have been recorded: a run of no frames, or fewer runs than values.
TEST_F(ReplayFile, ImpossibleRunsAreRefused) {
    auto fileWith = [&](const fixtures::ByteWriter& part) {
        const std::string path = dir.file("r.rpl4_732");
        const bool ok = SaveDataFile(path, [&](std::FILE* fp) {
            return running.SaveForReplay(fp, original) &&
                   WriteBytes(fp, part.data().data(), part.data().size()) && snapshot.Save(fp);
        });
        EXPECT_TRUE(ok);
        cReplay r;
        r.m_nSeed = 9;
        cEdStage a, b;
        cSaveData s;
        s.m_nLives = 4;
        const int result = ReadReplayFile(r, path, a, b, s);
        EXPECT_EQ(r.m_nSeed, 9);
        EXPECT_EQ(s.m_nLives, 4);
        return result;
    };
    fixtures::ByteWriter good, zeroRun, fewerRuns;
    good.i32(1).i32(3).i32(0).u32(1).i16(2).u32(1).i16(0).u32(1).u32(5).u32(1).u32(5);
    zeroRun.i32(1).i32(3).i32(0).u32(1).i16(2).u32(1).i16(0).u32(1).u32(5).u32(1).u32(0);
    fewerRuns.i32(1).i32(3).i32(0).u32(2).i16(2).i16(1).u32(1).i16(0).u32(1).u32(5).u32(1).u32(5);
    EXPECT_EQ(fileWith(zeroRun), 0);
    EXPECT_EQ(fileWith(fewerRuns), 0);
    // The same file with sound runs loads (the check above is not vacuous).
    const std::string path = dir.file("r.rpl4_732");
    ASSERT_TRUE(SaveDataFile(path, [&](std::FILE* fp) {
        return running.SaveForReplay(fp, original) &&
               WriteBytes(fp, good.data().data(), good.data().size()) && snapshot.Save(fp);
    }));
    cReplay r;
    cEdStage a, b;
    cSaveData s;
    ASSERT_EQ(ReadReplayFile(r, path, a, b, s), 1);
    EXPECT_EQ(r.m_nSeed, 3);
    EXPECT_EQ(r.m_ButtonRuns, std::vector<std::uint32_t>{5});
}

// Replays that read whole but cannot play are refused, leaving everything as it was: a zeroed file
// (its stage places no hero and it holds no frame), a stage without a hero, no recorded frame.
TEST_F(ReplayFile, ReplaysThatCannotPlayAreRefused) {
    auto refused = [&](const std::string& path) {
        cReplay r;
        r.m_nSeed = 9;
        cEdStage a, b;
        cSaveData s;
        s.m_nLives = 4;
        if (ReadReplayFile(r, path, a, b, s)) return false;
        EXPECT_EQ(r.m_nSeed, 9);
        EXPECT_EQ(s.m_nLives, 4);
        EXPECT_TRUE(a.m_Charas.empty());
        return true;
    };
    EXPECT_TRUE(refused(M4_SOURCE_DIR "/tests/data/damaged/zero.rpl4_732"));
    const std::string path = dir.file("c.rpl4_732");
    cEdStage noHero;
    ASSERT_EQ(WriteReplayFile(replay, path, noHero, original, snapshot), 1);
    EXPECT_TRUE(refused(path));
    cReplay empty;
    ASSERT_EQ(WriteReplayFile(empty, path, running, original, snapshot), 1);
    EXPECT_TRUE(refused(path));
    // A sound replay under a version word no player writes.
    ASSERT_EQ(WriteReplayFile(replay, path, running, original, snapshot), 1);
    const fixtures::Bytes bytes = fixtures::ReadAll(path);
    for (const std::uint32_t version : {0u, 733u}) {
        fixtures::Bytes copy = bytes;
        for (int i = 0; i < 4; ++i)
            copy[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(version >> (8 * i));
        fixtures::WriteAll(path, copy);
        EXPECT_TRUE(refused(path)) << version;
    }
    ASSERT_EQ(WriteReplayFile(replay, path, running, original, snapshot), 1);
    EXPECT_FALSE(refused(path));
}

TEST_F(ReplayFile, OldFilesHaveNoSnapshot) {
    const std::string path = dir.file("old.rpl4_172");
    g_nDataVersion = 172;
    cEdStage stage172 = running;
    std::FILE* fp = OpenDataFileWrite(path.c_str());
    ASSERT_NE(fp, nullptr);
    ASSERT_TRUE(stage172.Save(fp));
    // Files of that version had no end marker after the stage.
    std::fseek(fp, -4, SEEK_CUR);
    ASSERT_TRUE(replay.Save(fp));
    CloseDataFile(fp);
    g_nDataVersion = 732;
    cReplay back;
    cEdStage r2, o2;
    cSaveData s2;
    s2.m_nLives = 3;
    ASSERT_EQ(ReadReplayFile(back, path, r2, o2, s2), 1);
    EXPECT_EQ(back.m_nSeed, 12345);
    EXPECT_EQ(s2.m_nLives, 3);
}

TEST_F(ReplayFile, FailuresChangeNothing) {
    cReplay back;
    back.m_nSeed = 5;
    cEdStage r2, o2;
    cSaveData s2;
    EXPECT_EQ(ReadReplayFile(back, dir.file("missing"), r2, o2, s2), 0);
    const std::string path = dir.file("a.rpl4_732");
    ASSERT_EQ(WriteReplayFile(replay, path, running, original, snapshot), 1);
    const auto whole = fixtures::ReadAll(path);
    fixtures::DamageFile(
        path, whole,
        [&](const std::string& p, std::size_t n) {
            cReplay r;
            r.m_nSeed = 5;
            cEdStage a, b;
            cSaveData s;
            if (!ReadReplayFile(r, p, a, b, s)) {
                EXPECT_EQ(r.m_nSeed, 5) << n;
            }
        },
        100, 1);
    EXPECT_EQ(WriteReplayFile(replay, dir.file("no/such/folder/x"), running, original, snapshot), 0);
}

TEST_F(ReplayFile, DefaultNames) {
    EXPECT_EQ(DefaultReplayName(""), "");
    fixtures::ScopedCurrentDir cd(dir.path());
    std::filesystem::create_directories(dir.path() / "user_data" / "rpl4");
    EXPECT_EQ(DefaultReplayName("data\\stg4\\c01.stg4_002"), "c01_00.rpl4_732");
    fixtures::WriteAll((dir.path() / "user_data" / "rpl4" / "c01_00.rpl4_732").string(), {1});
    EXPECT_EQ(DefaultReplayName("c01.stg4_002"), "c01_01.rpl4_732");
    // Two digits of 0-8 each: with _00.._87 taken (no 9 anywhere) the next free name is _88, and
    // once that is taken too, _88 is offered again.
    auto write = [&](const std::string& digits) {
        fixtures::WriteAll((dir.path() / "user_data" / "rpl4" / ("c01_" + digits + ".rpl4_732")).string(),
                           {1});
    };
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j)
            if (i * 10 + j != 88) write(std::to_string(i) + std::to_string(j));
    EXPECT_EQ(DefaultReplayName("c01.stg4_002"), "c01_88.rpl4_732");
    write("88");
    EXPECT_EQ(DefaultReplayName("c01.stg4_002"), "c01_88.rpl4_732");
    // A name given back in the middle is the one offered.
    std::filesystem::remove(dir.path() / "user_data" / "rpl4" / "c01_45.rpl4_732");
    EXPECT_EQ(DefaultReplayName("c01.stg4_002"), "c01_45.rpl4_732");
}
