// The title scene: the title picture with a menu of up to seven items that start a new or
// continued story (with the choice of a save slot), a challenge, a stage file, a replay, the
// options, or end the program. The menu is drawn from the game-mode picture (one row per item) or
// as text in a framed box, by the project's choice.
#pragma once

#include "app/scene.h"
#include "menus/menu_frame.h"

struct MenuPos {
    int x = 0, y = 0;
};
// Top-left of the title menu box and of the save-slot list.
extern MenuPos g_TitleMenuPos;
extern MenuPos g_SlotListPos;

// Title menu item ids; the confirmed id becomes the play mode.
enum TitleItem {
    TITLE_NEW = 0,
    TITLE_CONTINUE = 1,
    TITLE_CHALLENGE = 2,
    TITLE_FREE = 3,
    TITLE_REPLAY = 4,
    TITLE_OPTIONS = 5,
    TITLE_QUIT = 6,
    TITLE_ITEM_COUNT = 7,
};

// A new story: the save data reset, the marker on the map's start cell, the story's lives.
void StartNewStory();
// Asks the window thread to choose and load a stage (or replay) file; true when one was loaded.
bool RequestOpenStage();
// Asks the window thread to choose and load a replay file; true when one was loaded.
bool RequestLoadReplay();

class cTitleScene : public cMenuScene {
  public:
    enum State { FADE_IN = 0, MENU = 1, CHOOSE_SLOT = 2, LEAVE = 3 };

    cTitleScene();
    ~cTitleScene() override;
    void Init() override;
    void FadeIn() override;
    void Leave() override;
    void Menu();
    void ChooseSlot();
    void Draw();
    void BuildMenuSurface();
    void DrawMenuSurface();

    int m_nCount = 1;
    int m_nItems[TITLE_ITEM_COUNT] = {};
    int m_nFirstSlot = 0;
    int m_nShownSlots = 0;
    DDSurfaceVec m_Surfaces;
    DDSurfaceDefVec m_SurfaceDefs;

  private:
    DDSURFACEDATA* MenuSurface();
};
