// The options scene: the colour table, music on or off, the sound-effect volume, the ranking
// registration mode and the fixed ranking name. The colour table and the volume apply at once; the
// music setting applies and the options file is written when the scene is left. A close of the
// program while the scene is shown (the close box, a signal) writes changed options too.
#pragma once

#include "menus/menu_frame.h"
#include "project/option_data.h"

#include <cstdint>

// Item ids of the options menu.
enum OptionItem {
    OPTION_COLOUR = 0,
    OPTION_MUSIC = 1,
    OPTION_VOLUME = 2,
    OPTION_RANKING_MODE = 3,
    OPTION_RANKING_NAME = 4,
    OPTION_BACK = 5,
    OPTION_ITEM_COUNT = 6,
};
// The option record of the project's option menu that shows and labels item `id`. The records'
// defaults are "BGM", "SE", "ランキング登録", "ランキング登録名", "もどる" and "": record k belongs
// to item k + 1, and the last record (no default text) to the colour table.
int OptionRecordOf(int id);

// Starts or releases the music manager by the music option; either way the next menu asks for
// its music again.
void ApplyMusicOption();

class cOptionScene : public cScreenMenuScene {
  public:
    cOptionScene();
    ~cOptionScene() override;
    void Init() override;
    void FadeIn() override;
    void Leave() override;
    void Menu();
    void DrawScreen(DDSURFACEDATA* surface) override;

    int m_nCount = 1;
    int m_nItems[OPTION_ITEM_COUNT] = {};
    int m_nEditItem = 0;
    std::int32_t m_nOldValue = 0;
    std::int32_t* m_lpValue = nullptr;
    std::int32_t m_nMin = 0, m_nMax = 0;

  private:
    // After the edited value changed: the colour table or the volume take effect, the screen is redrawn.
    void ApplyEdited();

    // The options as the scene found them, and whether it was entered and left: a scene ended
    // without being left (the program closed) writes what was changed, as leaving would have.
    cOptionData m_Found;
    bool m_bEntered = false;
    bool m_bLeft = false;
};
