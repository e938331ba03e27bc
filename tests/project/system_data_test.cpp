#include "project/font_names.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/system_data.h"

#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "fixtures/system_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>

using fixtures::Bytes;
using fixtures::sys::SystemDat;
using fixtures::sys::Values;

namespace {

class SystemDataTest : public ::testing::Test {
  protected:
    void SetUp() override { g_Database = cProjectDatabase(); }
    void TearDown() override { g_SystemData = cSystemData(); }

    cSystemData LoadBytes(const Bytes& bytes, bool expectOk = true) {
        fixtures::WriteAll(path, bytes);
        cSystemData data;
        EXPECT_EQ(data.LoadFile(path), expectOk);
        return data;
    }

    fixtures::TempDir dir;
    std::string path = dir.file("System.dat");
};

std::vector<std::string> Numbered(const std::string& prefix, int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i)
        v.push_back(prefix + std::to_string(i));
    return v;
}

} // namespace

TEST_F(SystemDataTest, DefaultsOfANewProject) {
    const cSystemData d;
    EXPECT_EQ(d.CountEnabledEntries(3), 0);
    EXPECT_EQ(d.CountEnabledEntries(0), 5);
    ASSERT_EQ(d.m_vTitleMenu.size(), 7u);
    for (const cMenuItem& item : d.m_vTitleMenu)
        EXPECT_EQ(item.m_nShow, 1);
    EXPECT_EQ(d.m_vTitleMenu.at(6).m_strLabel, "しゅうりょう");
    ASSERT_EQ(d.m_vOptionMenu.size(), 6u);
    EXPECT_EQ(d.m_vOptionMenu.at(5).m_strLabel, "");
    EXPECT_EQ(d.m_vSaveMenu.at(1).m_strLabel, "オートセーブ");
    ASSERT_EQ(d.m_vstrTexts.size(), 28u);
    EXPECT_EQ(d.m_vstrTexts.at(16), "保存先が不明です！一度は「セーブ」して下さい！");
    EXPECT_EQ(d.m_vstrTexts.at(27), "F3キーでランキングへ登録");
    EXPECT_EQ(d.m_vstrSystemSounds.size(), 17u);
    ASSERT_EQ(d.m_vIniKeys.size(), 10u);
    EXPECT_EQ(d.m_vIniKeys.at(0).m_strName, "Direct3D");
    EXPECT_EQ(d.m_vIniKeys.at(0).m_nDefault, 2);
    EXPECT_EQ(d.m_vIniKeys.at(8).m_nKind, 1);
    EXPECT_EQ(d.m_vIniKeys.at(9).m_strName, "English");
    EXPECT_EQ(d.m_vbCarryOver, (cCheckedVector<std::uint8_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                             1, 1, 0, 1, 1, 0, 1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(d.m_vbClearOnMiss.at(11), 1);
    EXPECT_EQ(d.m_vbClearOnMiss.at(13), 0);
    EXPECT_EQ(d.m_vnStartLives, (cCheckedVector<std::int32_t>{5, 5, 5, 99}));
    EXPECT_EQ(d.m_vStatusItems.at(4).m_strLabel, "人");
    EXPECT_EQ(d.m_vStatusItems.at(0).m_nDigits, 4);
    EXPECT_EQ(d.m_nFontIndex, 60);
    EXPECT_EQ(d.m_nChallengeStages, 40);
    EXPECT_EQ(d.m_nBlinkRate, 16);
    EXPECT_EQ(d.m_nDDDepth, 2);
    EXPECT_EQ(d.m_nRestoreStartFile, 0);
    EXPECT_EQ(d.m_vstrRankingModeNames.at(3), "自動登録（登録名固定）");
}

TEST_F(SystemDataTest, CurrentFileLoadsAndSavesByteForByte) {
    Values v;
    v.title = "テスト";
    v.extraLife = 1;
    v.fontIndex = 59;
    v.challengeStages = 12;
    v.transR = 1;
    v.transG = 2;
    v.transB = 3;
    v.compat637 = 1;
    v.compat728 = 1;
    v.ddDepth = 1;
    v.texts = Numbered("text", 28);
    v.sounds = Numbered("se", 17);
    v.menuBgm = {1, 0, 1, 0};
    v.iniKeys[3].def = 7;
    v.statusItems[2].warnLimit = 30;
    v.statusItems[2].warnPercent = 1;
    const Bytes bytes = SystemDat(732, v);
    // 46 fields of 175 bytes and the title.
    ASSERT_EQ(bytes[4], 46);
    const cSystemData d = LoadBytes(bytes);
    EXPECT_EQ(d.m_strTitle, "テスト");
    EXPECT_EQ(d.m_nExtraLife, 1);
    EXPECT_EQ(d.m_nFontIndex, 59);
    EXPECT_EQ(d.m_nChallengeStages, 12);
    EXPECT_EQ(d.m_byTransBlue, 3);
    EXPECT_EQ(d.m_nCompat637, 1);
    EXPECT_EQ(d.m_nCompat728, 1);
    EXPECT_EQ(d.m_nDDDepth, 1);
    EXPECT_EQ(d.m_vstrTexts.at(27), "text27");
    EXPECT_EQ(d.m_vstrSystemSounds.at(16), "se16");
    EXPECT_EQ(d.m_vIniKeys.at(3).m_nDefault, 7);
    EXPECT_EQ(d.m_vnMenuBgm.at(0), 1);
    EXPECT_EQ(d.m_vstrRankingModeNames.at(2), "r2");
    EXPECT_TRUE(d.ReachesLimit(2, 3, 10));
    EXPECT_FALSE(d.ReachesLimit(2, 4, 10));
    cSystemData copy = d;
    const std::string out = dir.file("out.dat");
    ASSERT_TRUE(copy.SaveFile(out));
    EXPECT_EQ(fixtures::ReadAll(out), bytes);
}

TEST_F(SystemDataTest, Version100IsUpgradedStepByStep) {
    Values v;
    v.carryOver.assign(20, 2);
    v.statusItems.resize(5);
    v.texts = Numbered("t", 21);
    v.saveMenu = {{1, "s0"}, {1, "s1"}, {1, "s2"}};
    v.iniKeys = {{0, "WindowMode", 0, ""},
                 {0, "Bpp", 0, ""},
                 {0, "VSync", 3, ""},
                 {0, "ShowFps", 1, ""},
                 {1, "FreeStage", 0, "a.stg4"}};
    v.extraLifeScore = 500;
    const cSystemData d = LoadBytes(SystemDat(100, v));
    EXPECT_EQ(d.m_nExtraLifeScore, 500);
    EXPECT_EQ(d.m_nFlowFormat, 0);
    EXPECT_EQ(d.m_nTitleLayout, 0);
    // Carry-over: the 1 of step 4 ends at 18, the zeros of the later inserts at 15 and 9.
    ASSERT_EQ(d.m_vbCarryOver.size(), 25u);
    EXPECT_EQ(d.m_vbCarryOver.at(18), 1);
    EXPECT_EQ(d.m_vbCarryOver.at(15), 0);
    EXPECT_EQ(d.m_vbCarryOver.at(9), 0);
    EXPECT_EQ(d.m_vbCarryOver.at(8), 2);
    EXPECT_EQ(d.m_vbCarryOver.at(17), 2);
    // Save menu: four items, auto-save at 1.
    ASSERT_EQ(d.m_vSaveMenu.size(), 4u);
    EXPECT_EQ(d.m_vSaveMenu.at(1).m_strLabel, "オートセーブ");
    EXPECT_EQ(d.m_vSaveMenu.at(2).m_strLabel, "s1");
    // Texts: 28, the inserted ones at 8, 9, 14-16 (ON, OFF, the message), 22 and 23.
    ASSERT_EQ(d.m_vstrTexts.size(), 28u);
    EXPECT_EQ(d.m_vstrTexts.at(7), "t7");
    EXPECT_EQ(d.m_vstrTexts.at(8), "残りHP");
    EXPECT_EQ(d.m_vstrTexts.at(9), "残りSP");
    EXPECT_EQ(d.m_vstrTexts.at(13), "t11");
    EXPECT_EQ(d.m_vstrTexts.at(14), "オートセーブＯＮ");
    EXPECT_EQ(d.m_vstrTexts.at(15), "オートセーブＯＦＦ");
    EXPECT_EQ(d.m_vstrTexts.at(16), "保存先が不明です！一度は「セーブ」して下さい！");
    EXPECT_EQ(d.m_vstrTexts.at(17), "t12");
    EXPECT_EQ(d.m_vstrTexts.at(22), "リトライ");
    EXPECT_EQ(d.m_vstrTexts.at(23), "マップへ戻る");
    // Keys: Direct3D first, the font caches and stretch inserted, English last, VSync capped.
    const std::vector<std::string> names = {
        "Direct3D",     "WindowMode",      "Bpp",     "VSync",     "D3D_FontCache",
        "DD_FontCache", "DD_VideoStretch", "ShowFps", "FreeStage", "English"};
    ASSERT_EQ(d.m_vIniKeys.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(d.m_vIniKeys.at(i).m_strName, names[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(d.m_vIniKeys.at(0).m_nDefault, 1);
    EXPECT_EQ(d.m_vIniKeys.at(3).m_nDefault, 2);
    EXPECT_EQ(d.m_vIniKeys.at(5).m_nDefault, 1);
    EXPECT_EQ(d.m_vIniKeys.at(8).m_strDefault, "a.stg4");
    // Status items: values shown, HP and SP warn at 1 percent.
    EXPECT_EQ(d.m_vStatusItems.at(0).m_nShowValue, 1);
    EXPECT_EQ(d.m_vStatusItems.at(2).m_nWarnLimit, 1);
    EXPECT_EQ(d.m_vStatusItems.at(3).m_nWarnPercent, 1);
    EXPECT_EQ(d.m_vStatusItems.at(4).m_nWarnLimit, 0);
    for (std::uint8_t b : d.m_vbClearOnMiss)
        EXPECT_EQ(b, 0);
    // Ranking modes were not stored: the defaults without genres 3 and 4 for story and challenge.
    EXPECT_EQ(d.CountEnabledEntries(0), 3);
    EXPECT_EQ(d.CountEnabledEntries(1), 3);
    EXPECT_EQ(d.CountEnabledEntries(2), 5);
    EXPECT_EQ(d.m_vnInfiniteLives, (cCheckedVector<std::int32_t>{0, 0, 0, 1}));
    EXPECT_EQ(d.m_vbMenuBgmLoop, (cCheckedVector<std::uint8_t>{1, 1, 1, 1}));
    EXPECT_EQ(d.m_vstrRankingModeNames.at(0), "手動登録（登録名入力）");
    // Scalars of the upgrade steps.
    EXPECT_EQ(d.m_nMapShowScore, 1);
    EXPECT_EQ(d.m_nFontOptionB, 0);
    EXPECT_EQ(d.m_nReplay, 1);
    EXPECT_EQ(d.m_nExtraLife, 1);
    EXPECT_EQ(d.m_byTransGreen, 177);
    EXPECT_EQ(d.m_nRestoreFree, 1);
    EXPECT_EQ(d.m_nRestoreStartFile, 1);
    EXPECT_EQ(d.m_nContinueMenu, 0);
    EXPECT_EQ(d.m_nMapShowLives, 0);
    EXPECT_EQ(d.m_nFontIndex, 60);
    EXPECT_EQ(d.m_nPauseFullStory, 0);
    EXPECT_EQ(d.m_nCompat214, 1);
    EXPECT_EQ(d.m_nCompat261, 1);
    EXPECT_EQ(d.m_nCompat272, 0);
    EXPECT_EQ(d.m_nCompat287, 0);
    EXPECT_EQ(d.m_nCompat289, 1);
    EXPECT_EQ(d.m_nBlinkRate, 16);
    EXPECT_EQ(d.m_nCompat525, 1);
    EXPECT_EQ(d.m_nCompat637, 1);
    EXPECT_EQ(d.m_nCompat669, 1);
    EXPECT_EQ(d.m_nDDDepth, 2);
    EXPECT_EQ(d.m_nCompat696, 1);
    EXPECT_EQ(d.m_nCompat728, 1);
}

TEST_F(SystemDataTest, VersionGatesOfSingleSwitches) {
    Values v;
    v.compat637 = 0;
    EXPECT_EQ(LoadBytes(SystemDat(620, v)).m_nCompat637, 0);
    EXPECT_EQ(LoadBytes(SystemDat(616, v)).m_nCompat637, 1);
    // Colour mode 1 before 289: no palette cycling.
    v.colourMode = 1;
    EXPECT_EQ(LoadBytes(SystemDat(288, v)).m_nCompat289, 0);
    // Versions 221 to 259 carry one discarded word after the first compatibility switch.
    v.compat214 = 0;
    v.ddDepth = 5;
    const cSystemData d230 = LoadBytes(SystemDat(230, v));
    EXPECT_EQ(d230.m_nCompat214, 0);
    EXPECT_EQ(d230.m_nCompat261, 1);
    EXPECT_EQ(d230.m_vstrTexts.at(0), "t");
    // From 670 the depths are stored; 728 and later keep every stored switch.
    v.compat721 = 0;
    const cSystemData d721 = LoadBytes(SystemDat(721, v));
    EXPECT_EQ(d721.m_nDDDepth, 5);
    EXPECT_EQ(d721.m_nCompat721, 0);
    EXPECT_EQ(d721.m_nCompat728, 1);
    // The ranking mode names are stored from 674 only.
    EXPECT_EQ(LoadBytes(SystemDat(600, v)).m_vstrRankingModeNames.at(1), "手動登録（登録名固定）");
    EXPECT_EQ(LoadBytes(SystemDat(674, v)).m_vstrRankingModeNames.at(1), "r1");
}

TEST_F(SystemDataTest, MenuMusicBeyondTheMusicListBecomesNone) {
    Values v;
    v.menuBgm = {1, 2, 3, -1};
    ASSERT_EQ(g_Database.m_Bgms.size(), 2u);
    const cSystemData d = LoadBytes(SystemDat(732, v));
    EXPECT_EQ(d.m_vnMenuBgm, (cCheckedVector<std::int32_t>{1, 0, 0, -1}));
}

TEST_F(SystemDataTest, ShortFixedListsAreCompletedWithDefaults) {
    Values v;
    v.texts = {"a", "b", "c"};
    v.sounds = {};
    v.startLives = {7};
    v.infiniteLives = {};
    v.rankingModes = {{1, {1}}};
    v.menuBgm = {};
    v.menuBgmLoop = {0};
    v.statusItems = {};
    v.iniKeys = {{0, "Mode", 4, ""}};
    v.titleMenu = {};
    v.challengeStages = -5;
    const cSystemData d = LoadBytes(SystemDat(732, v));
    ASSERT_EQ(d.m_vstrTexts.size(), 28u);
    EXPECT_EQ(d.m_vstrTexts.at(2), "c");
    EXPECT_EQ(d.m_vstrTexts.at(3), "ハイスコア");
    EXPECT_EQ(d.m_vstrSystemSounds.size(), 17u);
    EXPECT_EQ(d.m_vnStartLives, (cCheckedVector<std::int32_t>{7, 5, 5, 99}));
    EXPECT_EQ(d.m_vnInfiniteLives.size(), 4u);
    ASSERT_EQ(d.m_vRankingModes.size(), 4u);
    EXPECT_EQ(d.CountEnabledEntries(0), 1);
    EXPECT_EQ(d.m_vRankingModes.at(0).m_vbGenres.size(), 5u);
    EXPECT_EQ(d.CountEnabledEntries(2), 5);
    EXPECT_EQ(d.m_vbMenuBgmLoop, (cCheckedVector<std::uint8_t>{0, 1, 1, 1}));
    EXPECT_EQ(d.m_vnMenuBgm.size(), 4u);
    ASSERT_EQ(d.m_vStatusItems.size(), 5u);
    EXPECT_EQ(d.m_vStatusItems.at(3).m_strLabel, "SP");
    ASSERT_EQ(d.m_vIniKeys.size(), 10u);
    EXPECT_EQ(d.m_vIniKeys.at(0).m_strName, "Mode");
    EXPECT_EQ(d.m_vIniKeys.at(1).m_strName, "WindowMode");
    EXPECT_EQ(d.m_vTitleMenu.size(), 7u);
    EXPECT_EQ(d.m_nChallengeStages, 0);
}

// A damaged challenge-stage count is kept to what a project can have: the challenge progress of a
// new game is sized by it when saved, and a count of 2^31 - 1 once asked for 150 GB there.
TEST_F(SystemDataTest, ChallengeStageCountIsKeptToWhatAProjectCanHave) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {12, 12}, {999, 999}, {1000, 999}, {INT32_MAX, 999}, {INT32_MIN, 0}};
    for (const auto& [stored, expected] : cases) {
        Values v;
        v.challengeStages = stored;
        g_SystemData = LoadBytes(SystemDat(732, v));
        EXPECT_EQ(g_SystemData.m_nChallengeStages, expected) << stored;
        cSaveData save;
        ResetSaveData(save);
        ASSERT_TRUE(save.SaveFile(dir.file("save.dat"))) << stored;
        EXPECT_EQ(save.m_ChallengeStages.Count(), expected) << stored;
    }
}

TEST_F(SystemDataTest, BlinkRatesBeyondAChannelAreKeptToItsSize) {
    // A channel runs 0 .. 255: every larger step already turns at both ends on each frame.
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {16, 16}, {255, 255}, {256, 255}, {-255, -255}, {-256, -255}, {INT32_MAX, 255}, {INT32_MIN, -255}};
    for (const auto& [stored, expected] : cases) {
        Values v;
        v.blinkRate = stored;
        EXPECT_EQ(LoadBytes(SystemDat(732, v)).m_nBlinkRate, expected) << stored;
    }
}

TEST_F(SystemDataTest, DamagedFilesNeverLoadPartially) {
    Values v;
    v.texts = Numbered("x", 28);
    const Bytes whole = SystemDat(732, v);
    // Every strict prefix fails.
    fixtures::DamageFile(
        path, whole,
        [](const std::string& p, std::size_t n) {
            cSystemData d;
            EXPECT_FALSE(d.LoadFile(p)) << n;
            EXPECT_EQ(d.FieldCount(), 46);
        },
        0);
    // Random flips never crash; a file that loads has its full lists.
    fixtures::DamageFile(
        path, whole,
        [](const std::string& p, std::size_t) {
            cSystemData d;
            if (d.LoadFile(p)) {
                EXPECT_GE(d.m_vstrTexts.size(), 28u);
            }
        },
        400, whole.size());
}

TEST_F(SystemDataTest, StartUpStepsReportTheirFailures) {
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    EXPECT_FALSE(LoadSystemData());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "data\\System.dat の読み込みに失敗…");
    Values v;
    v.title = "Title";
    fixtures::WriteAll((dir.path() / "data" / "System.dat").string(), SystemDat(732, v));
    EXPECT_TRUE(LoadSystemData());
    EXPECT_EQ(g_SystemData.m_strTitle, "Title");

    // Settings: the project's key names; a missing file keeps the defaults and reports it.
    EXPECT_FALSE(LoadSystemIni("System.ini"));
    EXPECT_EQ(boxes.texts().back(), "System.ini の読み込みに失敗しました！");
    EXPECT_EQ(g_SystemIni.Direct3D, 2);
    fixtures::WriteAll((dir.path() / "System.ini").string(),
                       {'D', 'i', 'r', 'e', 'c', 't', '3', 'D', '=', '1', '\n', 'E', 'x', 'i', 't', '\n'});
    EXPECT_TRUE(LoadSystemIni("System.ini"));
    EXPECT_EQ(g_SystemIni.Direct3D, 1);
}

TEST_F(SystemDataTest, CenteredTexts) {
    cSystemData d;
    EXPECT_EQ(d.CenteredTextX(320, 0, 2, 0), 288);
    EXPECT_EQ(d.CenteredTextX(320, 0, 2, 1), 280);
    EXPECT_EQ(d.CenteredTextX(320, 0, 0, 1), 320);
    d.m_vstrTexts.at(0) = "abc"; // single-byte characters count one each
    d.m_vstrTexts.at(1) = "ｱｲ";  // so do half-width katakana
    EXPECT_EQ(d.CenteredTextX(100, 0, 2, 0), 76);
}

TEST_F(SystemDataTest, TextBlocksOfTheMenus) {
    const cSystemData d;
    const cSystemData::TextBlock choice = d.TextLinesBlock(10, 2, 1);
    EXPECT_EQ(choice.text, " ステージに挑む\n やっぱりやめる\n");
    EXPECT_EQ(choice.width, 8 * 16);
    EXPECT_EQ(choice.height, 32);
    const cSystemData::TextBlock one = d.TextLinesBlock(16, 1, 0);
    EXPECT_EQ(one.width, 23 * 16);
    EXPECT_EQ(one.height, 16);
    EXPECT_TRUE(d.TextLinesBlock(0, 0, 1).text.empty());
}

TEST_F(SystemDataTest, WarningLimits) {
    cSystemData d;
    cStatusItem& hp = d.m_vStatusItems.at(2);
    hp.m_nWarnPercent = 1;
    hp.m_nWarnLimit = 30;
    EXPECT_TRUE(d.ReachesLimit(2, 3, 10));
    EXPECT_FALSE(d.ReachesLimit(2, 31, 100));
    hp.m_nWarnPercent = 0;
    EXPECT_TRUE(d.ReachesLimit(2, 30, 100));
    EXPECT_FALSE(d.ReachesLimit(2, 31, 100));
}

TEST(FontNames, TableAndOutOfRangeIndexes) {
    EXPECT_EQ(g_FontNames[60], "ＭＳ Ｐゴシック");
    EXPECT_EQ(g_FontNames[59], "ＭＳ ゴシック");
    EXPECT_EQ(g_FontNames[0], "System");
    EXPECT_EQ(g_FontNames[121], "Sydnie");
    EXPECT_EQ(g_FontNames[122], "");
    EXPECT_EQ(g_FontNames[86], "HGｺﾞｼｯｸE");
    EXPECT_EQ(&FontNameForIndex(100), &g_FontNames[100]);
    EXPECT_EQ(FontNameForIndex(123), "ＭＳ Ｐゴシック");
    EXPECT_EQ(FontNameForIndex(-1), "ＭＳ Ｐゴシック");
}
