// The story mode's menus on the demo project: the world map (marker, pages, stage start, autosave
// on return) and the save menu (slots, autosave, back, to the title).
#include "menu_player.h"

#include "menus/save_scene.h"
#include "menus/world_map_scene.h"
#include "project/stage_file.h"
#include "project/system_bitmaps.h"

#include <climits>

namespace menus_test {
namespace {

class StoryScenes : public MenuPlayer {
  protected:
    // A new story at the map's start cell, entering the world map (the demo map starts at (9, 7)).
    cWorldMapScene* OpenMap(int col = 9, int row = 7) {
        ResetSaveData(g_SaveData);
        g_SaveData.m_nMapX = col;
        g_SaveData.m_nMapY = row;
        g_SaveData.m_nLives = 2;
        Enter(SCENE_WORLDMAP);
        EXPECT_TRUE(RunUntilScene(SCENE_WORLDMAP));
        return Scene<cWorldMapScene>();
    }
    static const MenuCursorPos& Cell() { return CursorActive(); }
    static bool SlotFile(int n) {
        return fs::exists("user_data/story/Story" + std::string(n < 9 ? "0" : "") + std::to_string(n + 1) +
                          ".dat");
    }
};

TEST(EventPages, ConditionsInOrderAndTheFirstThatHoldsIsActive) {
    cSaveData save;
    ResetSaveData(save);
    save.m_vnCommonVars.at(3) = -12;
    save.m_nValueTotal = 50;
    struct Case {
        std::int32_t flag, variable, op, value, minimum;
        bool active;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, true},    {5, 0, 0, 0, 0, false},   {-1, 0, 0, 0, 0, true},
        {0, 3, 0, -12, 0, true},  {0, 3, 1, -12, 0, false}, {0, 3, 2, -12, 0, true},
        {0, 3, 3, -13, 0, false}, {0, 3, 4, -13, 0, true},  {0, 3, 5, -12, 0, false},
        {0, 3, 6, 4, 0, true},    {0, 3, 6, 5, 0, false},   {0, 3, 6, 0, 0, true},
        {0, 3, 7, 0, 0, false},   {0, 3, 7, 5, 0, true},    {0, 3, 8, 0, 0, false},
        {0, 0, 0, 0, 50, true},   {0, 0, 0, 0, 51, false},  {0, 9999, 0, 1, 0, false},
    };
    for (const Case& c : cases) {
        cWorldMapNode event;
        cWorldMapNodeEntry page;
        page.nFlag = c.flag;
        page.nVariable = c.variable;
        page.nOperator = c.op;
        page.nValue = c.value;
        page.nMinimum = c.minimum;
        event.m_Entries.assign(1, page);
        cWorldMapNodeEntry fallback;
        fallback.nKind = 2;
        event.m_Entries.push_back(fallback);
        const cWorldMapNodeEntry* chosen = SelectEventPage(&event, save);
        ASSERT_NE(chosen, nullptr);
        EXPECT_EQ(chosen == &event.m_Entries.at(0), c.active)
            << "flag " << c.flag << " variable " << c.variable << " op " << c.op << " value " << c.value;
    }
    // The smallest integer is divisible by 2 and by -1, and never by 0.
    save.m_vnCommonVars.at(3) = INT_MIN;
    cWorldMapNode event;
    cWorldMapNodeEntry page;
    page.nVariable = 3;
    page.nOperator = 6;
    page.nValue = -1;
    event.m_Entries.assign(1, page);
    EXPECT_NE(SelectEventPage(&event, save), nullptr);
    event.m_Entries.at(0).nOperator = 7;
    event.m_Entries.at(0).nValue = 0;
    EXPECT_EQ(SelectEventPage(&event, save), nullptr);
}

TEST(Genres, StepOverTheEnabledOnes) {
    cSaveData save;
    g_SystemData.SetDefaults();
    cRankingMode& mode = g_SystemData.m_vRankingModes.at(0);
    mode.m_nEnabled = 1;
    mode.m_vbGenres.assign(5, 0);
    mode.m_vbGenres.at(1) = mode.m_vbGenres.at(3) = 1;
    struct Case {
        int from, step, to;
    };
    for (const Case& c : {Case{1, 1, 3}, Case{3, 1, 1}, Case{1, -1, 3}, Case{1, 2, 1}, Case{0, 0, 1},
                          Case{3, 0, 3}, Case{4, 0, 1}}) {
        save.m_nRankingGenre = c.from;
        StepGenre(save, 0, c.step);
        EXPECT_EQ(save.m_nRankingGenre, c.to) << c.from << " by " << c.step;
    }
    mode.m_vbGenres.assign(5, 0);
    save.m_nRankingGenre = 2;
    StepGenre(save, 0, 1);
    EXPECT_EQ(save.m_nRankingGenre, 2);
    g_SystemData.SetDefaults();
}

TEST_F(StoryScenes, TheMarkerWalksTheMapWhichScrollsUnderIt) {
    ASSERT_TRUE(Start());
    cWorldMapScene* map = OpenMap();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->m_nOriginX, 0);
    EXPECT_EQ(map->m_nOriginY, 0);
    Press(DIR_DOWN);
    EXPECT_EQ(Cell().row, 8);
    EXPECT_EQ(Cell().x, 288);
    EXPECT_EQ(Cell().y, 224);
    EXPECT_EQ(map->m_nOriginY, 1);
    EXPECT_EQ(g_SaveData.m_nMarkerFacing, cWorldMapScene::FACE_DOWN);
    // The mountains of the north shore (row 4) are not open.
    Press(DIR_UP);
    Press(DIR_UP);
    Press(DIR_UP);
    EXPECT_EQ(Cell().row, 5);
    Press(DIR_UP);
    EXPECT_EQ(Cell().row, 5) << "a blocked chip refuses the marker";
    EXPECT_EQ(map->m_nFacing, cWorldMapScene::FACE_UP);
    // The closed castle (13, 7): its only active page has kind 2 until switch 1 is on.
    Press(DIR_DOWN);
    Press(DIR_DOWN);
    for (int i = 0; i < 3; ++i)
        Press(DIR_RIGHT);
    EXPECT_EQ(Cell().col, 12);
    Press(DIR_RIGHT);
    EXPECT_EQ(Cell().col, 12) << "a page of kind 2 refuses the marker";
    EXPECT_EQ(map->m_nFacing, cWorldMapScene::FACE_RIGHT);
    g_SaveData.m_vnStageFlags.at(1) = 1;
    Press(DIR_RIGHT);
    EXPECT_EQ(Cell().col, 13);
}

TEST_F(StoryScenes, EdgesOfTheMapAndANegativeOrigin) {
    ASSERT_TRUE(Start());
    // A map of 10 x 3 open cells with a background picture: at column 0 the origin is -9 and the
    // picture starts 288 pixels to the right.
    g_WorldMap.SetSize(10, 3);
    for (auto& cell : g_WorldMap.cells)
        cell = 5;
    g_WorldMap.nodes.clear();
    g_WorldMap.showBackPicture = 1;
    g_WorldMap.backColour = 0;
    cWorldMapScene* map = OpenMap(0, 0);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->m_nOriginX, -9);
    EXPECT_EQ(map->m_nOriginY, -7);
    Press(DIR_UP);
    EXPECT_EQ(Cell().row, 0) << "up stops at the first row";
    Press(DIR_LEFT);
    EXPECT_EQ(Cell().col, 0);
    for (int i = 0; i < 12; ++i)
        Press(DIR_RIGHT);
    EXPECT_EQ(Cell().col, 9);
    for (int i = 0; i < 5; ++i)
        Press(DIR_DOWN);
    EXPECT_EQ(Cell().row, 2);
    EXPECT_EQ(map->m_nOriginX, 0);
}

TEST_F(StoryScenes, TheMapLoadsTheBackgroundPictureItNames) {
    ASSERT_TRUE(Start());
    // The map chips (which the map loads as well) as the background, then no name (the map still
    // opens), then the demo's own picture: the background surface is the picture named each time.
    for (const char* name : {"bmp\\WorldMapChip.bmp", "", "bmp\\WorldBack.bmp"}) {
        g_WorldMap.backPicture = name;
        ASSERT_NE(OpenMap(), nullptr) << name;
        EXPECT_STREQ(SystemBitmapTable[SYSBMP_WORLD_BACK].szFileName, name);
        const DDSURFACEDATA* back = SystemSurface(MENUBMP_WORLDBACK);
        const DDSURFACEDATA* chips = SystemSurface(MENUBMP_MAPCHIP);
        const bool likeChips = back->nWidth == chips->nWidth && back->nHeight == chips->nHeight;
        if (*name) {
            EXPECT_EQ(likeChips, std::string(name) == "bmp\\WorldMapChip.bmp") << name;
        }
        Enter(SCENE_TITLE);
        ASSERT_TRUE(RunUntilScene(SCENE_TITLE));
    }
}

TEST_F(StoryScenes, StageStartMenuCancelAndStart) {
    ASSERT_TRUE(Start());
    cWorldMapScene* map = OpenMap();
    ASSERT_NE(map, nullptr);
    Press(DIR_LEFT);
    Press(DIR_LEFT); // onto the first stage (7, 7): it asks before starting
    ASSERT_EQ(Cell().col, 7);
    EXPECT_EQ(map->m_nState, cWorldMapScene::MAP);
    EXPECT_EQ(g_SaveData.m_strStageName, "data\\stg4\\demo.");
    Confirm();
    ASSERT_EQ(map->m_nState, cWorldMapScene::STAGE_START);
    EXPECT_EQ(Cell().row, 1) << "the menu opens on its second line";
    Cancel();
    EXPECT_EQ(map->m_nState, cWorldMapScene::MAP);
    EXPECT_EQ(Cell().col, 7) << "a page that asks keeps the marker on its cell";
    g_SystemData.m_vnInfiniteLives.at(0) = 0;
    Confirm();
    Press(DIR_UP);
    Confirm();
    EXPECT_EQ(map->m_nState, cWorldMapScene::LEAVE);
    EXPECT_EQ(g_SceneManager.g_nNextScene, SCENE_PLAY);
    EXPECT_EQ(g_SaveData.m_nStageNo, 1);
    EXPECT_EQ(g_SaveData.m_nStartLives, 3) << "carried lives: the remaining ones and one more";
    EXPECT_EQ(g_Stage.m_strPath, "data\\stg4\\demo.stg4_000");
}

TEST_F(StoryScenes, AnEntryStartPageCancelledPutsTheMarkerBack) {
    ASSERT_TRUE(Start());
    g_WorldMap.nodes.at(0).m_Entries.at(0).nValues[1] = 0; // starts on entry
    cWorldMapScene* map = OpenMap();
    ASSERT_NE(map, nullptr);
    Press(DIR_LEFT);
    Frame(DIR_LEFT);
    EXPECT_EQ(map->m_nState, cWorldMapScene::STAGE_START);
    Frame();
    Cancel();
    EXPECT_EQ(map->m_nState, cWorldMapScene::MAP);
    EXPECT_EQ(Cell().col, 8);
    EXPECT_EQ(g_MenuCursor.Levels(), 1);
}

TEST_F(StoryScenes, ALostStageReturnsTheMarkerAndAnAutosaveIsWritten) {
    ASSERT_TRUE(Start());
    ResetSaveData(g_SaveData);
    g_SaveData.m_nMapX = 7;
    g_SaveData.m_nMapY = 7;
    g_SaveData.m_nPrevMapX = 8;
    g_SaveData.m_nPrevMapY = 7;
    g_SaveData.m_bReturnMarker = 1;
    g_SaveData.m_bAutoSave = 1;
    g_SaveData.m_nLastSlot = 2;
    g_SceneManager.g_nPrevScene = SCENE_PLAY;
    Enter(SCENE_WORLDMAP);
    ASSERT_TRUE(RunUntilScene(SCENE_WORLDMAP));
    EXPECT_TRUE(SlotFile(2));
    EXPECT_EQ(Cell().col, 8);
    EXPECT_EQ(g_SaveData.m_bReturnMarker, 0);

    // A cleared stage keeps the marker on its cell.
    g_SceneManager.DeleteAll();
    g_SaveData.m_nMapX = 7;
    g_SaveData.m_bReturnMarker = 1;
    g_SaveData.m_vnStageFlags.at(1) = 1;
    g_SceneManager.g_nPrevScene = SCENE_PLAY;
    Enter(SCENE_WORLDMAP);
    ASSERT_TRUE(RunUntilScene(SCENE_WORLDMAP));
    EXPECT_EQ(Cell().col, 7);
}

TEST_F(StoryScenes, CancelOnTheMapOpensTheSaveMenu) {
    ASSERT_TRUE(Start());
    ASSERT_NE(OpenMap(), nullptr);
    Press(DIR_RIGHT);
    Cancel();
    ASSERT_TRUE(RunUntilScene(SCENE_SAVE));
    EXPECT_EQ(g_SaveData.m_nMapX, 10);
    EXPECT_EQ(g_SceneManager.g_nPrevScene, SCENE_WORLDMAP);
}

class SaveMenu : public StoryScenes {
  protected:
    cSaveScene* Open(int lastSlot) {
        ResetSaveData(g_SaveData);
        g_SaveData.m_nLastSlot = lastSlot;
        Enter(SCENE_SAVE);
        EXPECT_TRUE(RunUntilScene(SCENE_SAVE));
        return Scene<cSaveScene>();
    }
    // Moves the menu cursor to item `id` and confirms it.
    void Choose(cSaveScene* scene, int id) {
        while (scene->m_nItems[CursorActive().row] != id)
            Press(DIR_DOWN);
        Confirm();
    }
};

TEST_F(SaveMenu, TheSlotListOpensOnTheLastSlotAndASaveWritesIt) {
    ASSERT_TRUE(Start());
    struct Case {
        int lastSlot, row, top;
    };
    for (const Case& c : {Case{-1, 0, 0}, Case{3, 3, 3}, Case{15, 15, 10}}) {
        cSaveScene* scene = Open(c.lastSlot);
        ASSERT_NE(scene, nullptr);
        Choose(scene, 0);
        Frame();
        EXPECT_EQ(scene->m_nState, cSaveScene::SAVE);
        EXPECT_EQ(CursorActive().row, c.row) << c.lastSlot;
        EXPECT_EQ(scene->m_nFirstSlot, c.top) << c.lastSlot;
        EXPECT_EQ(scene->m_nShownSlots, 10);
        g_SceneManager.DeleteAll();
    }
    cSaveScene* scene = Open(3);
    Choose(scene, 0);
    Press(DIR_DOWN); // slot 5 (index 4)
    Confirm();
    EXPECT_EQ(CursorActive().row, 1) << "the confirmation opens on its second line";
    Cancel();
    EXPECT_FALSE(SlotFile(4));
    Confirm();
    Press(DIR_UP);
    Confirm();
    EXPECT_TRUE(SlotFile(4));
    EXPECT_EQ(g_SaveData.m_nLastSlot, 4);
    EXPECT_TRUE(g_SaveSlotList.at(4).bUsed);
    Cancel();
    EXPECT_EQ(scene->m_nState, cSaveScene::MENU);
    EXPECT_EQ(g_MenuCursor.Levels(), 1);
}

TEST_F(SaveMenu, AutosaveAsksForASlotFirstThenSwitches) {
    ASSERT_TRUE(Start());
    cSaveScene* scene = Open(-1);
    Choose(scene, 1);
    Frame();
    EXPECT_EQ(scene->m_nSubState, 2) << "no slot yet: the message of text 16";
    Confirm();
    EXPECT_EQ(scene->m_nState, cSaveScene::MENU);
    EXPECT_EQ(g_SaveData.m_bAutoSave, 0);

    g_SaveData.m_nLastSlot = 6;
    Choose(scene, 1);
    Frame();
    EXPECT_EQ(scene->m_nSubState, 1);
    EXPECT_EQ(CursorActive().row, 1) << "autosave off: the cursor on OFF";
    Press(DIR_UP);
    Confirm();
    EXPECT_EQ(g_SaveData.m_bAutoSave, 1);
    ASSERT_TRUE(SlotFile(6));
    // The slot is written with the choice in it: loaded again, the autosave is on.
    g_SaveData.m_bAutoSave = 0;
    g_SaveData.LoadSlot(6);
    EXPECT_EQ(g_SaveData.m_bAutoSave, 1);
}

TEST_F(SaveMenu, BackAndToTitle) {
    ASSERT_TRUE(Start());
    cSaveScene* scene = Open(-1);
    Choose(scene, 3);
    Frame();
    EXPECT_EQ(CursorActive().row, 1) << "the title confirmation opens on \"やっぱりやめる\"";
    Confirm();
    EXPECT_EQ(scene->m_nState, cSaveScene::MENU);
    Choose(scene, 3);
    Press(DIR_UP);
    Confirm();
    ASSERT_TRUE(RunUntilScene(SCENE_TITLE));
    EXPECT_EQ(g_SceneManager.g_nPrevScene, SCENE_SAVE);

    scene = Open(-1);
    Cancel();
    ASSERT_TRUE(RunUntilScene(SCENE_WORLDMAP));
}

} // namespace
} // namespace menus_test
