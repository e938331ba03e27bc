#include "project/save_data.h"

#include "app/scene.h"
#include "app/startup_state.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "platform/file_system.h"
#include "project/system_data.h"
#include "project/world_map.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::ByteWriter;

namespace {

class SaveData : public ::testing::Test {
  protected:
    void SetUp() override {
        g_SystemData = cSystemData();
        g_SystemData.m_nChallengeStages = 2;
        g_WorldMap = cWorldMap();
        g_SaveSlotList.clear();
        g_bStartFile = 0;
        g_nGameMode = 0;
    }
    void TearDown() override {
        g_SystemData = cSystemData();
        g_WorldMap = cWorldMap();
        g_SaveSlotList.clear();
    }
    fixtures::TempDir dir;
};

// The bytes of a save of the current version with values 1..32 in its fields.
Bytes HandWrittenSave() {
    ByteWriter w;
    w.i32(732).i32(32);
    for (int f = 1; f <= 32; ++f)
        w.i32(f == 2 ? 4 : f == 3 ? 5 : f == 24 ? 2 : f * 10);
    w.i32(3).str("c01.").str("").str("abc");
    w.i16(2009).i16(3).i16(1).i16(2).i16(7).i16(5).i16(9).i16(123);
    w.u32(25);
    for (int g = 0; g < 25; ++g)
        w.i32(g % 2);
    w.u32(0);                                                           // carry records
    w.u32(1).i32(1).i32(700).i32(1).str("c01.");                        // stage values
    w.u32(2).i32(2).i32(1).i32(700).i32(0).i32(2).i32(0).i32(0).i32(0); // challenge stages
    w.u32(1000).i32(1).i32(0).i32(1);                                   // stage flags
    for (int i = 3; i < 1000; ++i)
        w.i32(0);
    w.u32(256).i32(-5).i32(77); // common variables
    for (int i = 2; i < 256; ++i)
        w.i32(0);
    return w.data();
}

} // namespace

TEST_F(SaveData, SlotFileBytesAsLaidOut) {
    const std::string path = dir.file("Story01.dat");
    fixtures::WriteAll(path, HandWrittenSave());
    cSaveData s;
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.m_bCarryOver, 10);
    EXPECT_EQ(s.m_nMapX, 4);
    EXPECT_EQ(s.m_nStageNo, 60);
    EXPECT_EQ(s.m_nTotalHP, 150);
    EXPECT_EQ(s.m_nChallengeOpened, 2);
    EXPECT_EQ(s.m_nNextStartFacing, 320);
    EXPECT_EQ(s.m_strStageName, "c01.");
    EXPECT_EQ(s.g_strRankingName, "abc");
    EXPECT_EQ(s.m_Stamp.wYear, 2009);
    EXPECT_EQ(s.m_Stamp.wMilliseconds, 123);
    ASSERT_EQ(s.m_vnCarryFlags.size(), 25u);
    EXPECT_EQ(s.m_vnCarryFlags[1], 1);
    EXPECT_EQ(s.FindStageValue("c01."), 700);
    ASSERT_EQ(s.m_ChallengeStages.size(), 2u);
    EXPECT_EQ(s.m_ChallengeStages[0].w2, 700);
    ASSERT_EQ(s.m_vnCommonVars.size(), 256u);
    EXPECT_EQ(s.m_vnCommonVars[0], -5);
    EXPECT_EQ(s.m_vnCommonVars[1], 77);

    const std::string copy = dir.file("copy.dat");
    ASSERT_TRUE(s.SaveFile(copy));
    EXPECT_EQ(fixtures::ReadAll(copy), HandWrittenSave());
}

TEST_F(SaveData, OlderVersionsAreUpgraded) {
    // Version 165: no fields 15, 16, 19-23, 26, 29-32; no second text; no carry flags.
    ByteWriter w;
    w.i32(165).i32(20);
    for (int f = 1; f <= 20; ++f)
        w.i32(f);
    w.i32(2).str("old.").str("xyz");
    for (int i = 0; i < 8; ++i)
        w.i16(0);
    w.u32(0).u32(0).u32(0).u32(0).u32(0);
    const std::string path = dir.file("old.dat");
    fixtures::WriteAll(path, w.data());
    cSaveData s;
    s.m_nTotalHP = 9;
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.m_nStageBgmLoop, 1);
    EXPECT_EQ(s.m_nTotalHP, 0);
    EXPECT_EQ(s.g_strRankingName, "xyz");
    // Field 24 is the 17th stored field of version 165 (then cut to the two challenge stages).
    EXPECT_EQ(s.m_nChallengeOpened, 2);
    EXPECT_EQ(s.m_nLastSlot, 18);
    EXPECT_EQ(s.m_nRankingGenre, 20);
    EXPECT_EQ(s.m_vnCarryFlags, std::vector<std::int32_t>(25, 1));

    // Version 500 keeps every later field of its own but still gets 25 carry flags set.
    cSaveData t;
    g_nDataVersion = 500;
    t.m_vnCarryFlags.clear();
    ASSERT_TRUE(t.SaveFile(path));
    g_nDataVersion = 732;
    cSaveData u;
    ASSERT_TRUE(u.LoadFile(path));
    EXPECT_EQ(u.m_vnCarryFlags, std::vector<std::int32_t>(25, 1));
}

TEST_F(SaveData, NormalisingOnSave) {
    cSaveData s;
    s.m_nChallengeOpened = 12;
    g_SystemData.m_nChallengeStages = 10;
    s.m_nMapX = 25;
    ASSERT_TRUE(s.SaveFile(dir.file("n.dat")));
    EXPECT_EQ(s.m_nChallengeOpened, 10);
    EXPECT_EQ(s.m_ChallengeStages.size(), 10u);
    EXPECT_EQ(s.m_nMapX, g_WorldMap.startX);
}

TEST_F(SaveData, SlotNamesAndWrites) {
    EXPECT_EQ(cSaveData::SlotFileName(0), "user_data\\story\\Story01.dat");
    EXPECT_EQ(cSaveData::SlotFileName(9), "user_data\\story\\Story10.dat");
    fixtures::ScopedCurrentDir cd(dir.path());
    g_SaveSlotList.resize(3);
    cSaveData s;
    // Without the folder nothing is written and the slot stays unused.
    EXPECT_FALSE(s.WriteSlot(1));
    EXPECT_EQ(g_SaveSlotList[1].bUsed, 0);
    std::filesystem::create_directories(dir.path() / "user_data" / "story");
    s.m_nLives = 3;
    ASSERT_TRUE(s.WriteSlot(1));
    EXPECT_EQ(g_SaveSlotList[1].bUsed, 1);
    EXPECT_GE(g_SaveSlotList[1].stamp.wYear, 2020);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "user_data" / "story" / "Story02.dat"));

    // A write that fails midway keeps the slot as it was on disk.
    const Bytes before = fixtures::ReadAll((dir.path() / "user_data" / "story" / "Story02.dat").string());
    s.m_nLives = 9;
    fsys::SetWriteFaultForTests(fsys::WriteFault::Flush);
    EXPECT_FALSE(s.WriteSlot(1));
    fsys::SetWriteFaultForTests(fsys::WriteFault::None);
    EXPECT_EQ(fixtures::ReadAll((dir.path() / "user_data" / "story" / "Story02.dat").string()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "user_data" / "story"),
                            std::filesystem::directory_iterator()),
              1);

    cCheckedVector<cSaveSlotInfo> list(3);
    BuildSaveSlotList(list);
    EXPECT_EQ(list[0].bUsed, 0);
    EXPECT_EQ(list[1].bUsed, 1);
    EXPECT_EQ(list[1].stamp.wMinute, g_SaveSlotList[1].stamp.wMinute);
}

TEST_F(SaveData, LivesRulesAfterLoading) {
    fixtures::ScopedCurrentDir cd(dir.path());
    std::filesystem::create_directories(dir.path() / "user_data" / "story");
    std::filesystem::create_directories(dir.path() / "user_data" / "challenge");
    cSaveData s;
    s.m_nLives = UNLIMITED_LIVES;
    ASSERT_TRUE(s.WriteSlot(0));
    g_SystemData.m_vnStartLives.assign(4, 0);
    g_SystemData.m_vnStartLives[0] = 5;
    g_SystemData.m_vnInfiniteLives.assign(4, 0);
    cSaveData a;
    EXPECT_EQ(a.LoadSlot(0), 1);
    EXPECT_EQ(a.m_nLives, 5);

    g_SystemData.m_vnInfiniteLives[1] = 1;
    cSaveData b;
    EXPECT_EQ(b.LoadChallenge(), 0);
    ASSERT_TRUE(s.SaveFile("user_data\\challenge\\Challenge.dat"));
    EXPECT_EQ(b.LoadChallenge(), 1);
    EXPECT_EQ(b.m_nLives, UNLIMITED_LIVES);
    EXPECT_EQ(b.m_nStartLives, UNLIMITED_LIVES);
}

TEST_F(SaveData, StageNames) {
    cSaveData s;
    SetCurrentStageName(s, "c01-1.stg4");
    EXPECT_EQ(s.m_strStageName, "c01.");
    EXPECT_EQ(s.m_bNumberedStage, 1);
    SetCurrentStageName(s, "stage.stg4");
    EXPECT_EQ(s.m_strStageName, "stage.");
    EXPECT_EQ(s.m_bNumberedStage, 0);
    SetCurrentStageName(s, "stage-10.stg4");
    EXPECT_EQ(s.m_strStageName, "stage.");
    EXPECT_EQ(s.m_bNumberedStage, 1);
    SetCurrentStageName(s, "noextension");
    EXPECT_EQ(s.m_strStageName, "");
    SetCurrentStageName(s, nullptr);
    EXPECT_EQ(s.m_strStageName, "");
}

TEST_F(SaveData, StageValuesAndTheirTotal) {
    cSaveData s;
    s.RecordStageValue("a.", 500);
    EXPECT_EQ(s.m_nValueTotal, 500);
    s.RecordStageValue("a.", 300);
    EXPECT_EQ(s.m_nValueTotal, 500);
    s.RecordStageValue("a.", 700);
    EXPECT_EQ(s.m_nValueTotal, 700);
    EXPECT_EQ(s.FindStageValue("a."), 700);
    s.RecordStageValue("b.", 40);
    EXPECT_EQ(s.FindStageValue("zz."), 0);

    cWorldMapNode node;
    node.m_Entries[0].szTextB = "b.stg4";
    g_WorldMap.nodes.push_back(node);
    s.SumStageValues();
    EXPECT_EQ(s.m_nValueTotal, 40);
}

TEST_F(SaveData, StageStartRestoredByMode) {
    cSaveData s;
    s.m_vnCommonVars = {1, 2};
    s.m_nLives = 4;
    s.m_nTotalScore = 100;
    s.MarkStageStart();
    auto play = [&] {
        s.m_vnCommonVars = {9, 9};
        s.m_nLives = 1;
        s.m_nTotalScore = 555;
    };
    play();
    s.RestoreStageStart(true);
    EXPECT_EQ(s.m_vnCommonVars, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(s.m_nLives, 4);
    EXPECT_EQ(s.m_nTotalScore, 100);

    play();
    g_SystemData.m_nRestoreStory = 0;
    s.RestoreStageStart(false);
    EXPECT_EQ(s.m_nTotalScore, 100);
    EXPECT_EQ(s.m_vnCommonVars, (std::vector<std::int32_t>{9, 9}));
    EXPECT_EQ(s.m_nLives, 1);

    g_nGameMode = 1;
    g_SystemData.m_nRestoreChallenge = 1;
    s.RestoreStageStart(false);
    EXPECT_EQ(s.m_vnCommonVars, (std::vector<std::int32_t>{1, 2}));

    play();
    g_bStartFile = 1;
    g_SystemData.m_nRestoreStartFile = 0;
    s.RestoreStageStart(false);
    EXPECT_EQ(s.m_vnCommonVars, (std::vector<std::int32_t>{9, 9}));

    g_bStartFile = 0;
    g_nGameMode = 3;
    s.RestoreStageStart(false);
    EXPECT_EQ(s.m_vnCommonVars, (std::vector<std::int32_t>{1, 2}));
}

TEST_F(SaveData, CarryOverStoreLoadAndClear) {
    g_SystemData.m_vbCarryOver.assign(25, 0);
    g_SystemData.m_vbClearOnMiss.assign(25, 0);
    for (int g : {0, 4, 11, 13, 22})
        g_SystemData.m_vbCarryOver[g] = 1;
    g_SystemData.m_vbClearOnMiss[13] = 1;

    cSaveData s;
    cEdCharaDef hero;
    hero.m_nPictureNo = 0;
    hero.m_nPictureKind = 2;
    hero.m_nMaxHP = 77;
    hero.m_nMaxSP = 5;
    s.StoreCarryOver(0, hero, 11, 12, 300, 1, 0, 33, 44, 55);
    EXPECT_EQ(s.m_bCarryOver, 1);
    ASSERT_EQ(s.m_CarryRecords.size(), 1u);
    EXPECT_EQ(s.m_vnCarryFlags[13], 1);
    EXPECT_EQ(s.m_vnCarryFlags[14], 0);

    cEdCharaDef next;
    next.m_nMaxSP = 9;
    std::int32_t w3 = -1, w4 = -1;
    s.LoadCarryOver(0, next, &w3, &w4);
    EXPECT_EQ(next.m_nMaxHP, 77u);
    EXPECT_EQ(next.m_nMaxSP, 9u); // group 14 not carried
    EXPECT_EQ(next.m_nPictureKind, 2);
    EXPECT_EQ(next.m_nPictureNo, 1); // picture 0 comes back as 1
    EXPECT_EQ(next.m_nCharaEffect1, 300);
    EXPECT_EQ(w3, 33);
    EXPECT_EQ(w4, -1);
    std::int32_t c1 = 0, c2 = 0;
    s.LoadCarryOverCounters(0, c1, c2);
    EXPECT_EQ(c1, 11);
    EXPECT_EQ(c2, 0);

    s.ClearCarryOverFlags();
    cEdCharaDef after;
    s.LoadCarryOver(0, after);
    EXPECT_EQ(after.m_nMaxHP, 10u); // cleared on a miss: the default stays
    EXPECT_EQ(after.m_nCharaEffect1, 300);

    cSaveData none;
    cEdCharaDef untouched;
    none.LoadCarryOver(0, untouched); // no carry-over stored: nothing happens, no bad index
    EXPECT_EQ(untouched.m_nMaxHP, 10u);
}

TEST_F(SaveData, DamagedSlotsLoadSafely) {
    const Bytes whole = HandWrittenSave();
    const std::string path = dir.file("d.dat");
    fixtures::DamageFile(
        path, whole,
        [](const std::string& p, std::size_t) {
            cSaveData s;
            s.LoadFile(p);
            EXPECT_LE(s.m_ChallengeStages.size(), 2u);
        },
        200);
}

// A challenge progress that cannot be read (here its version word alone) is not played from: it is
// moved aside and told, and the caller starts afresh. A sound one is taken without a word.
TEST_F(SaveData, ADamagedChallengeFileIsKeptAsideAndTold) {
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    const auto folder = dir.path() / "user_data" / "challenge";
    std::filesystem::create_directories(folder);
    const Bytes damaged = fixtures::ReadAll(M4_SOURCE_DIR "/tests/data/damaged/Challenge.dat.trunc4");
    fixtures::WriteAll((folder / "Challenge.dat").string(), damaged);
    cSaveData s;
    EXPECT_EQ(s.LoadChallenge(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "Challenge.dat"));
    EXPECT_EQ(fixtures::ReadAll((folder / "Challenge.dat.bad").string()), damaged);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Challenge.dat.bad"), std::string::npos);

    fixtures::WriteAll((folder / "Challenge.dat").string(), HandWrittenSave());
    EXPECT_EQ(s.LoadChallenge(), 1);
    EXPECT_EQ(s.m_nChallengeOpened, 2);
    EXPECT_EQ(boxes.texts().size(), 1u);

    // Zeroed, its version word is none a player writes.
    fixtures::WriteAll((folder / "Challenge.dat").string(), Bytes(HandWrittenSave().size(), 0));
    EXPECT_EQ(s.LoadChallenge(), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "Challenge.dat.bad2"));
    // A progress that reads whole but stores fewer variables or flags than a project can name
    // gets the rest, so that no stage refers to one that is missing.
    ByteWriter w;
    w.i32(732).i32(0).i32(0).bytes(Bytes(16, 0)).u32(0).u32(0).u32(0).u32(0).u32(2).i32(1).i32(1).u32(0);
    fixtures::WriteAll((folder / "Challenge.dat").string(), w.data());
    ASSERT_EQ(s.LoadChallenge(), 1);
    EXPECT_EQ(s.m_vnStageFlags.size(), STAGE_FLAG_COUNT);
    EXPECT_EQ(s.m_vnStageFlags[1], 1);
    EXPECT_EQ(s.m_vnCommonVars.size(), COMMON_VARIABLE_COUNT);
}

// The slot list: a slot file that cannot be read (short, or empty) shows as an empty slot, is moved
// aside and told once; the sound slot beside it is listed.
TEST_F(SaveData, DamagedSlotFilesAreListedEmptyAndKeptAside) {
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    const auto folder = dir.path() / "user_data" / "story";
    std::filesystem::create_directories(folder);
    const Bytes whole = HandWrittenSave();
    fixtures::WriteAll((folder / "Story01.dat").string(), whole);
    fixtures::WriteAll((folder / "Story02.dat").string(), Bytes(whole.begin(), whole.end() - 1));
    fixtures::WriteAll((folder / "Story03.dat").string(), Bytes{});
    cCheckedVector<cSaveSlotInfo> list(4);
    BuildSaveSlotList(list);
    EXPECT_EQ(list[0].bUsed, 1);
    EXPECT_EQ(list[0].stamp.wYear, 2009);
    EXPECT_EQ(list[1].bUsed, 0);
    EXPECT_EQ(list[2].bUsed, 0);
    EXPECT_EQ(list[3].bUsed, 0);
    EXPECT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(fixtures::ReadAll((folder / "Story02.dat.bad").string()).size(), whole.size() - 1);
    EXPECT_TRUE(std::filesystem::exists(folder / "Story03.dat.bad"));
    BuildSaveSlotList(list);
    EXPECT_EQ(list[0].bUsed, 1);
    EXPECT_EQ(boxes.texts().size(), 2u);
}
