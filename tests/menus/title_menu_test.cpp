// The title menu and the challenge menu on the demo project: items and modes, the slot choice,
// the play files chosen through the scripted answers, the challenge list and its stage start; and
// golden checksums of the menus as drawn on both back-ends.
#include "menu_player.h"

#include "menus/challenge_scene.h"
#include "menus/option_scene.h"
#include "menus/save_scene.h"
#include "menus/title_scene.h"
#include "menus/world_map_scene.h"
#include "platform/message_box.h"
#include "play/replay.h"
#include "project/stage_file.h"
#include "tools/stage_writer.h"

#include <cinttypes>
#include <cstdio>

namespace menus_test {
namespace {

class TitleMenu : public MenuPlayer {
  protected:
    cTitleScene* Open() {
        Enter(SCENE_TITLE);
        EXPECT_TRUE(RunUntilScene(SCENE_TITLE));
        return Scene<cTitleScene>();
    }
    // Confirms the item with this id.
    void Choose(cTitleScene* scene, int id) {
        for (int guard = 0; guard < 8 && scene->m_nItems[CursorActive().row] != id; ++guard)
            Press(DIR_DOWN);
        Confirm();
    }
    static int PostedCloses() {
        int closes = 0;
        win::MSG msg;
        while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
            if (msg.message == win::WM_CLOSE) ++closes;
        return closes;
    }
    static bool WriteSlot(int n) {
        cSaveData save;
        ResetSaveData(save);
        save.m_nMapX = 3 + n;
        // A fixed save time, so that the slot list draws the same every run.
        save.m_Stamp.wYear = 2024;
        save.m_Stamp.wMonth = 5;
        save.m_Stamp.wDay = 17;
        save.m_Stamp.wHour = 9;
        save.m_Stamp.wMinute = 30;
        return save.SaveFile(cSaveData::SlotFileName(n));
    }
};

TEST(NewStory, TheResetAndTheLivesRules) {
    g_SaveData.m_vnStageFlags.assign(5, 7);
    g_SaveData.m_nValueTotal = 99;
    g_SaveData.m_StageValues.resize(3);
    g_WorldMap.startX = 4;
    g_WorldMap.startY = 6;
    g_SystemData.SetDefaults();
    g_SystemData.m_vnInfiniteLives.at(0) = 0;
    g_SystemData.m_vnStartLives.at(0) = 3;
    StartNewStory();
    EXPECT_EQ(g_SaveData.m_vnCarryFlags.size(), 25u);
    EXPECT_EQ(g_SaveData.m_CarryRecords.Count(), 1);
    ASSERT_EQ(g_SaveData.m_vnStageFlags.size(), 1000u);
    EXPECT_EQ(g_SaveData.m_vnStageFlags[0], 1);
    EXPECT_EQ(std::count(g_SaveData.m_vnStageFlags.begin(), g_SaveData.m_vnStageFlags.end(), 0), 999);
    EXPECT_EQ(g_SaveData.m_vnCommonVars, std::vector<std::int32_t>(256, 0));
    EXPECT_EQ(g_SaveData.m_StageValues.Count(), 0);
    EXPECT_EQ(g_SaveData.m_ChallengeStages.Count(), 0);
    EXPECT_EQ(g_SaveData.m_nValueTotal, 0);
    EXPECT_EQ(g_SaveData.m_nChallengeOpened, 1);
    EXPECT_EQ(g_SaveData.m_nLastSlot, -1);
    EXPECT_EQ(g_SaveData.g_strRankingName, "aaa");
    EXPECT_EQ(g_SaveData.m_nMapX, 4);
    EXPECT_EQ(g_SaveData.m_nMapY, 6);
    EXPECT_EQ(g_SaveData.m_nStartLives, 3);
    EXPECT_EQ(g_SaveData.m_nLives, 2);
    g_SystemData.m_vnInfiniteLives.at(0) = 1;
    StartNewStory();
    EXPECT_EQ(g_SaveData.m_nStartLives, UNLIMITED_LIVES);
    EXPECT_EQ(g_SaveData.m_nLives, UNLIMITED_LIVES);
    g_SystemData.SetDefaults();
    g_WorldMap = cWorldMap();
    g_SaveData = cSaveData();
}

TEST_F(TitleMenu, ItemsModesAndTheRowsOfHiddenItems) {
    ASSERT_TRUE(Start());
    struct Case {
        std::vector<int> shown; // ids of the shown items; empty: none
        int playMode;           // the mode chosen last
        std::vector<int> items;
        int row;      // the cursor row on entry
        int rowMoved; // the row once the cursor has been placed
    };
    const Case cases[] = {
        {{0, 1, 2, 3, 4, 5, 6}, 5, {0, 1, 2, 3, 4, 5, 6}, 5, 5},
        {{}, 0, {0}, 0, 0},
        {{0, 2, 6}, 2, {0, 2, 6}, 1, 1},
        {{0, 2, 6}, 5, {0, 2, 6}, 5, 0}, // a hidden mode: out of range, back to the top
    };
    for (const Case& c : cases) {
        for (int id = 0; id < 7; ++id)
            g_SystemData.m_vTitleMenu.at(id).m_nShow =
                std::find(c.shown.begin(), c.shown.end(), id) != c.shown.end() ? 1 : 0;
        g_nPlayMode = c.playMode;
        Enter(SCENE_TITLE);
        Frame();
        cTitleScene* scene = Scene<cTitleScene>();
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(std::vector<int>(scene->m_nItems, scene->m_nItems + scene->m_nCount), c.items);
        EXPECT_EQ(CursorActive().row, c.row);
        ASSERT_TRUE(RunUntilState(cTitleScene::MENU));
        Frame();
        EXPECT_EQ(CursorActive().row, c.rowMoved);
        g_SceneManager.DeleteAll();
    }
    g_SystemData.SetDefaults();
}

TEST_F(TitleMenu, PictureModeTakesTheBoxFromTheGameModeSheet) {
    ASSERT_TRUE(Start());
    g_SystemData.m_nTitleLayout = 1;
    cTitleScene* scene = Open();
    ASSERT_NE(scene, nullptr);
    const int sheet = SystemSurface(MENUBMP_GAMEMODE)->nWidth;
    ASSERT_GT(sheet, 0);
    EXPECT_EQ(scene->m_Surfaces.at(0).nWidth, sheet + 32);
    EXPECT_EQ(scene->m_Surfaces.at(0).nHeight, 32 * 7 + 2);
    EXPECT_EQ(g_TitleMenuPos.x, 288 - sheet / 2);
    if (sheet == 320) {
        EXPECT_EQ(scene->m_Surfaces.at(0).nWidth, 352);
        EXPECT_EQ(g_TitleMenuPos.x, 128);
    }
    g_SceneManager.DeleteAll();
    g_SystemData.m_nTitleLayout = 0;
    scene = Open();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(g_TitleMenuPos.x, 192);
    // The widest label, "しゅうりょう", has six characters.
    EXPECT_EQ(scene->m_Surfaces.at(0).nWidth, 32 * 6 + 34);
}

TEST_F(TitleMenu, NewStoryChallengeOptionsAndQuit) {
    ASSERT_TRUE(Start());
    cTitleScene* scene = Open();
    Choose(scene, TITLE_QUIT);
    EXPECT_EQ(PostedCloses(), 1);
    for (int i = 0; i < 3; ++i)
        Frame(0, MENU_CONFIRM); // one press held: one close
    EXPECT_EQ(PostedCloses(), 1);
    Frame();

    Choose(scene, TITLE_NEW);
    EXPECT_EQ(g_nPlayMode, 0);
    EXPECT_EQ(g_nGameMode, 0);
    ASSERT_TRUE(RunUntilScene(SCENE_WORLDMAP));
    EXPECT_EQ(CursorActive().col, g_WorldMap.startX);

    scene = Open();
    Choose(scene, TITLE_CHALLENGE);
    EXPECT_EQ(g_nGameMode, 1);
    EXPECT_EQ(g_SaveData.m_ChallengeStages.Count(), g_SystemData.m_nChallengeStages);
    ASSERT_TRUE(RunUntilScene(SCENE_CHALLENGE));

    Cancel();
    ASSERT_TRUE(RunUntilScene(SCENE_TITLE));
    scene = Scene<cTitleScene>();
    EXPECT_EQ(CursorActive().row, 2) << "the title reopens on the item chosen last";
    Choose(scene, TITLE_OPTIONS);
    ASSERT_TRUE(RunUntilScene(SCENE_OPTION));
    EXPECT_EQ(g_nPlayMode, 5);
}

TEST_F(TitleMenu, SlotChoicePagesAndRefusesEmptySlots) {
    ASSERT_TRUE(Start());
    g_nSaveSlotCount = 12;
    ASSERT_TRUE(WriteSlot(11));
    ASSERT_TRUE(WriteSlot(1));
    cTitleScene* scene = Open();
    Choose(scene, TITLE_CONTINUE);
    Frame();
    EXPECT_EQ(scene->m_nState, cTitleScene::CHOOSE_SLOT);
    EXPECT_EQ(g_SaveSlotList.Count(), 12);
    EXPECT_EQ(scene->m_nShownSlots, 10);
    for (int i = 0; i < 9; ++i)
        Press(DIR_DOWN);
    EXPECT_EQ(scene->m_nFirstSlot, 0);
    Press(DIR_DOWN);
    EXPECT_EQ(CursorActive().row, 10);
    EXPECT_EQ(scene->m_nFirstSlot, 1) << "down from the tenth scrolls by one";
    Press(DIR_LEFT);
    EXPECT_EQ(scene->m_nFirstSlot, 0);
    EXPECT_EQ(CursorActive().row, 1);
    for (int i = 0; i < 9; ++i)
        Press(DIR_DOWN);
    Press(DIR_RIGHT);
    EXPECT_EQ(scene->m_nFirstSlot, 2) << "a page of nine, kept to the last window";
    Press(DIR_RIGHT);
    EXPECT_EQ(CursorActive().row, 11) << "on the last page: the last slot";
    Press(DIR_UP);
    Confirm();
    EXPECT_EQ(scene->m_nState, cTitleScene::CHOOSE_SLOT) << "an empty slot refuses";
    Cancel();
    EXPECT_EQ(scene->m_nState, cTitleScene::MENU);
    EXPECT_EQ(CursorActive().row, 1) << "back on \"つづきから\"";
    Choose(scene, TITLE_CONTINUE);
    Press(DIR_DOWN);
    Confirm();
    EXPECT_EQ(scene->m_nState, cTitleScene::LEAVE);
    EXPECT_EQ(g_SaveData.m_nMapX, 4);
    g_SceneManager.DeleteAll();

    // No slot at all: confirm refuses as for an empty slot.
    g_nSaveSlotCount = 0;
    fs::remove_all("user_data/story");
    fs::create_directories("user_data/story");
    scene = Open();
    Choose(scene, TITLE_CONTINUE);
    Frame();
    Confirm();
    EXPECT_EQ(scene->m_nState, cTitleScene::CHOOSE_SLOT);
    g_nSaveSlotCount = 20;
}

TEST_F(TitleMenu, FreePlayAndReplayThroughTheScriptedChooser) {
    ASSERT_TRUE(Start());
    cTitleScene* scene = Open();
    setenv("MIRELDA4_ANSWERS", "cancel,data\\stg4\\demo.stg4_000", 1);
    win::ResetMessageBoxAnswersForTests();
    Choose(scene, TITLE_FREE);
    EXPECT_EQ(scene->m_nState, cTitleScene::MENU) << "a cancelled chooser leaves the menu";
    Confirm();
    EXPECT_EQ(scene->m_nState, cTitleScene::LEAVE);
    EXPECT_EQ(g_nPlayMode, 3);
    EXPECT_EQ(g_nGameMode, 2);
    EXPECT_EQ(g_SceneManager.g_nNextScene, SCENE_PLAY);

    // A replay chosen there is played back as a replay, with its own save data, and the menu
    // reopens on free play.
    cReplay replay;
    replay.RecordFrame(0, 0);
    cSaveData snapshot;
    ResetSaveData(snapshot);
    snapshot.m_nLives = 7;
    ASSERT_EQ(WriteReplayFile(replay, "free.rpl4_732", g_Stage, g_StageOriginal, snapshot), 1);
    g_SceneManager.DeleteAll();
    scene = Open();
    setenv("MIRELDA4_ANSWERS", "free.rpl4_732", 1);
    win::ResetMessageBoxAnswersForTests();
    Choose(scene, TITLE_FREE);
    EXPECT_EQ(scene->m_nState, cTitleScene::LEAVE);
    EXPECT_EQ(g_nPlayMode, TITLE_REPLAY);
    EXPECT_EQ(g_nGameMode, 3);
    EXPECT_EQ(g_SaveData.m_nLives, 7);
    g_SceneManager.DeleteAll();
    scene = Open();
    EXPECT_EQ(scene->m_nItems[CursorActive().row], TITLE_FREE);
}

class ChallengeMenu : public TitleMenu {
  protected:
    cChallengeScene* OpenChallenge(int opened) {
        g_SaveData = cSaveData();
        ResetSaveData(g_SaveData);
        g_SaveData.m_nChallengeOpened = opened;
        g_nGameMode = 1;
        Enter(SCENE_CHALLENGE);
        EXPECT_TRUE(RunUntilScene(SCENE_CHALLENGE));
        return Scene<cChallengeScene>();
    }
};

TEST_F(ChallengeMenu, RowsPagingAndTheStageStart) {
    ASSERT_TRUE(Start());
    g_SystemData.m_nChallengeAllOpen = 0;
    cChallengeScene::s_nLastRow = 0;
    cChallengeScene::s_nLastFirstRow = 0;
    cChallengeScene* scene = OpenChallenge(1);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->m_nRows, 1);
    EXPECT_EQ(g_SaveData.m_ChallengeStages.Count(), g_SystemData.m_nChallengeStages)
        << "progress entries for every stage of the project";
    Press(DIR_DOWN);
    EXPECT_EQ(CursorActive().row, 0);
    EXPECT_EQ(g_SaveData.m_strStageName, "data\\stg4\\c01.");
    // Without the stage's file, confirm says so and stays in the menu.
    for (const auto& entry : fs::directory_iterator("data/stg4"))
        if (entry.path().filename().string().rfind("c01-1.", 0) == 0) fs::remove(entry.path());
    fixtures::BoxCapture boxes;
    Confirm();
    ASSERT_EQ(boxes.texts().size(), 1u) << "no file for stage 1";
    EXPECT_NE(boxes.texts()[0].find("c01-1.stg4"), std::string::npos);
    EXPECT_EQ(scene->m_nState, cChallengeScene::MENU);
    g_SceneManager.DeleteAll();

    // Twelve open stages: ten rows, scrolling by one, paging by nine.
    scene = OpenChallenge(12);
    EXPECT_EQ(scene->m_nShownRows, 10);
    for (int i = 0; i < 10; ++i)
        Press(DIR_DOWN);
    EXPECT_EQ(scene->m_nFirstRow, 1);
    Press(DIR_LEFT);
    Press(DIR_RIGHT);
    EXPECT_EQ(scene->m_nFirstRow, 2);
    EXPECT_EQ(g_SaveData.m_strStageName, "data\\stg4\\c11.");
    g_SceneManager.DeleteAll();

    // A first row kept from a visit with more rows is brought inside them; no rows: confirm does
    // nothing.
    cChallengeScene::s_nLastFirstRow = 30;
    cChallengeScene::s_nLastRow = 35;
    scene = OpenChallenge(3);
    EXPECT_EQ(scene->m_nFirstRow, 0);
    EXPECT_EQ(scene->m_nShownRows, 3);
    EXPECT_EQ(CursorActive().row, 2);
    g_SceneManager.DeleteAll();
    scene = OpenChallenge(0);
    EXPECT_EQ(scene->m_nShownRows, 0);
    Confirm();
    EXPECT_EQ(scene->m_nState, cChallengeScene::MENU);
    g_SceneManager.DeleteAll();

    // A stage file that exists starts play with the challenge's lives.
    ASSERT_TRUE(stage_writer::WriteStageFile(".", "c01-1", 0, demo_project::DemoStage()));
    g_SystemData.m_vnInfiniteLives.at(1) = 0;
    g_SystemData.m_vnStartLives.at(1) = 4;
    cChallengeScene::s_nLastFirstRow = 0;
    cChallengeScene::s_nLastRow = 0;
    scene = OpenChallenge(2);
    Confirm();
    EXPECT_EQ(scene->m_nState, cChallengeScene::LEAVE);
    EXPECT_EQ(g_SaveData.m_nStageNo, 1);
    EXPECT_EQ(g_SaveData.m_nStartLives, 4);
    EXPECT_EQ(g_SaveData.m_nLives, 3);
    EXPECT_EQ(g_SceneManager.g_nNextScene, SCENE_PLAY);
    fs::remove("data/stg4/c01-1.stg4_000");
}

// Golden checksums of the menus as drawn (the back buffer presented after a few frames). With
// M4_UPDATE_GOLDEN set, the sums are printed instead of compared.
struct GoldenCase {
    const char* name;
    std::uint64_t dd, d3d;
};
constexpr GoldenCase kGolden[] = {
    {"title_text", 0x60f164a80c7c05d5ull, 0x2b61dd9a689f322dull},
    {"title_picture", 0x6925102badccbd48ull, 0x6925102badccbd48ull},
    {"slots", 0x54d584918ae661e2ull, 0x38a7d0353e121b47ull},
    {"world_map", 0x9e28cee63ebd18b2ull, 0x877b303fbd86691cull},
    {"save_menu", 0x860308192eb1e003ull, 0xa3577383f66162edull},
    {"challenge", 0x213b6a4b102bffc7ull, 0xdc7f6ac507b19590ull},
    {"options", 0x5e4ab22906e48f63ull, 0xddec950bbf715c7aull},
};

class MenuGoldens : public TitleMenu, public ::testing::WithParamInterface<int> {};

TEST_P(MenuGoldens, MenusAsDrawn) {
    const bool d3d = GetParam() == 1;
    ASSERT_TRUE(Start(d3d ? "Direct3D=1\r\nWindowMode=1\r\n" : "Direct3D=0\r\nWindowMode=1\r\n"));
    g_nSaveSlotCount = 12;
    ASSERT_TRUE(WriteSlot(0));
    auto check = [&](const char* name) {
        const std::uint64_t sum = FrameSum();
        for (const GoldenCase& g : kGolden) {
            if (std::string(g.name) != name) continue;
            const std::uint64_t want = d3d ? g.d3d : g.dd;
            if (std::getenv("M4_UPDATE_GOLDEN") || want == 0)
                std::printf("    %s %s 0x%016" PRIx64 "\n", name, d3d ? "d3d" : "dd", sum);
            else
                EXPECT_EQ(sum, want) << name;
        }
    };
    auto settle = [&](int frames = 3) {
        for (int i = 0; i < frames; ++i)
            Frame();
    };
    g_SystemData.m_nTitleLayout = 0;
    cTitleScene* title = Open();
    settle();
    check("title_text");
    g_SceneManager.DeleteAll();
    g_SystemData.m_nTitleLayout = 1;
    title = Open();
    settle();
    check("title_picture");
    Choose(title, TITLE_CONTINUE);
    settle();
    check("slots");
    g_SceneManager.DeleteAll();

    StartNewStory();
    g_SaveData.m_nLives = 3;
    g_SystemData.m_vnInfiniteLives.at(0) = 0;
    Enter(SCENE_WORLDMAP);
    ASSERT_TRUE(RunUntilScene(SCENE_WORLDMAP));
    settle(2);
    check("world_map");
    Cancel();
    ASSERT_TRUE(RunUntilScene(SCENE_SAVE));
    settle();
    check("save_menu");
    g_SceneManager.DeleteAll();

    ResetSaveData(g_SaveData);
    g_SaveData.m_ChallengeStages.resize(40);
    g_SaveData.m_ChallengeStages.at(0).w1 = 1;
    g_SaveData.m_ChallengeStages.at(0).w2 = 1200;
    Enter(SCENE_CHALLENGE);
    ASSERT_TRUE(RunUntilScene(SCENE_CHALLENGE));
    settle();
    check("challenge");
    g_SceneManager.DeleteAll();
    g_nPlayMode = 5;
    Enter(SCENE_OPTION);
    ASSERT_TRUE(RunUntilScene(SCENE_OPTION));
    settle();
    check("options");
    g_nSaveSlotCount = 20;
}

INSTANTIATE_TEST_SUITE_P(Backends, MenuGoldens, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param ? "Direct3D" : "DirectDraw");
                         });

} // namespace
} // namespace menus_test
