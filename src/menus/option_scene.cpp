#include "menus/option_scene.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/requests.h"
#include "app/sjis.h"
#include "draw/dd_palette_fx.h"
#include "draw/font.h"
#include "platform/messages.h"
#include "app/play_se.h"
#include "app/paths.h"
#include "project/option_data.h"
#include "project/system_data.h"
#include "sound/bgm.h"
#include "sound/sound.h"

#include <algorithm>

namespace {

const int OPTION_BITMAPS[] = {MENUBMP_ACCESSORY, MENUBMP_WINDOW};

struct OptionRange {
    std::int32_t min, max;
};
// Ranges of the edited items 0-3.
constexpr OptionRange OPTION_RANGES[4] = {{0, 23}, {0, 1}, {0, 10}, {0, 3}};

std::int32_t* OptionField(int id) {
    switch (id) {
    case OPTION_COLOUR:
        return &g_OptionData.nPalette;
    case OPTION_MUSIC:
        return &g_OptionData.bMusic;
    case OPTION_VOLUME:
        return &g_OptionData.nVolume;
    case OPTION_RANKING_MODE:
        return &g_OptionData.nRankingMode;
    default:
        return nullptr;
    }
}

bool SameOptions(const cOptionData& a, const cOptionData& b) {
    return a.nPalette == b.nPalette && a.bMusic == b.bMusic && a.nVolume == b.nVolume &&
           a.nRankingMode == b.nRankingMode && a.strRankingName == b.strRankingName;
}

void ApplyVolume(int step) {
    const std::int32_t volume = g_SoundVolumeTable[std::clamp(step, 0, 10)];
    for (int i = 0; i < g_Sounds.Count(); ++i) {
        cSound& sound = g_Sounds.at(i);
        for (int b = 0; b < sound.m_nCount; ++b)
            SoundSetVolume(sound, b, volume, 0);
    }
}

} // namespace

int OptionRecordOf(int id) {
    return (id + OPTION_ITEM_COUNT - 1) % OPTION_ITEM_COUNT;
}

void ApplyMusicOption() {
    const bool running = g_Bgm.IsInitialised();
    if (running && g_OptionData.bMusic == 0) {
        g_Bgm.Release();
        g_SceneManager.g_nCurMenuBgm = 0;
    } else if (!running && g_OptionData.bMusic != 0) {
        BgmInitDefault();
        g_SceneManager.g_nCurMenuBgm = 0;
    }
}

cOptionScene::cOptionScene() {
    m_Handlers = {[this] { FadeIn(); }, [this] { Menu(); }, [this] { Leave(); }};
}

cOptionScene::~cOptionScene() {
    // The program is closing with the options shown: what was changed is kept as leaving would keep
    // it (a value being edited as it stands). Nobody is asked at this point: a failed write is a
    // line of the report.
    if (m_bEntered && !m_bLeft && !SameOptions(g_OptionData, m_Found))
        g_OptionData.SaveFile(g_PathTable[PATH_OPTION_DAT]);
    ReleaseMenuBitmaps(OPTION_BITMAPS, 2);
}

void cOptionScene::Init() {
    m_Found = g_OptionData;
    m_bEntered = true;
    MenuMusicRule(3);
    LoadMenuBitmaps(OPTION_BITMAPS, 2);
    CursorReset();
    m_nCount = 0;
    for (int id = 0; id < OPTION_ITEM_COUNT; ++id)
        if (g_SystemData.m_vOptionMenu.at(OptionRecordOf(id)).m_nShow) m_nItems[m_nCount++] = id;
    if (m_nCount == 0) {
        m_nItems[0] = OPTION_COLOUR;
        m_nCount = 1;
    }
    CreateScreen();
    m_nSubState = 0;
}

void cOptionScene::DrawScreen(DDSURFACEDATA* surface) {
    if (!surface) return;
    g_Font.DrawBox(surface, 1, 1, 638, 478);
    const std::string& title = g_SystemData.m_vTitleMenu.at(5).m_strLabel;
    MenuFont().DrawF(surface, 320 - 16 * CountSjisChars(title), 32, "%s", title.c_str());
    for (int k = 0; k < m_nCount; ++k) {
        const int id = m_nItems[k];
        const int y = 96 + 16 * k;
        g_Font.Draw(surface, 64, y, g_SystemData.m_vOptionMenu.at(OptionRecordOf(id)).m_strLabel.c_str(), 0);
        switch (id) {
        case OPTION_COLOUR:
            g_Font.DrawF(surface, 208, y, "%d", g_OptionData.nPalette);
            break;
        case OPTION_MUSIC:
            g_Font.DrawF(surface, 208, y, "%s", g_OptionData.bMusic ? "ON" : "OFF");
            break;
        case OPTION_VOLUME:
            g_Font.DrawF(surface, 208, y, "%d", g_OptionData.nVolume);
            break;
        case OPTION_RANKING_MODE: {
            const int mode = g_OptionData.nRankingMode;
            const auto& names = g_SystemData.m_vstrRankingModeNames;
            if (mode >= 0 && mode < names.Count())
                g_Font.DrawF(surface, 208, y, "%s", names.at(mode).c_str());
            break;
        }
        case OPTION_RANKING_NAME:
            g_Font.DrawF(surface, 208, y, "%s", g_OptionData.strRankingName.c_str());
            break;
        default:
            break;
        }
    }
}

void cOptionScene::FadeIn() {
    FadeInScreen();
}

void cOptionScene::ApplyEdited() {
    if (m_nEditItem == OPTION_COLOUR && g_MenuHooks.loadColourTable) g_MenuHooks.loadColourTable(*m_lpValue);
    if (m_nEditItem == OPTION_VOLUME) ApplyVolume(*m_lpValue);
    DrawScreen(Screen());
}

void cOptionScene::Menu() {
    const std::uint16_t keys = Dir();
    if (m_nSubState == 0) {
        CursorActive() = MenuCursorPos{};
        m_nSubState = 1;
    }
    if (m_nSubState == 1) {
        CursorMoveGrid(keys, 48, 96, 0, 16, 1, m_nCount);
        CursorSound(keys, 2, 0);
        bool leave = Cancelled();
        if (!leave && Confirmed()) {
            PlaySe(1);
            m_nEditItem = m_nItems[std::clamp(CursorActive().row, 0, m_nCount - 1)];
            if (m_nEditItem <= OPTION_RANKING_MODE) {
                m_lpValue = OptionField(m_nEditItem);
                m_nMin = OPTION_RANGES[m_nEditItem].min;
                m_nMax = OPTION_RANGES[m_nEditItem].max;
                m_nOldValue = *m_lpValue;
                CursorPush();
                m_nSubState = 2;
            } else if (m_nEditItem == OPTION_RANKING_NAME) {
                SendRequestAndWait(win::WM_USER + 1, g_bNameDialogDone);
                DrawScreen(Screen());
            } else {
                leave = true;
            }
            if (!leave) return;
        } else if (leave) {
            PlaySe(2);
        }
        if (leave) {
            g_SceneManager.g_nNextScene = SCENE_TITLE;
            m_nSubState = 0;
            m_nState = 2;
            return;
        }
        ShowScreen();
        DrawAccessory(&g_BackBuffer, CursorActive().x, CursorActive().y, 64, 0, 16);
        return;
    }
    // Editing the value.
    if (keys & (DIR_UP | DIR_DOWN)) {
        std::int32_t v = *m_lpValue + ((keys & DIR_UP) ? 1 : -1);
        if (v > m_nMax) v = m_nMin;
        if (v < m_nMin) v = m_nMax;
        *m_lpValue = v;
        ApplyEdited();
    }
    CursorSound(keys, 2, 0);
    if (Confirmed()) {
        PlaySe(1);
        CursorPop(1);
        m_nSubState = 1;
        return;
    }
    if (Cancelled()) {
        PlaySe(2);
        *m_lpValue = m_nOldValue;
        ApplyEdited();
        CursorPop(1);
        m_nSubState = 1;
        return;
    }
    ShowScreen();
    const MenuCursorPos& item = CursorParent();
    DrawAccessory(&g_BackBuffer, item.x, item.y, 80, 0, 16);
    DrawAccessory(&g_BackBuffer, 192, item.y, 64, 0, 16);
}

void cOptionScene::Leave() {
    if (!DDFadeOut(g_Palette, 0, 255, 0, 0, 0, g_SceneManager.g_nFade, g_BasePalette, 0)) return;
    DDClear(&g_BackBuffer, 16);
    m_bLeft = true;
    ApplyMusicOption();
    if (!g_OptionData.SaveFile(g_PathTable[PATH_OPTION_DAT]))
        ErrorBox("%s の書き込みに失敗！", g_PathTable[PATH_OPTION_DAT].c_str());
    CursorReset();
    g_SceneManager.g_nPrevScene = SCENE_OPTION;
    g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene;
}
