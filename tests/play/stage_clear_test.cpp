// A cleared stage: the tally with its extra lives and notices, the ranking places only at the last
// stage of a series, the follow-up names, and the next scene for every play mode.
#include "objects/message_window.h"
#include "play/stage_clear.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/scene.h"
#include "app/startup_state.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<int> g_sounds;
int g_presents = 0;
int g_iconsShown = 0;         // presented frames that showed the extra-life icon over the hero
std::vector<int> g_rankAsked; // genres whose place was looked up
std::vector<std::string> g_loaded;

bool Yes() {
    return true;
}
bool No() {
    return false;
}
bool Present(int) {
    ++g_presents;
    if (g_lpGameScene)
        for (const cMessage& m : g_lpGameScene->m_Messages)
            if (m.m_nKind == 3 && m.m_nPosMode == 4 && m.m_nCharaId == g_Heroes.at(0).m_nId) ++g_iconsShown;
    return true;
}
win::LRESULT Proc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 5) g_sounds.push_back(static_cast<int>(wParam));
    return 0;
}
std::int32_t PlaceOfGenre0(int genre, std::int32_t) {
    g_rankAsked.push_back(genre);
    return genre == 0 ? 3 : -1;
}
bool FakeLoad(const std::string& name) {
    g_loaded.push_back(name);
    return true;
}

class StageClear : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* f :
             {"data/stg4/c01-1.stg4_000", "data/stg4/c01-2.stg4_000", "data/stg4/c01-2.stg4_003",
              "data/stg4/boss.stg4_001", "data/stg4/c05-3.stg4_000"})
            fixtures::WriteAll(dir.file(f), {1});
        std::filesystem::create_directories(dir.path() / "user_data" / "challenge");
        win::ResetMessageModelForTests();
        g_hWnd = win::CreateMainWindowObject(&Proc);
        saved = g_DrawingHooks;
        g_DrawingHooks.direct3DActive = &Yes;
        g_DrawingHooks.directDrawActive = &No;
        g_DrawingHooks.presentDirect3D = &Present;
        g_bActive = 1;
        g_sounds.clear();
        g_presents = 0;
        g_rankAsked.clear();
        g_loaded.clear();
        g_StageClearHooks = StageClearHooks{};
        g_StageClearHooks.FindRankPlace = &PlaceOfGenre0;
        g_StageClearHooks.LoadFollowUpStage = &FakeLoad;
        g_SystemData.SetDefaults();
        ResetSaveData(g_SaveData);
        g_Stage.m_ResultItems.assign(5, 1);
        g_Stage.m_nHandOver = 0;
        g_ClearNext = cClearNext{};
        g_Heroes.assign(1, cHero{});
        g_nScore = 0;
        g_bStartFile = 0;
        g_bRanking = 1;
        g_nGameMode = 0;
        g_nPlayMode = 0;
        g_nWorldMapAfterClear = 0;
        scene = std::make_unique<cGameScene>();
        g_lpGameScene = scene.get();
    }
    void TearDown() override {
        scene.reset();
        g_Heroes.clear();
        g_StageClearHooks = StageClearHooks{};
        g_DrawingHooks = saved;
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        g_bActive = 0;
        g_bRanking = 0;
        g_SystemData.SetDefaults();
        win::ResetMessageModelForTests();
    }
    void Series(const char* stageName, int next) {
        g_SaveData.m_strStageName = stageName;
        g_SaveData.m_bNumberedStage = 1;
        g_SaveData.m_nStagePart = 1;
        g_ClearNext.nIndex = next;
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd{dir.path()};
    DrawingHooks saved{};
    std::unique_ptr<cGameScene> scene;
};

} // namespace

TEST_F(StageClear, RankingsAreTakenOnlyAtTheLastStageOfASeries) {
    Series("data\\stg4\\c01.", 2); // part 2 exists: not the last stage
    g_nScore = 500;
    StageEnd(*scene);
    EXPECT_TRUE(g_rankAsked.empty());
    EXPECT_EQ(scene->m_bRankQualified, 0);
    EXPECT_EQ(scene->m_RankPlaces[0], -1);
    EXPECT_EQ(g_sounds, std::vector<int>{14});

    g_ClearNext.nIndex = 3; // no part 3: the last stage
    g_Stage.m_ResultItems = {1, 1, 1, 0, 1};
    g_SystemData.m_vRankingModes.at(0).m_vbGenres.assign({1, 1, 0, 1, 1});
    g_Heroes[0].m_nHP = 7;
    scene->m_nElapsedCs = 1234;
    scene->m_nTimeLimit = 50;
    StageEnd(*scene);
    EXPECT_EQ(g_rankAsked, (std::vector<int>{0, 1, 4})); // ranked by the mode and shown by the stage
    EXPECT_EQ(scene->m_bRankQualified, 1);
    EXPECT_EQ(scene->m_RankPlaces[0], 3);
    EXPECT_EQ(scene->m_RankValues, (std::vector<int>{1000, 50, 1234, 7, 0}));

    // Rankings off for this play: no places, unless the play was started with a file.
    g_rankAsked.clear();
    g_bRanking = 0;
    StageEnd(*scene);
    EXPECT_TRUE(g_rankAsked.empty());
    g_bStartFile = 1;
    StageEnd(*scene);
    EXPECT_FALSE(g_rankAsked.empty());

    // A replay has no rankings, from a start file or from the menu, even when its game mode is
    // ranked; the result values are still those of the run.
    for (const int startFile : {1, 0}) {
        g_rankAsked.clear();
        g_nPlayMode = 4;
        g_nGameMode = 3;
        g_bStartFile = startFile;
        g_bRanking = 1;
        g_SystemData.m_vRankingModes.at(3).m_nEnabled = 1;
        g_SystemData.m_vRankingModes.at(3).m_vbGenres.assign(5, 1);
        StageEnd(*scene);
        EXPECT_TRUE(g_rankAsked.empty()) << startFile;
        EXPECT_EQ(scene->m_bRankQualified, 0) << startFile;
        EXPECT_EQ(scene->m_RankValues[0], g_SaveData.m_nTotalScore) << startFile;
    }
}

TEST_F(StageClear, ExtraLivesOnePerThresholdWithANoticeEachUpToNinetyNineLives) {
    struct Case {
        const char* what;
        std::int32_t lives, total, score;
        std::int32_t livesAfter;
        int notices;
    };
    const Case cases[] = {
        {"two thresholds in one clear", 3, 900, 1200, 5, 2},
        {"lives stop at 99, every threshold is told", 98, 0, 5000, 99, 5},
        {"at 99 every threshold is still told", 99, 0, 5000, 99, 5},
        {"more lives than 99 are not taken", 150, 0, 2000, 150, 2},
        {"notices stop at their bound, the lives do not", 3, 0, 500000, 99, 100},
        {"unlimited lives never change", UNLIMITED_LIVES, 0, 5000, UNLIMITED_LIVES, 0},
        {"a falling score gives none", 3, 2500, -1000, 3, 0},
    };
    g_SystemData.m_nExtraLife = 1;
    g_SystemData.m_nExtraLifeScore = 1000;
    for (const Case& c : cases) {
        g_sounds.clear();
        g_presents = 0;
        g_iconsShown = 0;
        g_SaveData.m_nLives = c.lives;
        g_SaveData.m_nTotalScore = c.total;
        g_nScore = c.score;
        TallyStageClear(*scene);
        EXPECT_EQ(g_SaveData.m_nLives, c.livesAfter) << c.what;
        EXPECT_EQ(g_sounds, std::vector<int>(static_cast<std::size_t>(c.notices), 15)) << c.what;
        EXPECT_EQ(g_presents, 30 * c.notices) << c.what;   // each notice holds play for 30 frames
        EXPECT_EQ(g_iconsShown, 30 * c.notices) << c.what; // and shows the life icon all along
        EXPECT_TRUE(scene->m_Messages.empty()) << c.what;
    }
}

TEST_F(StageClear, HandOverCarriesTheTimeTheLivesAndTheStagesMusic) {
    g_SystemData.m_vbCarryOver.assign(CARRY_GROUP_COUNT, 0);
    for (int g : {22, 23, 24})
        g_SystemData.m_vbCarryOver[g] = 1;
    g_Stage.m_nHandOver = 1;
    g_Stage.m_nBgm = 3;
    g_SaveData.m_nStageCounter = 9;
    g_SaveData.m_nLives = 5;
    scene->m_nTimeLimit = 41;
    g_nPlayMode = 3;
    NextSceneAfterClear(*scene);
    ASSERT_GE(g_SaveData.m_CarryRecords.Count(), 1);
    const cEdStageTableA& rec = g_SaveData.m_CarryRecords.at(0);
    EXPECT_EQ(rec.w3, 41);
    EXPECT_EQ(rec.w4, 5);
    EXPECT_EQ(rec.w5, 3);
}

TEST_F(StageClear, TotalsWrapAsThirtyTwoBitValues) {
    g_SaveData.m_nTotalScore = INT_MAX;
    g_nScore = 10;
    g_SaveData.m_nTotalClearTime = INT_MIN;
    scene->m_nElapsedCs = -1;
    scene->m_bTimeStopped = 1;
    scene->m_nTimeLimit = 999;
    TallyStageClear(*scene);
    EXPECT_EQ(g_SaveData.m_nTotalScore, INT_MIN + 9);
    EXPECT_EQ(g_SaveData.m_nTotalClearTime, INT_MAX);
    EXPECT_EQ(g_SaveData.m_nTotalRemainTime, 0); // no time limit: nothing added
}

TEST_F(StageClear, FollowUpNames) {
    struct Case {
        const char* what;
        const char* stage;
        int next, useName;
        const char* name;
        const char* found; // null: none
    };
    const Case cases[] = {
        {"the series' next part, newest revision", "data\\stg4\\c01.", 2, 0, "",
         "data\\stg4\\c01-2.stg4_003"},
        {"a missing part", "data\\stg4\\c01.", 4, 0, "", nullptr},
        {"a named follow-up in the stored form", "data\\stg4\\c01.", 2, 1, "data\\stg4\\boss.",
         "data\\stg4\\boss.stg4_001"},
        // Only the one name is formed: a follow-up given as a file name, or a series named with a
        // part number, ends the series.
        {"a named follow-up given as a file name", "data\\stg4\\c01.", 2, 1, "data\\stg4\\boss.stg4",
         nullptr},
        {"a series named with its part number", "data\\stg4\\c05-2.", 3, 0, "", nullptr},
        {"no follow-up", "data\\stg4\\c01.", 0, 0, "", nullptr},
    };
    for (const Case& c : cases) {
        Series(c.stage, c.next);
        g_ClearNext.bUseName = c.useName;
        g_ClearNext.strName = c.name;
        std::string out = "junk";
        EXPECT_EQ(MakeStageFileName(*scene, out, c.next), c.found ? 1 : 0) << c.what;
        EXPECT_EQ(out, c.found ? c.found : "") << c.what;
        EXPECT_EQ(IsLastStage(*scene, c.next), c.found ? 0 : 1) << c.what;
    }
    g_SaveData.m_bNumberedStage = 0; // not a series: never a follow-up
    g_ClearNext = cClearNext{2, 0, "", 0};
    std::string out;
    EXPECT_EQ(MakeStageFileName(*scene, out, 2), 0);
}

TEST_F(StageClear, NextSceneByPlayMode) {
    // Story with a follow-up: the next part is loaded and played.
    Series("data\\stg4\\c01.", 2);
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_PLAY);
    EXPECT_EQ(g_loaded, std::vector<std::string>{"data\\stg4\\c01-2.stg4_003"});
    EXPECT_EQ(g_SaveData.m_nStagePart, 2);
    EXPECT_EQ(g_ClearNext.bFollowUpLoaded, 1);

    // Story without one: the map entry is cleared, the best score kept, then the map's setting.
    struct AfterClear {
        int setting;
        int scene;
        int counterStep;
    };
    for (const AfterClear a : {AfterClear{0, SCENE_WORLDMAP, 0}, AfterClear{1, SCENE_WORLDMAP, 1},
                               AfterClear{2, SCENE_TITLE, 0}}) {
        ResetSaveData(g_SaveData);
        g_SaveData.m_nStageNo = 7;
        g_SaveData.m_nTotalScore = 4321;
        g_SaveData.m_strStageName = "data\\stg4\\one.";
        g_nWorldMapAfterClear = a.setting;
        EXPECT_EQ(NextSceneAfterClear(*scene), a.scene) << a.setting;
        EXPECT_EQ(g_SaveData.m_vnStageFlags[7], a.setting == 1 ? 0 : 1); // advancing clears the flags
        EXPECT_EQ(g_SaveData.FindStageValue("data\\stg4\\one."), 4321);
        EXPECT_EQ(g_SaveData.m_nStageCounter, a.counterStep) << a.setting;
    }

    // Challenge: cleared, best score raised with the total, the next stage opened.
    ResetSaveData(g_SaveData);
    g_nPlayMode = 2;
    g_SystemData.m_nChallengeStages = 3;
    g_SaveData.m_ChallengeStages.assign(3, cEdStageTableC());
    g_SaveData.m_ChallengeStages[1].w2 = 100;
    g_SaveData.m_nValueTotal = 1000;
    g_SaveData.m_nStageNo = 2;
    g_SaveData.m_nChallengeOpened = 2;
    g_SaveData.m_nTotalScore = 300;
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_CHALLENGE);
    EXPECT_EQ(g_SaveData.m_ChallengeStages[1].w1, 1);
    EXPECT_EQ(g_SaveData.m_ChallengeStages[1].w2, 300);
    EXPECT_EQ(g_SaveData.m_nValueTotal, 1200);
    EXPECT_EQ(g_SaveData.m_nChallengeOpened, 3);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "user_data" / "challenge" / "Challenge.dat"));
    g_SaveData.m_nStageNo = 3;     // the last challenge stage opens nothing beyond the count
    g_SaveData.m_nTotalScore = 50; // its first best score
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_CHALLENGE);
    EXPECT_EQ(g_SaveData.m_nChallengeOpened, 3);
    EXPECT_EQ(g_SaveData.m_nValueTotal, 1250);
    g_SaveData.m_nTotalScore = 40; // below the best: unchanged
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_CHALLENGE);
    EXPECT_EQ(g_SaveData.m_ChallengeStages[2].w2, 50);
    EXPECT_EQ(g_SaveData.m_nValueTotal, 1250);

    // A file by path: played again, or the series goes on, or back to the title.
    g_nPlayMode = 3;
    g_SaveData.m_bNumberedStage = 0;
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_PLAY);
    Series("data\\stg4\\c01.", 9);
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_TITLE);
    g_bStartFile = 1;
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_PLAY);

    // A replay plays again from the stage's start.
    g_nPlayMode = 4;
    g_SaveData.m_nTotalScore = 10;
    g_SaveData.MarkStageStart();
    g_SaveData.m_nTotalScore = 999;
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_PLAY);
    EXPECT_EQ(g_SaveData.m_nTotalScore, 10);
}

// The challenge progress written at a clear: a write that fails (a full disk) keeps the file that
// was there and is told, as a failed slot save is.
TEST_F(StageClear, AFailedChallengeWriteIsTold) {
    fixtures::BoxCapture boxes;
    g_nPlayMode = 2;
    g_SystemData.m_nChallengeStages = 3;
    g_SaveData.m_ChallengeStages.assign(3, cEdStageTableC());
    g_SaveData.m_nStageNo = 1;
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_CHALLENGE);
    const std::string file = dir.file("user_data/challenge/Challenge.dat");
    const fixtures::Bytes before = fixtures::ReadAll(file);
    EXPECT_TRUE(boxes.texts().empty());
    g_SaveData.m_nStageNo = 2;
    fsys::SetWriteFaultForTests(fsys::WriteFault::Flush);
    EXPECT_EQ(NextSceneAfterClear(*scene), SCENE_CHALLENGE);
    fsys::SetWriteFaultForTests(fsys::WriteFault::None);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Challenge.dat"), std::string::npos);
    EXPECT_EQ(fixtures::ReadAll(file), before);
}
