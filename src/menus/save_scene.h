// The save menu of the story mode, opened by cancel on the world map: save to a slot, switch the
// autosave on or off, go back to the map, or return to the title.
#pragma once

#include "menus/menu_frame.h"

class cSaveScene : public cMenuScene {
  public:
    enum State { FADE_IN = 0, MENU = 1, SAVE = 2, AUTOSAVE = 3, BACK = 4, TO_TITLE = 5, LEAVE = 6 };

    cSaveScene();
    ~cSaveScene() override;
    void Init() override;
    void FadeIn() override;
    void Leave() override;
    void Menu();
    void Save();
    void AutoSave();
    void Back();
    void ToTitle();
    // The menu screen on the back buffer.
    void Draw();

    int m_nCount = 1;
    int m_nItems[4] = {};
    int m_nFirstSlot = 0;
    int m_nShownSlots = 0;

  private:
    // Drops the sub-menu's cursor level and returns to the menu.
    void BackToMenu();
    void DrawSlots();
};
